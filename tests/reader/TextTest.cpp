// The reader's own searches and comparisons over a line's bytes answer as the standard ones do.
#include <gtest/gtest.h>

#include <string>

#include "parse/Text.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;

TEST(Text, FindAndSameBytesAnswerAsTheStandardOnes) {
  const std::string_view texts[] = {"",
                                    " ",
                                    "    workspace Id : 2,    workspace Uuid : ws2,",
                                    "   ,    ,    ,",
                                    "a    b     c",
                                    "Stamp : Stamp : ",
                                    std::string_view("  \0 x\0", 6)};
  const std::string_view needles[] = {"",
                                      " ",
                                      "    ",
                                      ",    ",
                                      "    workspace Uuid : ",
                                      "c",
                                      "Stamp : ",
                                      " c",
                                      "    b ",
                                      std::string_view("\0 x", 3),
                                      "  \0 x\0 more"};
  for (const std::string_view text : texts)
    for (const std::string_view needle : needles)
      for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        EXPECT_EQ(text::Find(text, needle, from), text.find(needle, from))
            << "\"" << text << "\", \"" << needle << "\" from " << from;
        const std::size_t count =
            std::min(text.size() - std::min(from, text.size()), needle.size());
        EXPECT_EQ(text::SameBytes(text.data() + std::min(from, text.size()), needle.data(), count),
                  text.substr(std::min(from, text.size()), count) == needle.substr(0, count));
      }
}

}  // namespace
}  // namespace zyn_test
