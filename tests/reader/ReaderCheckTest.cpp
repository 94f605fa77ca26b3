// Wholeness (cut dumps, closing lines that do not repeat their header, counts that do not
// match, gaps, dumps split between the sinks) and the reader's rule for separators and line
// ends inside values.
#include <algorithm>
#include <random>

#include "ReaderSupport.h"
#include "zyn/reader/Wholeness.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;

/// The findings of a check of iText.
struct Judgement {
  std::vector<Finding> faults, notes;
  bool split = false;

  bool FaultAt(std::uint64_t iLine, std::string_view iWords = {}) const {
    for (const Finding& fault : faults)
      if (fault.line == iLine && fault.message.find(iWords) != std::string::npos) return true;
    return false;
  }
  std::string Faults() const {
    std::string text;
    for (const Finding& fault : faults)
      text += std::to_string(fault.line) + ": " + fault.message + "\n";
    return text;
  }
};

Judgement Judge(const std::string& iText) {
  Judgement judgement;
  WholenessChecker checker([&](const Finding& iFinding) {
    (iFinding.kind == Finding::Kind::Fault ? judgement.faults : judgement.notes)
        .push_back(iFinding);
  });
  MemorySource source(iText);
  ReadOptions options;
  options.lenient = true;
  checker.Finish(ReadDump(source, options, checker));
  judgement.split = checker.SplitBetweenSinks();
  return judgement;
}

std::vector<std::string> Lines(const std::string& iText) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = iText.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(iText.substr(start, end - start));
  return lines;
}

std::string Joined(const std::vector<std::string>& iLines, std::size_t iCount) {
  std::string text;
  for (std::size_t i = 0; i < iCount && i < iLines.size(); ++i) text += iLines[i] + "\n";
  return text;
}

/// The number (from 1) of the first line that starts with iStart, after line iAfter.
std::uint64_t LineStarting(const std::vector<std::string>& iLines, std::string_view iStart,
                           std::size_t iAfter = 0) {
  for (std::size_t i = iAfter; i < iLines.size(); ++i)
    if (iLines[i].compare(0, iStart.size(), iStart) == 0) return i + 1;
  return 0;
}

class ReaderCheck : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    zyn::mem::LoadedTable table;
    std::string error;
    ASSERT_TRUE(zyn::mem::GenerateTable(20, 2, &table, &error)) << error;
    forms_ = DumpInBothForms(table.Find("manager"), 2, 1, 0);
  }
  BothForms forms_;
};

TEST_F(ReaderCheck, WholeDumpsOfEitherFormHaveNoFault) {
  for (const std::string* text : {&forms_.output, &forms_.trace}) {
    const Judgement judgement = Judge(*text);
    EXPECT_TRUE(judgement.faults.empty()) << judgement.Faults();
    EXPECT_FALSE(judgement.split);
  }
}

/// The JSON Lines of a lenient reading of iSource.
std::string JsonLinesOf(ByteSource& iSource) {
  struct Sink : TextSink {
    bool Write(std::string_view iText) override {
      text.append(iText);
      return true;
    }
    std::string text;
  } sink;
  JsonTreeWriter writer(sink, JsonTreeWriter::Layout::Lines, "test");
  ReadOptions options;
  options.lenient = true;
  writer.Finish(ReadDump(iSource, options, writer));
  return sink.text;
}

TEST_F(ReaderCheck, ADumpReadInSmallPiecesGivesTheSameTree) {
  // Whole, with texts holding line ends, and cut.
  std::string joined = forms_.output;
  joined.insert(joined.find(" , DocType : "), "\na name\ngoing on");
  std::string cut = forms_.trace.substr(0, forms_.trace.size() * 2 / 3);
  for (const std::string* text : {&forms_.output, &forms_.trace, &joined, &cut}) {
    MemorySource whole(*text);
    // Reads of 1 to 97 bytes: the reader's buffer moves at nearly every line, under the texts it
    // reads in place.
    MemorySource pieces(*text, {97, true});
    EXPECT_EQ(JsonLinesOf(pieces), JsonLinesOf(whole));
  }
}

