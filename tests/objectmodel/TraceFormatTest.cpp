// The trace tool's formatter gives vsnprintf's text for the conversions it handles, and hands
// every other format back.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "host/mapping/ZynTraceFormat.h"

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

std::string Printed(const char* iFormat, ...) __attribute__((format(printf, 1, 2)));
std::string Printed(const char* iFormat, ...) {
  char text[512];
  va_list values;
  va_start(values, iFormat);
  std::vsnprintf(text, sizeof text, iFormat, values);
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
  EXPECT_EQ(Formatted(0, ""), "<fallback>");
}

}  // namespace
