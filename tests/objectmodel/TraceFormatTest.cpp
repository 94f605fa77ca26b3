// The trace tool's formatter gives vsnprintf's text for the conversions it handles, and hands
// every other format back; the trace tool, writing into the room its output lends, gives
// vsnprintf's text for every format, in the order written.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/mapping/ZynTraceFormat.h"
#include "support/RunTogether.h"
#include "zyn/ZynCallLog.h"
#include "zyn/ZynContract.h"
#include "zyn/ZynMappingInfra.h"

namespace {

/// The formatter's answer: its text, or "<fallback>" when it handed the format back.
std::string Formatted(std::size_t iSize, const char* iFormat, ...) {
  std::string text(iSize, '\x7f');
  va_list values;
  va_start(values, iFormat);
  const int length = zyn::trace::FormatCommonConversions(text.data(), iSize, iFormat, values);
  va_end(values);
  if (length < 0) return "<fallback>";
  EXPECT_EQ(text[static_cast<std::size_t>(length)], '\0');
  return text.substr(0, static_cast<std::size_t>(length));
}

/// vsnprintf's text; empty when it fails (a lone '%' at the end, say), as the trace tool writes.
std::string Printed(const char* iFormat, ...) __attribute__((format(printf, 1, 2)));
std::string Printed(const char* iFormat, ...) {
  va_list values, again;
  va_start(values, iFormat);
  va_copy(again, values);
  const int length = std::vsnprintf(nullptr, 0, iFormat, values);
  std::string text(static_cast<std::size_t>(length < 0 ? 0 : length), '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, iFormat, again);
  va_end(again);
  va_end(values);
  return text;
}

#define EXPECT_AS_PRINTED(...) EXPECT_EQ(Formatted(512, __VA_ARGS__), Printed(__VA_ARGS__))

TEST(TraceFormat, CommonConversionsGiveThePrintedText) {
  EXPECT_EQ(Formatted(512, ""), "");
  EXPECT_AS_PRINTED("No M1 Components\n");
  EXPECT_AS_PRINTED("%d", 0);
  EXPECT_AS_PRINTED("%d", -1);
  EXPECT_AS_PRINTED("%d", INT_MIN);
  EXPECT_AS_PRINTED("%d", INT_MAX);
  EXPECT_AS_PRINTED("%u", 0u);
  EXPECT_AS_PRINTED("%u", UINT_MAX);
  EXPECT_AS_PRINTED("%s", "");
  EXPECT_AS_PRINTED("%s%s", "", "");
  EXPECT_AS_PRINTED("<RMTElement>  %d --- uuid: ", 12);
  EXPECT_AS_PRINTED(", ModificationState:%d </DMTEltInfo>\n", -7);
  EXPECT_AS_PRINTED("    workspace Uuid : %s,", "0A1B");
  EXPECT_AS_PRINTED("100%% of %d rows: %s%u", 3, "done", 4u);
  EXPECT_AS_PRINTED("%%%%%s%%", "x");
  EXPECT_AS_PRINTED("%d%d%d", INT_MIN, 0, INT_MAX);
  // Exactly room enough, the terminator included.
  EXPECT_EQ(Formatted(12, "%d", INT_MIN), Printed("%d", INT_MIN));
  EXPECT_EQ(Formatted(11, "%u", UINT_MAX), Printed("%u", UINT_MAX));
  EXPECT_EQ(Formatted(8, "[%s]%%", "abcd"), "[abcd]%");
}

// Short texts are copied by moves of several widths: every length around them, as literal text
// and as a value, each byte in its place.
TEST(TraceFormat, TextsOfEveryShortLength) {
  const std::string bytes = "0123456789abcdefghijklmnopqrstuvwxyzABCDEF";
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string text = bytes.substr(0, length);
    EXPECT_EQ(Formatted(512, text.c_str()), text);
    EXPECT_EQ(Formatted(512, "<%s>", text.c_str()), "<" + text + ">");
    EXPECT_EQ(Formatted(length + 1, "%s", text.c_str()), text);
    EXPECT_EQ(Formatted(length + 1, (text + "%%").c_str()), "<fallback>");
  }
}

TEST(TraceFormat, OtherFormatsAreHandedBack) {
  for (const char* format : {"%5d", "%-3s", "%x", "%ld", "%c", "%.2s", "text %", "%p", "%n"})
    EXPECT_EQ(Formatted(512, format, 1), "<fallback>") << format;
  EXPECT_EQ(Formatted(512, "%s", static_cast<const char*>(nullptr)), "<fallback>");
}

TEST(TraceFormat, TextsThatDoNotFitAreHandedBack) {
  EXPECT_EQ(Formatted(5, "abcd"), "abcd");
  EXPECT_EQ(Formatted(5, "abcde"), "<fallback>");
  EXPECT_EQ(Formatted(5, "%d", -123), "-123");
  EXPECT_EQ(Formatted(5, "%d", -1234), "<fallback>");
  EXPECT_EQ(Formatted(5, "a%sd", "bc"), "abcd");
  EXPECT_EQ(Formatted(5, "a%sd", "bcd"), "<fallback>");
  EXPECT_EQ(Formatted(2, "%%"), "%");
  EXPECT_EQ(Formatted(1, "%%"), "<fallback>");
  EXPECT_EQ(Formatted(11, "%d", INT_MIN), "<fallback>");
  EXPECT_EQ(Formatted(10, "%u", UINT_MAX), "<fallback>");
  EXPECT_EQ(Formatted(7, "[%s]%%", "abcd"), "<fallback>");
  EXPECT_EQ(Formatted(0, ""), "<fallback>");
}

// Formats are split once and kept by their address: a text given later at the same address is
// formatted as itself, as is one that comes back; formats too long or with too many pieces to
// be split, and texts that fit only exactly, still give the printed text.
TEST(TraceFormat, KeptFormatsAreTheTextsAtTheirAddress) {
  char format[200];
  const auto use = [&](const char* iText) { return std::strcpy(format, iText); };
  EXPECT_EQ(Formatted(512, use("a%db"), 1), "a1b");
  EXPECT_EQ(Formatted(512, use("x%sy%%"), "T"), "xTy%");
  EXPECT_EQ(Formatted(512, use("%u"), 5u), "5");
  EXPECT_EQ(Formatted(512, use("%x"), 5u), "<fallback>");
  EXPECT_EQ(Formatted(512, use("a%db"), 2), "a2b");
  EXPECT_EQ(Formatted(512, use("a%db!"), 3), "a3b!");
  EXPECT_EQ(Formatted(512, use(""), 3), "");
  const std::string longest(125, 'L'), tooLong(126, 'T');
  EXPECT_EQ(Formatted(512, use((longest + "%d").c_str()), 4), longest + "4");
  EXPECT_EQ(Formatted(512, use((tooLong + "%d").c_str()), 4), tooLong + "4");
  EXPECT_AS_PRINTED(use("%d%u%s%%%d%u%s%%%d%u"), 1, 2u, "3", 4, 5u, "6", 7, 8u);
  EXPECT_AS_PRINTED(use("%d%u%s%%%d%u%s%%%d%u%s"), 1, 2u, "3", 4, 5u, "6", 7, 8u, "9");
  // More formats than are kept, twice over: those not kept are formatted all the same.
  std::vector<std::string> many;
  for (int i = 0; i < 600; ++i) many.push_back("<" + std::to_string(i) + ":%d>");
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 600; ++i)
      EXPECT_EQ(Formatted(512, many[i].c_str(), -i),
                "<" + std::to_string(i) + ":" + std::to_string(-i) + ">");
  const std::string thirty(30, 'x');
  EXPECT_EQ(Formatted(33, "%s|%d", thirty.c_str(), 5), thirty + "|5");
  EXPECT_EQ(Formatted(32, "%s|%d", thirty.c_str(), 5), "<fallback>");
}