/// Everything a lenient reading of iText says, its bytes handed out in reads of iReadSize bytes
/// (0: all at once): the check's faults and notes, then the JSON Lines.
std::string SaidOf(const std::string& iText, std::size_t iReadSize) {
  std::string said;
  WholenessChecker checker([&](const Finding& iFinding) {
    said += std::to_string(iFinding.line) + ": " + iFinding.message + "\n";
  });
  MemorySource pieces(iText, {iReadSize}), piecesAgain(iText, {iReadSize});
  ReadOptions options;
  options.lenient = true;
  checker.Finish(ReadDump(pieces, options, checker));
  return said + JsonLinesOf(piecesAgain);
}

/// The first line where iA and iB differ, in each of them: a short account of a difference.
std::string FirstDifference(const std::string& iA, const std::string& iB) {
  const auto [a, b] = std::mismatch(iA.begin(), iA.end(), iB.begin(), iB.end());
  auto lineAround = [](const std::string& iText, std::string::const_iterator iAt) {
    const std::size_t at = static_cast<std::size_t>(iAt - iText.begin());
    const std::size_t start = at == 0 ? 0 : iText.rfind('\n', at - 1) + 1;
    return iText.substr(start, std::min<std::size_t>(iText.find('\n', at) - start, 300));
  };
  return "\n  " + lineAround(iA, a) + "\n  " + lineAround(iB, b);
}

TEST_F(ReaderCheck, ADamagedDumpSaysTheSameWhateverTheSizesOfTheReads) {
  // Each damage, done at every few lines of either form: a line dropped, two lines swapped, a
  // line written twice, a line cut in the middle (the input ending there).
  using Damage = void (*)(std::vector<std::string>*, std::size_t);
  const std::vector<std::pair<const char*, Damage>> damages = {
      {"dropped", [](auto* ioLines, std::size_t iAt) { ioLines->erase(ioLines->begin() + iAt); }},
      {"swapped",
       [](auto* ioLines, std::size_t iAt) { std::swap((*ioLines)[iAt], (*ioLines)[iAt + 1]); }},
      {"twice", [](auto* ioLines,
                   std::size_t iAt) { ioLines->insert(ioLines->begin() + iAt, (*ioLines)[iAt]); }},
      {"cut",
       [](auto* ioLines, std::size_t iAt) {
         (*ioLines)[iAt].resize((*ioLines)[iAt].size() / 2);
         ioLines->resize(iAt + 1);
       }},
  };
  // Where: every few lines, and just before the first lines that open or close a block, so
  // that a swap puts them one line early.
  const char* const blockLines[] = {"<Non-M1 Component>", "<DUMP of RMTElements>",
                                    "<M1 Components>", "</DMTElement>", "</DUMP of DMTElements>"};
  for (const std::string* text : {&forms_.output, &forms_.trace}) {
    const std::vector<std::string> lines = Lines(*text);
    std::vector<std::size_t> places;
    for (std::size_t at = 0; at + 1 < lines.size(); at += 151) places.push_back(at);
    for (const char* start : blockLines)
      if (const std::uint64_t line = LineStarting(lines, start); line > 1)
        places.push_back(line - 2);
    for (const auto& [what, damage] : damages)
      for (const std::size_t at : places) {
        std::vector<std::string> damaged = lines;
        damage(&damaged, at);
        std::string bytes = Joined(damaged, damaged.size());
        if (std::string(what) == "cut") bytes.pop_back();
        const std::string whole = SaidOf(bytes, 0);
        for (std::size_t size = 1; size <= 6; ++size) {
          const std::string said = SaidOf(bytes, size);
          ASSERT_TRUE(said == whole) << FirstDifference(said, whole) << "\n"
                                     << what << " at line " << at + 1 << ", reads of " << size;
        }
      }
  }
}

