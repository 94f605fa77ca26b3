// Matches the rows of two lists: by uuid where the uuid identifies one row in each list, by
// ordinal (or position) for the rows whose uuid is invalid, missing or repeated.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <tuple>
#include <utility>
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
///
/// Keys is any list of keys: size(), and operator[] giving a RowKey (a reference or a value), so
/// that a million rows are matched from their compact entries, sorting and merging, with a few
/// bytes each.
template <class Keys>
RowMatching MatchRows(const Keys& iA, const Keys& iB);

/// The rows of one list that would fall back, and why, looking at that list alone.
std::vector<Fallback> FallbacksWithin(const std::vector<RowKey>& iRows);

// ---- How ----

namespace detail {

inline bool HasUsableUuid(const RowKey& iKey) { return iKey.uuid && !iKey.uuid->empty(); }

inline Fallback OwnFallback(const RowKey& iKey) {
  if (!iKey.uuid) return Fallback::InvalidUuid;
  return iKey.uuid->empty() ? Fallback::NoUuid : Fallback::None;
}

/// The indices of the rows with a usable uuid, sorted by uuid (then by index). The uuids are
/// gathered beside their indices while they are sorted, so that each comparison reads them
/// at once.
template <class Keys>
std::vector<std::uint32_t> SortedByUuid(const Keys& iRows) {
  std::size_t usable = 0;
  for (std::uint32_t i = 0; i < iRows.size(); ++i) usable += HasUsableUuid(iRows[i]) ? 1 : 0;
  std::vector<std::pair<std::string_view, std::uint32_t>> uuids;
  uuids.reserve(usable);
  for (std::uint32_t i = 0; i < iRows.size(); ++i) {
    const RowKey key = iRows[i];
    if (HasUsableUuid(key)) uuids.emplace_back(*key.uuid, i);
  }
  std::sort(uuids.begin(), uuids.end());
  std::vector<std::uint32_t> indices(uuids.size());
  for (std::size_t i = 0; i < uuids.size(); ++i) indices[i] = uuids[i].second;
  return indices;
}

/// The end of the run of equal uuids that starts at iBegin.
template <class Keys>
std::size_t RunEnd(const Keys& iRows, const std::vector<std::uint32_t>& iSorted,
                   std::size_t iBegin) {
  std::size_t end = iBegin + 1;
  while (end < iSorted.size() && *iRows[iSorted[end]].uuid == *iRows[iSorted[iBegin]].uuid) ++end;
  return end;
}

/// The ordinal key of a row that fell back: rows with an ordinal first, by ordinal; then rows
/// without, by position.
inline std::tuple<bool, std::int64_t> OrdinalKey(const RowKey& iKey) {
  if (iKey.ordinal) return {false, *iKey.ordinal};
  return {true, static_cast<std::int64_t>(iKey.position)};
}

template <class Keys>
std::vector<std::uint32_t> SortedFallbacks(const Keys& iRows,
                                           const std::vector<Fallback>& iFallbacks) {
  std::vector<std::uint32_t> indices;
  for (std::uint32_t i = 0; i < iRows.size(); ++i)
    if (iFallbacks[i] != Fallback::None) indices.push_back(i);
  std::stable_sort(indices.begin(), indices.end(), [&](std::uint32_t iLeft, std::uint32_t iRight) {
    return OrdinalKey(iRows[iLeft]) < OrdinalKey(iRows[iRight]);
  });
  return indices;
}

/// Pairs the rows of A and B that matched by uuid, marking the repeated ones as fallbacks.
template <class Keys>
void MatchByUuid(const Keys& iA, const Keys& iB, RowMatching& ioMatching) {
  const std::vector<std::uint32_t> a = SortedByUuid(iA), b = SortedByUuid(iB);
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    const bool takeA = i < a.size() && (j == b.size() || *iA[a[i]].uuid <= *iB[b[j]].uuid);
    const bool takeB = j < b.size() && (i == a.size() || *iB[b[j]].uuid <= *iA[a[i]].uuid);
    const std::size_t endA = takeA ? RunEnd(iA, a, i) : i;
    const std::size_t endB = takeB ? RunEnd(iB, b, j) : j;
    if (endA - i > 1 || endB - j > 1) {
      for (std::size_t k = i; k < endA; ++k) ioMatching.fallbackOfA[a[k]] = Fallback::RepeatedUuid;
      for (std::size_t k = j; k < endB; ++k) ioMatching.fallbackOfB[b[k]] = Fallback::RepeatedUuid;
    } else if (endA - i == 1 && endB - j == 1) {
      ioMatching.partnerOfA[a[i]] = b[j];
      ioMatching.partnerOfB[b[j]] = a[i];
    }
    i = endA;
    j = endB;
  }
}

/// Pairs the rows that fell back, by ordinal key, the k-th of A with the k-th of B.
template <class Keys>
void MatchByOrdinal(const Keys& iA, const Keys& iB, RowMatching& ioMatching) {
  const std::vector<std::uint32_t> a = SortedFallbacks(iA, ioMatching.fallbackOfA);
  const std::vector<std::uint32_t> b = SortedFallbacks(iB, ioMatching.fallbackOfB);
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto keyA = OrdinalKey(iA[a[i]]), keyB = OrdinalKey(iB[b[j]]);
    if (keyA < keyB) {
      ++i;
    } else if (keyB < keyA) {
      ++j;
    } else {
      ioMatching.partnerOfA[a[i]] = b[j];
      ioMatching.partnerOfB[b[j]] = a[i];
      ++i, ++j;
    }
  }
}

}  // namespace detail

template <class Keys>
RowMatching MatchRows(const Keys& iA, const Keys& iB) {
  RowMatching matching;
  matching.partnerOfA.assign(iA.size(), kUnmatched);
  matching.partnerOfB.assign(iB.size(), kUnmatched);
  matching.fallbackOfA.resize(iA.size());
  matching.fallbackOfB.resize(iB.size());
  for (std::size_t i = 0; i < iA.size(); ++i) matching.fallbackOfA[i] = detail::OwnFallback(iA[i]);
  for (std::size_t i = 0; i < iB.size(); ++i) matching.fallbackOfB[i] = detail::OwnFallback(iB[i]);
  detail::MatchByUuid(iA, iB, matching);
  detail::MatchByOrdinal(iA, iB, matching);
  return matching;
}

}  // namespace zyn::reader
