// Matches the rows of two lists: by uuid where the uuid identifies one row in each list, by
// ordinal (or position) for the rows whose uuid is invalid, missing or repeated.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpDiff.h"

namespace zyn::reader {

/// What identifies a row of a list.
struct RowKey {
  std::optional<std::string_view> uuid;  // absent: "invalid element uuid"; empty: none written
  std::optional<std::int32_t> ordinal;
  std::uint64_t position = 0;  // from 1, in the order of the list
};

/// The key of a row from its header; the uuid points into iHeader.
RowKey KeyOf(const RowHeader& iHeader, std::uint64_t iPosition);

inline constexpr std::uint32_t kUnmatched = std::numeric_limits<std::uint32_t>::max();

/// For each row of each list: the index of its partner in the other list (kUnmatched when it
/// has none), and how it was matched.
struct RowMatching {
  std::vector<std::uint32_t> partnerOfA, partnerOfB;
  std::vector<Fallback> fallbackOfA, fallbackOfB;
};

/// Matches the rows of list A with those of list B. A uuid is used when it is valid, not
/// empty, and held by at most one row of each list; every other row falls back and is matched
/// with the row of the other list that fell back too and has the same ordinal (the same
/// position when it has none), the k-th such row with the k-th.
RowMatching MatchRows(const std::vector<RowKey>& iA, const std::vector<RowKey>& iB);

/// The rows of one list that would fall back, and why, looking at that list alone.
std::vector<Fallback> FallbacksWithin(const std::vector<RowKey>& iRows);

}  // namespace zyn::reader