/// An output that lends the trace tool a block of iBlock bytes and keeps the text, taking the
/// block's text in before any text handed over, as a file's sink does.
class LendingOutput : public ZynTraceToolOutput {
 public:
  explicit LendingOutput(std::size_t iBlock) : block_(iBlock) {
    TakeBlock();
    ZynDCIMpgTraceTool::SetOutput(this);
  }
  ~LendingOutput() override { ZynDCIMpgTraceTool::SetOutput(nullptr); }
  void OnTraPut(int, const char* iText) override { TakeBlock(), text_ += iText; }
  void OnTraPrint(int, const char*, const char* iText) override { TakeBlock(), text_ += iText; }
  bool OnRoomFull(std::size_t iLength) override {
    TakeBlock();
    return iLength <= block_.size();
  }
  const std::string& Text() { return TakeBlock(), text_; }

 private:
  void TakeBlock() {
    if (room.next) text_.append(block_.data(), static_cast<std::size_t>(room.next - block_.data()));
    room = {block_.data(), block_.data() + block_.size()};
  }
  std::vector<char> block_;
  std::string text_;
};

TEST(TraceFormat, TheToolWritesThePrintedTextIntoLentRoom) {
  const std::string longText(3000, 'z');
  const char* volatile null = nullptr;  // not known to the compiler, which would warn
  const char* volatile loneFormat = "100%";
  for (std::size_t block : {600, 4096}) {
    LendingOutput output(block);
    std::string expected;
#define EXPECT_PRINT(...) \
  (ZynDCIMpgTraceTool::TraPrint(2, __VA_ARGS__), expected += Printed(__VA_ARGS__))
    for (int row = 0; row < 40; ++row) EXPECT_PRINT("row %d: %s %u%%\n", row - 20, "text", 7u);
    EXPECT_PRINT("%d|%d|%u|%s|\n", INT_MIN, INT_MAX, UINT_MAX, "");
    EXPECT_PRINT("%5d|%-3s|%x|%c|%.2s|%+d|%ld|%05u\n", 42, "a", 255u, 'Q', "abc", 7, -9L, 3u);
    EXPECT_PRINT("%s", longText.c_str());
    EXPECT_PRINT("[%s%s]\n", longText.c_str(), "tail");
    EXPECT_PRINT("%s|%d\n", null, 5);
    EXPECT_PRINT(loneFormat, 1);
    char format[16];  // one address, several texts
    EXPECT_PRINT(std::strcpy(format, "<%d>"), 1);
    EXPECT_PRINT(std::strcpy(format, "[%s]"), "two");
    EXPECT_PRINT(std::strcpy(format, "<%d>!"), 3);
#undef EXPECT_PRINT
    ZynDCIMpgTraceTool::TraPut(2, "put\n");
    expected += "put\n";
    EXPECT_EQ(output.Text(), expected) << "a block of " << block;
  }
}