TEST_F(ReaderCheck, ADumpCutAtAnyLineIsNotWholeAndTheCutIsNamed) {
  std::mt19937 random(20240318);
  for (const std::string* text : {&forms_.output, &forms_.trace}) {
    const std::vector<std::string> lines = Lines(*text);
    for (int attempt = 0; attempt < 40; ++attempt) {
      const std::size_t kept = 1 + random() % (lines.size() - 1);
      std::string cut = Joined(lines, kept);
      if (attempt % 2) cut.pop_back();  // cut inside the line's end too
      const Judgement judgement = Judge(cut);
      EXPECT_TRUE(judgement.FaultAt(kept)) << "cut after line " << kept << "\n"
                                           << judgement.Faults();
    }
  }
}

TEST_F(ReaderCheck, AClosingLineWithAnotherUuidOrOrdinalIsNamedByItsLine) {
  std::vector<std::string> lines = Lines(forms_.output);
  const std::uint64_t dmtClosing = LineStarting(lines, "</DMTElement>  5 *** uuid: ");
  const std::uint64_t rmtClosing = LineStarting(lines, "</RMTElement>  2 --- uuid: ");
  ASSERT_NE(dmtClosing, 0u);
  ASSERT_NE(rmtClosing, 0u);
  lines[dmtClosing - 1] =
      "</DMTElement>  5 *** uuid: 0123456789abcdef0123456789abcdef ********************";
  lines[rmtClosing - 1].replace(13, 3, "  7");
  const Judgement judgement = Judge(Joined(lines, lines.size()));
  EXPECT_TRUE(judgement.FaultAt(dmtClosing, "uuid")) << judgement.Faults();
  EXPECT_TRUE(judgement.FaultAt(rmtClosing, "ordinal")) << judgement.Faults();
  EXPECT_EQ(judgement.faults.size(), 2u) << judgement.Faults();
}

TEST_F(ReaderCheck, CountsThatDoNotMatchAreFaultsAndGapsAreNotes) {
  std::vector<std::string> lines = Lines(forms_.trace);
  const std::uint64_t count =
      LineStarting(lines, "<DUMP of DMTElements> Number of DMT Elements : ");
  ASSERT_NE(count, 0u);
  lines[count - 1] = "<DUMP of DMTElements> Number of DMT Elements : 19";
  const std::uint64_t lastRow = LineStarting(lines, "<DMTElement>  20 ");
  const std::uint64_t rmtCount =
      LineStarting(lines, "<DUMP of RMTElements>   Number of RMT elements");
  lines[rmtCount - 1] = "<DUMP of RMTElements>   Number of RMT elements : 1 ";
  const std::uint64_t secondRmtRow = LineStarting(lines, "<RMTElement>  2 ");
  Judgement judgement = Judge(Joined(lines, lines.size()));
  EXPECT_TRUE(judgement.FaultAt(lastRow, "beyond the announced count")) << judgement.Faults();
  EXPECT_TRUE(judgement.FaultAt(secondRmtRow, "beyond the announced count")) << judgement.Faults();

  // A row left out keeps the positions of the others: a note, not a fault.
  lines = Lines(forms_.trace);
  const std::uint64_t from = LineStarting(lines, "<DMTElement>  7 ");
  const std::uint64_t to = LineStarting(lines, "</DMTElement>  7 ");
  lines.erase(lines.begin() + static_cast<long>(from - 1), lines.begin() + static_cast<long>(to));
  judgement = Judge(Joined(lines, lines.size()));
  EXPECT_TRUE(judgement.faults.empty()) << judgement.Faults();
  EXPECT_EQ(judgement.notes.size(), 1u);
}

