// Row matching by uuid, with the fallback to ordinals: sorting and merging, so that a million
// rows need a few bytes each beyond their keys.
#include "compare/RowMatching.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace zyn::reader {

namespace {

bool HasUsableUuid(const RowKey& iKey) { return iKey.uuid && !iKey.uuid->empty(); }

Fallback OwnFallback(const RowKey& iKey) {
  if (!iKey.uuid) return Fallback::InvalidUuid;
  return iKey.uuid->empty() ? Fallback::NoUuid : Fallback::None;
}

/// The indices of the rows with a usable uuid, sorted by uuid (then by index).
std::vector<std::uint32_t> SortedByUuid(const std::vector<RowKey>& iRows) {
  std::vector<std::uint32_t> indices;
  for (std::uint32_t i = 0; i < iRows.size(); ++i)
    if (HasUsableUuid(iRows[i])) indices.push_back(i);
  std::sort(indices.begin(), indices.end(), [&](std::uint32_t iLeft, std::uint32_t iRight) {
    return std::tie(*iRows[iLeft].uuid, iLeft) < std::tie(*iRows[iRight].uuid, iRight);
  });
  return indices;
}

/// The end of the run of equal uuids that starts at iBegin.
std::size_t RunEnd(const std::vector<RowKey>& iRows, const std::vector<std::uint32_t>& iSorted,
                   std::size_t iBegin) {
  std::size_t end = iBegin + 1;
  while (end < iSorted.size() && *iRows[iSorted[end]].uuid == *iRows[iSorted[iBegin]].uuid) ++end;
  return end;
}

/// The ordinal key of a row that fell back: rows with an ordinal first, by ordinal; then rows
/// without, by position.
std::tuple<bool, std::int64_t> OrdinalKey(const RowKey& iKey) {
  if (iKey.ordinal) return {false, *iKey.ordinal};
  return {true, static_cast<std::int64_t>(iKey.position)};
}

std::vector<std::uint32_t> SortedFallbacks(const std::vector<RowKey>& iRows,
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
void MatchByUuid(const std::vector<RowKey>& iA, const std::vector<RowKey>& iB,
                 RowMatching& ioMatching) {
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
void MatchByOrdinal(const std::vector<RowKey>& iA, const std::vector<RowKey>& iB,
                    RowMatching& ioMatching) {
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

}  // namespace

RowKey KeyOf(const RowHeader& iHeader, std::uint64_t iPosition) {
  RowKey key;
  if (iHeader.uuid) key.uuid = std::string_view(*iHeader.uuid);
  key.ordinal = iHeader.ordinal;
  key.position = iPosition;
  return key;
}

RowMatching MatchRows(const std::vector<RowKey>& iA, const std::vector<RowKey>& iB) {
  RowMatching matching;
  matching.partnerOfA.assign(iA.size(), kUnmatched);
  matching.partnerOfB.assign(iB.size(), kUnmatched);
  matching.fallbackOfA.resize(iA.size());
  matching.fallbackOfB.resize(iB.size());
  std::transform(iA.begin(), iA.end(), matching.fallbackOfA.begin(), OwnFallback);
  std::transform(iB.begin(), iB.end(), matching.fallbackOfB.begin(), OwnFallback);
  MatchByUuid(iA, iB, matching);
  MatchByOrdinal(iA, iB, matching);
  return matching;
}

std::vector<Fallback> FallbacksWithin(const std::vector<RowKey>& iRows) {
  // Most lists are short and every uuid in them is usable and distinct: no fallback, told
  // without sorting.
  bool plain = iRows.size() <= 16;
  for (std::size_t i = 0; plain && i < iRows.size(); ++i) {
    plain = HasUsableUuid(iRows[i]);
    for (std::size_t j = 0; plain && j < i; ++j) plain = *iRows[i].uuid != *iRows[j].uuid;
  }
  if (plain) return std::vector<Fallback>(iRows.size(), Fallback::None);
  return MatchRows(iRows, {}).fallbackOfA;
}

}  // namespace zyn::reader
