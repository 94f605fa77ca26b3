// Pieces of JSON text written at a known place without a call per byte: decimal numbers, and
// names of this program's in their quotes, padded to copy as a constant number of bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zyn::reader::json {

/// Writes iValue in decimal at oOut (room for 20 characters), digits in pairs from a table, without
/// the locale; answers the end.
inline char* WriteDecimal(char* oOut, std::int64_t iValue) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::uint64_t value = static_cast<std::uint64_t>(iValue);
  if (iValue < 0) {
    *oOut++ = '-';
    value = 0 - value;
  }
  // The count of digits from the count of bits: 1233 / 4096 is just under log10(2), so the
  // estimate is the count or one less, which one comparison with 10^estimate settles (with 0 in
  // place of 10^0, so that every number of fewer than 4 bits, 0 included, has one digit).
  static constexpr auto kPowers = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = power *= 10;
    return powers;
  }();
  const unsigned bits = 64 - static_cast<unsigned>(__builtin_clzll(value | 1));
  const unsigned estimate = (bits * 1233) >> 12;
  const std::size_t digits = estimate + (value >= kPowers[estimate] ? 1 : 0);
  char* end = oOut + digits;
  char* at = end;
  // Four digits a turn (one division by a constant), then two.
  for (; value >= 10000; value /= 10000) {
    const auto four = static_cast<unsigned>(value % 10000);
    at -= 4;
    std::memcpy(at, kPairs + 2 * (four / 100), 2);
    std::memcpy(at + 2, kPairs + 2 * (four % 100), 2);
  }
  if (value >= 100) {
    at -= 2;
    std::memcpy(at, kPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    std::memcpy(at - 2, kPairs + 2 * value, 2);
  } else {
    at[-1] = static_cast<char>('0' + value);
  }
  return end;
}

/// A name of this program's in its quotes, padded to a fixed size so that it is copied as a
/// constant number of bytes.
struct QuotedName {
  static constexpr std::size_t kRoom = 32;
  char text[kRoom] = {};
  std::size_t size = 0;
};

/// Each of iNames in its quotes.
template <std::size_t Count, class Names>
constexpr std::array<QuotedName, Count> QuoteNames(const Names& iNames) {
  std::array<QuotedName, Count> quoted{};
  for (std::size_t i = 0; i < Count; ++i) {
    const std::string_view name = iNames(i);
    if (name.size() + 2 > QuotedName::kRoom) throw "a name too long for its room";
    quoted[i].text[0] = '"';
    for (std::size_t c = 0; c < name.size(); ++c) quoted[i].text[c + 1] = name[c];
    quoted[i].text[name.size() + 1] = '"';
    quoted[i].size = name.size() + 2;
  }
  return quoted;
}

}  // namespace zyn::reader::json
