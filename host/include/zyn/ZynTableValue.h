// A JSON value of a table file read whole: an operation's answer, or a member kept for the tool.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace zyn::mem {

/// A JSON value as the table loader reads it. Integers that fit 64 bits keep their value; every
/// other number is only a Number, since no table value is fractional or wider.
struct TableValue {
  enum class Shape : std::uint8_t { Null, Bool, Integer, Number, String, Array, Object };
  Shape shape = Shape::Null;
  bool boolean = false;           // for Bool
  std::int64_t integer = 0;       // for Integer
  std::string text;               // for String
  std::vector<TableValue> items;  // array elements, or object member values
  std::vector<std::string> keys;  // object member names, in the order of items (no duplicates)

  /// Empties the value, keeping its buffers for the next one.
  void Clear() {
    shape = Shape::Null;
    text.clear();
    items.clear();
    keys.clear();
  }

  /// The value of the object member iName, or null (also when this is not an object).
  const TableValue* Member(std::string_view iName) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == iName) return &items[i];
    return nullptr;
  }

  /// The value as the host's int: false, leaving oValue alone, unless an integer in its range.
  bool ReadInt32(int* oValue) const {
    if (shape != Shape::Integer || integer < std::numeric_limits<int>::min() ||
        integer > std::numeric_limits<int>::max())
      return false;
    *oValue = static_cast<int>(integer);
    return true;
  }
};

/// What a table file is told when a value that must be the host's int is not one.
inline constexpr std::string_view kExpectedInt32 =
    "expected a 32-bit integer (the host's int holds -2147483648 to 2147483647)";

}  // namespace zyn::mem