TEST_F(ReaderCheck, LinesOfBothFormsInOneInputAreASplitBetweenTheSinks) {
  std::vector<std::string> lines = Lines(forms_.output);
  const std::uint64_t closing = LineStarting(lines, "</DUMP of RMTElement>");
  lines[closing - 1] = "</DUMP of RMTElements>";  // the trace tool's spelling
  EXPECT_TRUE(Judge(Joined(lines, lines.size())).split);
  // Once the form is borne out, a line of the other form is still seen, far into the dump.
  lines = Lines(forms_.output);
  const std::uint64_t pointed = LineStarting(lines, "  Pointed: ");
  ASSERT_GT(pointed, 0u);
  lines[pointed - 1] = " Pointed:";  // the trace tool's spelling
  EXPECT_TRUE(Judge(Joined(lines, lines.size())).split);
  lines = Lines(forms_.trace);
  const std::uint64_t rmtNonM1 = LineStarting(lines, "<Non-M1 Component>", pointed);
  ASSERT_GT(rmtNonM1, 0u);
  lines[rmtNonM1 - 1] = "Non-M1 Component>";  // standard output's spelling
  EXPECT_TRUE(Judge(Joined(lines, lines.size())).split);
  // A uuid written on its own, away from its line.
  EXPECT_TRUE(Judge("fedcba98765432100123456789abcdef").split);
  EXPECT_TRUE(Judge("<RMTElement>  3 --- uuid:  -------------------  </RMTElement>\n").split);
}

TEST_F(ReaderCheck, LinesOutOfOrderAndAWrongFormAreNoSplitBetweenTheSinks) {
  // A row's state line before its header: its first word is no uuid.
  std::vector<std::string> lines = Lines(forms_.output);
  const std::uint64_t header = LineStarting(lines, "<RMTElement>  1 ");
  std::swap(lines[header - 1], lines[header]);
  Judgement judgement = Judge(Joined(lines, lines.size()));
  EXPECT_FALSE(judgement.split) << judgement.Faults();
  EXPECT_FALSE(judgement.faults.empty());
  // A line that opens a block, one line early: the two lines are out of order.
  lines = Lines(forms_.output);
  const std::uint64_t info = LineStarting(lines, "<DMTEltInfo>");
  std::swap(lines[info - 1], lines[info]);
  judgement = Judge(Joined(lines, lines.size()));
  EXPECT_FALSE(judgement.split);
  EXPECT_TRUE(judgement.FaultAt(info, "lines out of order")) << judgement.Faults();
  // A dump read in the form it is not written in.
  for (const Form form : {Form::Trace, Form::StandardOutput}) {
    const std::string& text = form == Form::Trace ? forms_.output : forms_.trace;
    std::vector<Problem> problems;
    struct : DumpVisitor {
      std::vector<Problem>* problems;
      bool OnProblem(const Problem& iProblem) override {
        problems->push_back(iProblem);
        return true;
      }
    } collector;
    collector.problems = &problems;
    MemorySource source(text);
    ReadOptions options;
    options.form = form;
    ReadDump(source, options, collector);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].wrongForm);
    EXPECT_FALSE(problems[0].splitBetweenSinks);
    EXPECT_EQ(problems[0].message.substr(0, 14), "line 1 is in t");
  }
}

/// A table whose texts hold the dump's own separators and line ends.
constexpr char kTrickyTable[] = R"({
  "objects": {
    "manager": {"type": "ZynDCIMpgManager", "GetContext": "context",
                "IsPLMIDCompletionActive": false, "GetDMTElements": ["row"],
                "GetDMTElementsToBeSaved": []},
    "context": {"type": "ZynDCIMpgContext",
                "GetName": "first\nsecond, Completion of PLMID is active. </MpgManagerInfo>"},
    "row": {"type": "ZynDCIMpgDMTRow", "GetUuid": "00112233445566778899aabbccddeeff",
            "GetNonM1Component": "file", "GetM1Component": "provider",
            "GetRMTElements": ["rmt"]},
    "rmt": {"type": "ZynDCIMpgRMTRow", "GetUuid": "ffeeddccbbaa99887766554433221100",
            "GetOwner": "owner", "GetNonM1Component": "link", "GetM1Components": []},
    "file": {"type": "ZynDCIMpgFileBasedComponent", "GetName": "weird , DocType : Part , Uuid :abc",
             "GetDocType": "", "GetUuid": "11111111222233334444555566667777",
             "GetPathName": "/p\nq", "GetLastSaveName": "n , LastSaveTime :  , LastSavePath : m",
             "GetLastSavePath": "/p", "GetLastSaveTime": null},
    "owner": {"type": "ZynDCIMpgFileBasedComponent", "GetName": "a , DocType : b , Uuid :c\nd",
              "GetDocType": "Part", "GetUuid": "0f0e0d0c0b0a09080706050403020100"},
    "provider": {"type": "ZynDCIMpgProviderComponent", "GetBinaryIdentifier": "01",
                 "GetProviderName": "line1\nline2"},
    "link": {"type": "ZynDCIMpgRMTFileBasedComponent", "GetPX1Id": "0a", "GetAlias": "x",
             "GetTechnoString": "t", "GetLinkSequence": "0a410a", "IsBrokenLink": false,
             "GetObjectType": "o"}
  },
  "dump": {"object": "manager", "level": 2}
})";

