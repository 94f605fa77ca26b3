// What the comparison of two dumps keeps of each: per DMT row a compact entry (digest, key,
// place in the file), and whole copies of the few nodes outside the manager's rows.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "compare/RowDigest.h"
#include "compare/RowLocator.h"
#include "compare/RowMatching.h"
#include "zyn/reader/DumpDiff.h"
#include "zyn/reader/Wholeness.h"

namespace zyn::reader {

/// One DMT row, as kept between the passes: 64 bytes, whatever the row holds.
struct RowEntry {
  std::uint64_t commonHash = 0;  // the digest's hash of the fields always compared
  ByteRange range;               // its text in the input
  std::uint64_t line = 0;        // its first line
  std::uint64_t uuidOffset = 0;  // its uuid in DiffSideRecord::uuids
  /// The hashes of the form-dependent kinds it holds, from here in
  /// DiffSideRecord::formDependent, one per kind whose bit is set in formDependentKinds.
  std::uint64_t formDependentFirst = 0;
  std::uint32_t uuidLength = 0;
  std::int32_t ordinal = 0;
  std::uint8_t formDependentKinds = 0;
  bool hasOrdinal = false;
  bool uuidValid = true;  // false: "invalid element uuid"
};

static_assert(sizeof(RowEntry) <= 64, "a DMT row's entry stays within 64 bytes");

/// The digest's hash and count of one form-dependent kind that a row holds.
struct FormDependentHash {
  std::uint64_t hash = 0;
  std::uint32_t count = 0;
};

/// An RMT row that falls back to its ordinal within its DMT row, seen in one dump.
struct RmtFallbackRecord {
  std::uint32_t row = 0;  // index of the DMT row
  std::string key;        // "[#2]"
  Fallback reason = Fallback::None;
};

/// Everything kept of one dump after its first reading.
struct DiffSideRecord {
  DiffSide side;
  ReadOutcome outcome;
  Verdict verdict;
  /// Why the dump cannot be compared, naming line and column: it cannot be read, or judged, or
  /// (without --lenient) it is not whole.
  std::string trouble;
  std::uint64_t rawLines = 0;  // lines left out in lenient reading
  std::optional<ManagerHeader> manager;
  std::optional<ManagerTrailer> trailer;
  std::vector<Environment> environments;
  std::vector<RmtRow> loneRmtRows;
  std::vector<Component> loneComponents;
  std::deque<RowEntry> rows;  // grows without copying a million entries at once
  std::deque<FormDependentHash> formDependent;
  std::string uuids;  // the rows' uuids, one after another
  std::vector<RmtFallbackRecord> rmtFallbacks;

  /// Keeps the entry of the next row, with its digest.
  void AddRow(RowEntry iEntry, const RowDigest& iDigest);
  /// The digest of a row, as AddRow received it.
  RowDigest DigestOf(std::size_t iRow) const;
  RowKey KeyOf(std::size_t iRow) const;
  /// The keys of the rows, for MatchRows, made as they are asked for.
  struct Keys {
    const DiffSideRecord& side;
    std::size_t size() const { return side.rows.size(); }
    RowKey operator[](std::size_t iRow) const { return side.KeyOf(iRow); }
  };
  /// The row's header as far as the entry keeps it (ordinal and uuid).
  RowHeader HeaderOf(std::size_t iRow) const;
};

/// Reads one dump from ioSource (which notes where rows lie), keeping what the comparison
/// needs.
DiffSideRecord ReadDiffSide(const std::string& iName, LocatingSource& ioSource,
                            const ReadOptions& iOptions);

/// Reads the DMT row iRow again and checks that it reads as it did the first time.
bool ReadRowAgain(const DiffSideRecord& iSide, const LocatingSource& iSource, std::size_t iRow,
                  const ReadOptions& iOptions, DmtRow* oRow, std::string* oTrouble);

}  // namespace zyn::reader
