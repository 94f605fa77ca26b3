// The lines of an input cut at each line end, whatever the reads hand over and wherever the
// block and the window of line ends searched at once end; the line moved past kept intact while
// the next one is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "parse/LineSource.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;

/// The lines of iText as a reader should see them: cut at each "\n", the last one kept when
/// bytes follow the last line end.
std::vector<std::string> Expected(const std::string& iText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = iText.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(iText.substr(start, end - start));
  if (start < iText.size()) lines.push_back(iText.substr(start));
  return lines;
}

/// Inputs with every hard case: none, no line end, CRLF, NULs, lines longer than a window of
/// line ends and than a small block, many short lines.
std::vector<std::string> HardTexts() {
  const std::string longLine(5000, 'x');
  std::string manyShort;
  for (int i = 0; i < 3000; ++i) manyShort += std::to_string(i) + (i % 7 ? "\n" : "\n\n");
  return {
      "",
      "\n",
      "one line without an end",
      "a\r\nCRLF\r\nlines\r\n",
      std::string("NUL\0bytes\0\n\0\n", 14),
      longLine + "\n" + longLine,
      "short\n" + longLine + "\nshort\n",
      manyShort,
      manyShort + "no end",
  };
}

TEST(LineSource, CutsEveryLineWhereverItsReadsBlocksAndWindowsEnd) {
  for (const std::string& text : HardTexts()) {
    const std::vector<std::string> expected = Expected(text);
    for (const std::size_t block : {64, 100, 4096, 1 << 20}) {
      for (const std::size_t largest : {1, 7, 97, 1 << 20}) {
        MemorySource source(text, {largest, true});
        LineSource lines(source, block);
        std::vector<std::string> read;
        for (const Line* line = lines.Peek(); line; line = lines.Peek()) {
          // The line moved past stays as it was while the next one is current.
          if (!read.empty()) {
            ASSERT_EQ(lines.Taken(), read.back()) << "line " << line->number;
          }
          EXPECT_EQ(line->number, read.size() + 1);
          EXPECT_EQ(line->ended, read.size() + 1 < expected.size() || text.back() == '\n');
          read.emplace_back(line->text);
          lines.Advance();
        }
        EXPECT_EQ(read, expected) << "block " << block << ", reads up to " << largest;
        EXPECT_EQ(lines.BytesRead(), text.size());
      }
    }
  }
}

TEST(LineSource, TheNextLineIsTheSameWhateverTheReadsHandOver) {
  for (const std::string& text : HardTexts()) {
    const std::vector<std::string> expected = Expected(text);
    const bool lastEnded = !text.empty() && text.back() == '\n';
    for (const std::size_t block : {64, 4096}) {
      for (const std::size_t largest : {1, 7, 97, 1 << 20}) {
        MemorySource source(text, {largest, true});
        LineSource lines(source, block);
        std::size_t index = 0;
        for (const Line* line = lines.Peek(); line; line = lines.Peek(), ++index) {
          const std::string current(line->text), taken(lines.Taken());
          const std::optional<std::string_view> next = lines.NextLine();
          // The line after, once its line end is read; none after the last one ended.
          const bool whole =
              index + 2 < expected.size() || (index + 2 == expected.size() && lastEnded);
          ASSERT_EQ(next.has_value(), whole) << "line " << index + 1 << ", block " << block;
          if (next) {
            EXPECT_EQ(*next, expected[index + 1]);
          }
          // Nothing handed out moves.
          ASSERT_EQ(line->text, current);
          ASSERT_EQ(lines.Taken(), taken);
          lines.Advance();
        }
        EXPECT_EQ(index, expected.size()) << "block " << block << ", reads up to " << largest;
        EXPECT_EQ(lines.BytesRead(), text.size());
      }
    }
  }
}

}  // namespace
}  // namespace zyn_test
