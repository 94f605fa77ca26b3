// The digest of a DMT row: 64-bit hashes of its fields, made so that two rows whose digests
// agree have no difference that the comparison of dumps would report.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/ByteBuffer.h"
#include "zyn/reader/DumpTree.h"
#include "zyn/reader/RowFields.h"

namespace zyn::reader {

/// A 64-bit hash of bytes (not for security: for telling rows apart).
std::uint64_t Hash64(std::string_view iBytes);

/// The digest of a row with its RMT rows: one hash of the fields that are always compared,
/// and one per kind of form-dependent field, with the number of fields of that kind the row
/// holds. Ordinals and other fields that are never compared are left out.
struct RowDigest {
  std::uint64_t common = 0;
  std::array<std::uint64_t, kFormDependentKindCount> formDependent{};
  std::array<std::uint32_t, kFormDependentKindCount> formDependentCount{};
};

/// Whether two rows with these digests may differ: the common hashes differ, or both rows hold
/// fields of one form-dependent kind and their hashes for it differ. When it answers false the
/// rows have no difference (hash collisions aside).
bool MayDiffer(const RowDigest& iA, const RowDigest& iB);

/// The fields that two rows which do not differ (MayDiffer false) cannot compare: those of
/// each form-dependent kind that one row holds and the other holds none of.
std::uint64_t NotComparedFields(const RowDigest& iA, const RowDigest& iB);

/// Makes digests, reusing its buffers from row to row.
class RowDigester {
 public:
  RowDigest Digest(const DmtRow& iRow);

 private:
  class Canonical;
  // The canonical bytes of the row's fields, kept from row to row for their capacity.
  ByteBuffer common_;
  std::array<ByteBuffer, kFormDependentKindCount> formDependent_;
  std::string path_;
  std::array<std::uint32_t, kFormDependentKindCount> counts_{};
};

}  // namespace zyn::reader
