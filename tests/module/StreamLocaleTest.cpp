// A host that leaves std::cout in a state of its own (a locale, a width, an exception mask): the
// dumps' standard output honours it, as ordinary insertion into the stream does; in its usual
// state a row's header reaches it in one write.
#include <algorithm>
#include <iomanip>
#include <locale>
#include <string>

#include "support/Harness.h"

namespace zyn_test {
namespace {

/// Digits in groups of three, apart with commas, as hosts in many regions set: the test's own
/// facet, so that no system locale is needed.
struct GroupingPunctuation : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

/// An RMT row whose non-M1 component is an RMT file-based component with the largest hash key.
constexpr char kTable[] = R"({
  "objects": {
    "row": {
      "type": "ZynDCIMpgRMTRow",
      "GetUuid": "0d4c8e2a6b1f49d3a75e9c0b4f8d2e61",
      "GetMigrationState": true,
      "GetAlreadyExists": false,
      "GetModificationState": 1234567,
      "GetNonM1Component": "file"
    },
    "file": {
      "type": "ZynDCIMpgRMTFileBasedComponent",
      "GetPX1Id": "41",
      "GetHashKey": 4294967295,
      "GetAlias": "al",
      "GetTechnoString": "te",
      "IsBrokenLink": false,
      "GetObjectType": "ob"
    }
  }
})";

TEST_F(ModuleTest, CountsOnStandardOutputFollowTheStreamsLocale) {
  zyn::mem::LoadedTable table;
  std::string error;
  ASSERT_TRUE(zyn::mem::LoadTable(kTable, &table, &error)) << error;
  CapturedStdout out;
  const std::locale previous =
      std::cout.imbue(std::locale(std::locale::classic(), new GroupingPunctuation));
  const HRESULT result = DumpOf(table.Find("row"), 2, 1, 1234);
  std::cout.imbue(previous);
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(
      out.str(),
      "<RMTElement>  1,234 --- uuid: 0d4c8e2a6b1f49d3a75e9c0b4f8d2e61 -------------------  \n"
      "Migration State: TRUE, New RMT element, ModificationState:1,234,567\n"
      "Non-M1 Component>\n"
      "<RMT non-M1 component>\n"
      "   PX1Id HKey: 4,294,967,295\n"
      "   PX1Id Value:\n"
      "hexa: 41\n"
      "Unicode: A\n"
      "   Alias:al, TechnoString:te\n"
      ",empty LinkSequence\n"
      "   Not Broken Link,Object type:ob\n"
      "</RMT non-M1 component>\n"
      "/Non-M1 Component>\n"
      "No M1 Components\n"
      "</RMTElement>  1,234 --- uuid: 0d4c8e2a6b1f49d3a75e9c0b4f8d2e61 -------------------\n");
}

// A width the host left on std::cout pads the first piece inserted and is then used up, as
// ordinary insertion does; the host's next insertion sees none.
TEST_F(ModuleTest, AWidthLeftOnStandardOutputPadsTheFirstPieceOnly) {
  Table table;
  MemObject* dummy = table.Create(Type::DummyComponent);
  CapturedStdout out;
  std::cout << std::setw(25) << std::setfill('.');
  EXPECT_EQ(DumpOf(dummy, 0, 0, 0), S_OK);
  EXPECT_EQ(std::cout.width(), 0);
  std::cout << std::setfill(' ');
  EXPECT_EQ(out.str(), "........<Dummy component>\n");
}

/// A capture of standard output that counts the writes reaching it; it has no put area, so
/// that every write reaches it as a call.
class WriteCountingStdout : public std::streambuf {
 public:
  WriteCountingStdout() : previous_(std::cout.rdbuf(this)) {}
  ~WriteCountingStdout() override { std::cout.rdbuf(previous_); }
  const std::string& str() const { return text_; }
  int writes = 0;

 protected:
  std::streamsize xsputn(const char* iText, std::streamsize iCount) override {
    ++writes;
    text_.append(iText, static_cast<std::size_t>(iCount));
    return iCount;
  }
  int_type overflow(int_type iChar) override {
    if (traits_type::eq_int_type(iChar, traits_type::eof())) return traits_type::not_eof(iChar);
    ++writes;
    text_.push_back(traits_type::to_char_type(iChar));
    return iChar;
  }

 private:
  std::streambuf* previous_;
  std::string text_;
};

// Ordinal, uuid, the dashes and the line end: four emissions, one write.
TEST_F(ModuleTest, ARowHeaderReachesStandardOutputInOneWrite) {
  zyn::mem::LoadedTable table;
  std::string error;
  ASSERT_TRUE(zyn::mem::LoadTable(kTable, &table, &error)) << error;
  WriteCountingStdout out;
  EXPECT_EQ(DumpOf(table.Find("row"), 0, 1, 7), S_OK);
  EXPECT_EQ(out.str(),
            "<RMTElement>  7 --- uuid: 0d4c8e2a6b1f49d3a75e9c0b4f8d2e61 -------------------  "
            "</RMTElement>\n");
  EXPECT_EQ(out.writes, 1);
}

// Lines made of several emissions with the host's queries between them (a row's state line,
// a file component's header, a Pell component's line, a row's closing line with its uuid...)
// each reach standard output in one write.
TEST_F(ModuleTest, EachStandardOutputLineReachesItInOneWrite) {
  zyn::mem::LoadedTable generated;
  std::string error;
  ASSERT_TRUE(zyn::mem::GenerateTable(3, 2, &generated, &error)) << error;
  for (int level : {0, 1}) {
    SCOPED_TRACE(level);
    WriteCountingStdout out;
    EXPECT_EQ(DumpOf(generated.Find("manager"), level, 1, 0), S_OK);
    const std::string& text = out.str();
    EXPECT_EQ(out.writes, std::count(text.begin(), text.end(), '\n'));
  }
}

/// A standard output whose every write is refused.
class RefusingStdout : public std::streambuf {
 public:
  RefusingStdout() : previous_(std::cout.rdbuf(this)) {}
  ~RefusingStdout() override { std::cout.rdbuf(previous_); }

 protected:
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
  int_type overflow(int_type) override { return traits_type::eof(); }

 private:
  std::streambuf* previous_;
};

// A host that asked std::cout for exceptions gets the stream's exception out of the dump, as
// from its own insertions; the opening tag of a Pell component ends no line, so its write
// comes at the emission's end.
TEST_F(ModuleTest, TheStreamsExceptionReachesTheCallerOfTheDump) {
  Table table;
  MemObject* pell = table.Create(Type::PellComponent);
  RefusingStdout out;
  std::cout.exceptions(std::ios_base::badbit);
  EXPECT_THROW(DumpOf(pell, 1, 1, 0), std::ios_base::failure);
  std::cout.exceptions(std::ios_base::goodbit);
  EXPECT_EQ(std::cout.rdstate(), std::ios_base::badbit);
  std::cout.clear();
}

}  // namespace
}  // namespace zyn_test
