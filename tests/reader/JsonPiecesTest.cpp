// The JSON writer's own pieces answer as the standard ones do: decimal numbers as std::to_string
// writes them, and the padded names as the names themselves in quotes.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "json/JsonPieces.h"

namespace zyn_test {
namespace {

using namespace zyn::reader::json;

std::string Decimal(std::int64_t iValue) {
  char digits[24];
  return std::string(digits, WriteDecimal(digits, iValue));
}

TEST(JsonPieces, DecimalsAsTheStandardWritesThem) {
  std::vector<std::int64_t> values = {0, std::numeric_limits<std::int64_t>::min(),
                                      std::numeric_limits<std::int64_t>::max()};
  // Each side of every power of ten, where the count of digits and the turns of four change.
  for (std::int64_t power = 1; power <= std::numeric_limits<std::int64_t>::max() / 10; power *= 10)
    for (std::int64_t near : {power - 1, power, power + 1, 10 * power - 1})
      values.insert(values.end(), {near, -near});
  for (std::int64_t value = -1000; value <= 100000; value += 7) values.push_back(value);
  for (const std::int64_t value : values) EXPECT_EQ(Decimal(value), std::to_string(value));
}

constexpr std::string_view kNames[] = {"", "a", "rmtFileBasedComponent",
                                       "exactly30charactersofnamexxxxx"};

TEST(JsonPieces, NamesInTheirQuotes) {
  constexpr auto quoted = QuoteNames<std::size(kNames)>([](std::size_t i) { return kNames[i]; });
  for (std::size_t i = 0; i < std::size(kNames); ++i)
    EXPECT_EQ(std::string_view(quoted[i].text, quoted[i].size),
              "\"" + std::string(kNames[i]) + "\"");
}

}  // namespace
}  // namespace zyn_test
