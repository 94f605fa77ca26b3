// The key of a row, and the rows of one list that fall back.
#include "compare/RowMatching.h"

namespace zyn::reader {

RowKey KeyOf(const RowHeader& iHeader, std::uint64_t iPosition) {
  RowKey key;
  if (iHeader.uuid) key.uuid = std::string_view(*iHeader.uuid);
  key.ordinal = iHeader.ordinal;
  key.position = iPosition;
  return key;
}

std::vector<Fallback> FallbacksWithin(const std::vector<RowKey>& iRows) {
  // Most lists are short and every uuid in them is usable and distinct: no fallback, told
  // without sorting.
  bool plain = iRows.size() <= 16;
  for (std::size_t i = 0; plain && i < iRows.size(); ++i) {
    plain = detail::HasUsableUuid(iRows[i]);
    for (std::size_t j = 0; plain && j < i; ++j) plain = *iRows[i].uuid != *iRows[j].uuid;
  }
  if (plain) return std::vector<Fallback>(iRows.size(), Fallback::None);
  return MatchRows(iRows, {}).fallbackOfA;
}

}  // namespace zyn::reader