TEST_F(ReaderCheck, FixedShapeFieldsAreReadFromTheEndAndLineEndsJoin) {
  zyn::mem::LoadedTable table;
  std::string error;
  ASSERT_TRUE(zyn::mem::LoadTable(kTrickyTable, &table, &error)) << error;
  const BothForms forms = DumpInBothForms(table.Find("manager"), 2, 1, 0);
  for (const std::string* text : {&forms.output, &forms.trace}) {
    const Tree tree = Read(*text);
    ASSERT_EQ(tree.outcome.errors, 0u) << tree.Errors() << *text;
    ASSERT_EQ(tree.dmtRows.size(), 1u);
    // A completion text inside the context name: the line's own ending is matched at its end.
    EXPECT_EQ(tree.headers[0].contextName,
              "first\nsecond, Completion of PLMID is active. </MpgManagerInfo>");
    EXPECT_FALSE(tree.headers[0].plmidCompletionActive);
    // Separators inside the name: the document type and the uuid are read from the end.
    const Component& file = *tree.dmtRows[0].nonM1Component.component;
    const auto& fields = std::get<FileBasedFields>(file.fields);
    EXPECT_EQ(fields.name, "weird , DocType : Part , Uuid :abc");
    EXPECT_EQ(fields.documentType, "");
    EXPECT_EQ(fields.uuid, "11111111222233334444555566667777");
    EXPECT_EQ(fields.details->pathName, "/p\nq");
    // Two free texts on one line, and the time's shape fits twice: the first is taken, and noted.
    EXPECT_EQ(fields.details->lastSaveName, "n");
    EXPECT_EQ(fields.details->lastSavePath, "m , LastSaveTime :  , LastSavePath : /p");
    EXPECT_TRUE(file.reading.ambiguous);
    // A line end inside a name whose first line looks whole: the next line holds the uuid's
    // label again, and is joined.
    const Component& owner = *tree.dmtRows[0].rmtRows[0].owner.component;
    EXPECT_EQ(std::get<FileBasedFields>(owner.fields).name, "a , DocType : b , Uuid :c\nd");
    EXPECT_EQ(std::get<FileBasedFields>(owner.fields).uuid, "0f0e0d0c0b0a09080706050403020100");
    EXPECT_FALSE(owner.reading.ambiguous);
    // A line end inside a name at a line's end: the next line joins it.
    const Component& provider = *tree.dmtRows[0].m1Component.component;
    EXPECT_EQ(std::get<ProviderFields>(provider.fields).providerName, "line1\nline2");
    EXPECT_EQ(provider.reading.joinedLines, 1u);
    // Octets 0x0A in an octet text: their number tells how many lines it takes.
    const auto& link =
        std::get<RmtFileBasedFields>(tree.dmtRows[0].rmtRows[0].nonM1Component.component->fields);
    EXPECT_EQ(link.px1IdValue->text, "\n");
    EXPECT_EQ(link.linkSequenceValue->text, "\nA\n");
  }
}

}  // namespace
}  // namespace zyn_test