// Texts of every short length are copied whole into lent room; writes into lent room are told
// to the observer and checked against the contract like any other.
TEST(TraceFormat, WritesIntoLentRoomAreWholeObservedAndChecked) {
  LendingOutput output(4096);
  std::string expected;
  const std::string bytes = "0123456789abcdefghijklmnopqrstuvwxyzABCDEF";
  for (std::size_t length = 0; length <= 40; ++length) {
    expected += bytes.substr(0, length) + "|";
    ZynDCIMpgTraceTool::TraPut(2, bytes.substr(0, length).c_str());
    ZynDCIMpgTraceTool::TraPut(2, "|");
  }
  struct Recorder : ZynCallObserver {
    void OnCall(const ZynCall& iCall) override {
      calls += std::string(iCall.operation) + " " + iCall.text + "|";
    }
    std::string calls;
  } recorder;
  ZynCallLog::SetObserver(&recorder);
  ZynDCIMpgTraceTool::TraPut(2, "put\n");
  ZynDCIMpgTraceTool::TraPrint(2, "<%d>\n", 7);
  ZynCallLog::SetObserver(nullptr);
  EXPECT_EQ(recorder.calls, "TraPut put\n|TraPrint <%d>\n|");
  ZynContract::Take();
  ZynDCIMpgTraceTool::TraPut(3, "three\n");
  ZynDCIMpgTraceTool::TraPrint(1, "one %d\n", 1);
  EXPECT_EQ(
      ZynContract::Take(),
      (std::vector<std::string>{"ZynDCIMpgTraceTool::TraPut: expected the level 2 (1 call)",
                                "ZynDCIMpgTraceTool::TraPrint: expected the level 2 (1 call)"}));
  EXPECT_EQ(output.Text(), expected + "put\n<7>\nthree\none 1\n");
}

// Threads that meet the same new formats at once each split and keep them, or use those another
// kept, and all format them alike.
TEST(TraceFormatThreads, FormatsKeptWhileOthersFormatThem) {
  std::vector<std::string> formats;
  for (int i = 0; i < 64; ++i) formats.push_back("[" + std::to_string(i) + " %s %d]");
  std::vector<std::string> texts(4);
  zyn_test::RunTogether(4, [&](int iThread) {
    for (int round = 0; round < 3; ++round)
      for (const std::string& format : formats)
        texts[iThread] += Formatted(512, format.c_str(), "t", 7);
  });
  std::string expected;
  for (int round = 0; round < 3; ++round)
    for (int i = 0; i < 64; ++i) expected += "[" + std::to_string(i) + " t 7]";
  for (const std::string& text : texts) EXPECT_EQ(text, expected);
}

}  // namespace
