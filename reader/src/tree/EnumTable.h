// The entry that a table lists for each value of an enumeration: the one place where the names
// of a small enumeration stand, in the enumerators' order.
#pragma once

#include <cstddef>

namespace zyn::reader {

/// The number of enumerators up to and including iLast, for checking a table's length:
/// `static_assert(std::size(kTable) == EnumCount(Enum::Last))`.
template <typename Enum>
constexpr std::size_t EnumCount(Enum iLast) {
  return static_cast<std::size_t>(iLast) + 1;
}

/// iTable's entry for iValue: iTable lists one entry per enumerator, in their order. A value
/// that names no enumerator takes the first entry.
template <typename Enum, typename Entry, std::size_t N>
constexpr const Entry& EntryFor(const Entry (&iTable)[N], Enum iValue) {
  const auto index = static_cast<std::size_t>(iValue);
  return iTable[index < N ? index : 0];
}

}  // namespace zyn::reader
