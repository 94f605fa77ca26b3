// A property over generated tables whose free texts (names, paths, aliases, context names, ...)
// are drawn from the dumps' own separators and tags, line ends, control bytes, markup and
// non-ASCII text: dumped in both forms and read back, every field is the table's wherever the
// reader's rule (docs/mpgtree.md, "Separators and line ends inside values") can decide, and the
// node is marked ambiguous where it cannot.
#include <random>

#include "ExpectedTree.h"
#include "ReaderSupport.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;
using zyn::mem::MemObject;
using zyn::mem::Op;
using zyn::mem::Type;

/// The dumps' own fixed texts: separators, labels, tags and values of fixed shape.
constexpr std::string_view kDumpPieces[] = {" , DocType : ",
                                            " , Uuid :",
                                            " </File Component>",
                                            "<File component>  Name :",
                                            " , LastSaveTime : ",
                                            " , LastSavePath : ",
                                            "                   PathName : ",
                                            "                   LastSaveName : ",
                                            "2024-02-29T12:00:00Z",
                                            "   Alias:",
                                            ", TechnoString:",
                                            "   LinkSequence length:3",
                                            ",empty LinkSequence",
                                            "   Broken Link,Object type:",
                                            "   Provider name:",
                                            "    Exposed Identifier",
                                            "</Provider component>",
                                            ", MappingClient :",
                                            ", MappingMaster :",
                                            "ZynDCIMpgClientOrv",
                                            " Directory :",
                                            "</Environment>",
                                            "<MpgManagerInfo> Context Name= ",
                                            ", Completion of PLMID is active. </MpgManagerInfo>",
                                            "No Completion of PLMIDs. </MpgManagerInfo>",
                                            "    workspace Id : 4,",
                                            "    workspace Uuid : ",
                                            ",    element Id : 7,",
                                            "    element Id : 7",
                                            ",    No element Id ,",
                                            "    element Uuid : ",
                                            "    No element Uuid .",
                                            ".",
                                            " , ",
                                            ",",
                                            "<DMTElement>  1 *** uuid: ",
                                            " ********************",
                                            "</DMTElement>",
                                            "<RMTElement>  --- uuid: ",
                                            "</RMT non-M1 component>",
                                            "</Orv component>",
                                            "<Dummy component>",
                                            "0123456789abcdef0123456789abcdef",
                                            "Stamp : ",
                                            "No CEStamp ",
                                            " </Pell component>",
                                            "Exposed Identifier"};
/// Texts of other kinds: words, blanks, control bytes, markup, printf directives, non-ASCII.
constexpr std::string_view kOtherPieces[] = {"part",
                                             "a b",
                                             " ",
                                             "\t",
                                             "\r",
                                             "\x01",
                                             "\x1b[31m",
                                             "\x7f",
                                             "<b>&amp;</b>",
                                             "<script>x</script>",
                                             "\"'",
                                             "%s%d%n",
                                             "\\",
                                             "\xC3\xA9",
                                             "\xE6\x97\xA5\xE6\x9C\xAC",
                                             "\xF0\x9F\x94\xA7"};

/// Where a table's texts may hold line ends.
enum class LineEnds {
  None,
  AmongOtherTexts,  // with texts of other kinds only: joined lines the rule decides
  Anywhere,         // next to the dump's own texts too: what follows may pass for the dump's
};

class TextDraw {
 public:
  TextDraw(std::uint32_t iSeed, LineEnds iLineEnds) : random_(iSeed), lineEnds_(iLineEnds) {}

  std::string Next() {
    std::string text;
    for (int pieces = Pick(5); pieces > 0; --pieces) {
      const int kind = Pick(lineEnds_ == LineEnds::None ? 2 : 3);
      if (kind == 2)
        text += '\n';
      else if (kind == 0 && lineEnds_ != LineEnds::AmongOtherTexts)
        text += kDumpPieces[Pick(std::size(kDumpPieces))];
      else
        text += kOtherPieces[Pick(std::size(kOtherPieces))];
    }
    return text;
  }
  int Pick(std::size_t iCount) { return static_cast<int>(random_() % iCount); }

 private:
  std::mt19937 random_;
  LineEnds lineEnds_;
};

/// Gives an object of a generated table free texts drawn from iDraw.
void GiveFreeTexts(MemObject& ioObject, TextDraw& iDraw, std::string* oEnvironment) {
  auto set = [&](Op iOp) { ioObject.SetText(iOp, iDraw.Next()); };
  switch (ioObject.GetType()) {
    case Type::Context:
      return set(Op::GetName);
    case Type::Environment:
      for (Op op : {Op::GetName, Op::GetDirectory}) {
        oEnvironment[op == Op::GetName ? 0 : 1] = iDraw.Next();
        ioObject.SetText(op, oEnvironment[op == Op::GetName ? 0 : 1]);
      }
      return;
    case Type::FileBasedComponent: {
      for (Op op : {Op::GetName, Op::GetPathName, Op::GetLastSaveName, Op::GetLastSavePath})
        set(op);
      constexpr std::string_view kTypes[] = {"Part", "", "ZynPart", "Drawing sheet"};
      ioObject.SetText(Op::GetDocType, kTypes[iDraw.Pick(std::size(kTypes))]);
      ioObject.SetTime(Op::GetLastSaveTime, iDraw.Pick(3) == 0 ? -1 : 951825600 + iDraw.Pick(999));
      return;
    }
    case Type::RMTFileBasedComponent:
      for (Op op : {Op::GetAlias, Op::GetTechnoString, Op::GetObjectType}) set(op);
      return;
    case Type::OrvComponent:
      for (Op op : {Op::GetWorkspaceUuid, Op::GetElementUuid}) set(op);
      return;
    case Type::PellComponent:
    case Type::PellNonM1Component:
      return ioObject.SetCEStamp(Op::GetCEStamp, ZynPLMCEStamp(iDraw.Next()));
    case Type::ProviderComponent:
      return set(Op::GetProviderName);
    default:
      return;
  }
}

bool Holds(const std::string& iText, std::string_view iPiece) {
  return iText.find(iPiece) != std::string::npos;
}

/// Where the rule cannot decide: two free texts on one line, and a separator inside them that
/// could stand between them. The reader marks the node ambiguous; the values it cuts there (the
/// two texts and the fixed-shape value between them) are taken as read.
bool TakeUndecided(const Component& iRead, Component* ioExpected) {
  if (auto* file = std::get_if<FileBasedFields>(&ioExpected->fields); file && file->details) {
    FileSaveDetails& details = *file->details;
    if (!Holds(details.lastSaveName, " , LastSaveTime : ") &&
        !Holds(details.lastSavePath, " , LastSaveTime : "))
      return false;
    details = *std::get<FileBasedFields>(iRead.fields).details;
    return true;
  }
  if (auto* link = std::get_if<RmtFileBasedFields>(&ioExpected->fields)) {
    if (!Holds(link->alias, ", TechnoString:") && !Holds(link->technoString, ", TechnoString:"))
      return false;
    const auto& read = std::get<RmtFileBasedFields>(iRead.fields);
    link->alias = read.alias;
    link->technoString = read.technoString;
    return true;
  }
  if (auto* orv = std::get_if<OrvFields>(&ioExpected->fields); orv && orv->identity) {
    OrvIdentity& identity = *orv->identity;
    if (!Holds(identity.workspaceUuid.value_or(""), ",    ") &&
        !Holds(identity.elementUuid.value_or(""), ",    "))
      return false;
    const OrvIdentity& read = *std::get<OrvFields>(iRead.fields).identity;
    identity.workspaceUuid = read.workspaceUuid;
    identity.elementId = read.elementId;
    identity.elementUuid = read.elementUuid;
    return true;
  }
  return false;
}

std::vector<Component*> Components(DmtRow* ioRow) {
  std::vector<Component*> components;
  answers::ForEachComponent(ioRow,
                            [&](Component* iComponent) { components.push_back(iComponent); });
  return components;
}

/// Compares a row read back with the table's; an ambiguous node must be one the rule cannot
/// decide. Counts the nodes left undecided in ioUndecided.
void ExpectRowOfTable(DmtRow iRead, DmtRow iExpected, int* ioUndecided) {
  const std::vector<Component*> read = Components(&iRead), expected = Components(&iExpected);
  ASSERT_EQ(read.size(), expected.size()) << answers::Normal(iRead);
  for (std::size_t i = 0; i < read.size(); ++i) {
    if (!read[i]->reading.ambiguous || read[i]->kind != expected[i]->kind) continue;
    const bool undecided = TakeUndecided(*read[i], expected[i]);
    EXPECT_TRUE(undecided) << "marked ambiguous, though the rule decides: " << ToJson(*read[i]);
    *ioUndecided += undecided;
  }
  EXPECT_EQ(answers::Normal(iRead), answers::Normal(iExpected));
}

class ReaderFreeTexts : public ModuleTest {};

TEST_F(ReaderFreeTexts, FieldsReadBackAsTheTableHasThemWhereverTheRuleDecides) {
  constexpr int kTables = 300;
  int decided = 0, undecided = 0;
  for (int seed = 1; seed <= kTables; ++seed) {
    const LineEnds lineEnds = seed % 8 == 0   ? LineEnds::Anywhere
                              : seed % 4 == 0 ? LineEnds::AmongOtherTexts
                                              : LineEnds::None;
    TextDraw draw(static_cast<std::uint32_t>(seed), lineEnds);
    std::string environment[2];
    zyn::mem::LoadedTable table;
    std::string error;
    ASSERT_TRUE(zyn::mem::GenerateTable(2, 2, &table, &error, [&](MemObject& ioObject) {
      GiveFreeTexts(ioObject, draw, environment);
    })) << error;
    const int level = 1 + seed % 3;
    const BothForms rows = DumpInBothForms(table.Find("manager"), level, 1, 0);
    const BothForms place = DumpInBothForms(table.Find("environment"), 2, 1, 0);
    ZynIDCIMpgManager_var manager(table.Find("manager")->Unknown());
    ZynListValZynIDCIMpgDMTElement_var expectedRows;
    manager->GetDMTElements(expectedRows);
    for (const Form form : {Form::StandardOutput, Form::Trace}) {
      const bool trace = form == Form::Trace;
      SCOPED_TRACE("table " + std::to_string(seed) + ", level " + std::to_string(level) +
                   (trace ? ", trace tool's text" : ", standard output"));
      ReadOptions options;
      options.lenient = lineEnds == LineEnds::Anywhere;
      const Tree tree = Read(trace ? rows.trace : rows.output, options);
      const Tree environmentTree = Read(trace ? place.trace : place.output, options);
      // A line end next to the dump's own texts: the lines after it may pass for the dump's, and
      // no rule can tell. Such a dump is read leniently, to its end.
      if (lineEnds == LineEnds::Anywhere) continue;
      ASSERT_EQ(tree.outcome.errors, 0u) << tree.Errors() << (trace ? rows.trace : rows.output);
      ASSERT_EQ(tree.dmtRows.size(), 2u);
      for (int i = 1; i <= 2; ++i)
        ExpectRowOfTable(tree.dmtRows[i - 1],
                         answers::ExpectedDmtRow(expectedRows[i].get(), i, level, form),
                         &undecided);
      ZynIDCIMpgContext_var context;
      manager->GetContext(context);
      ZynUnicodeString contextName;
      context->GetName(contextName);
      EXPECT_EQ(tree.headers.at(0).contextName, answers::Text(contextName));
      ASSERT_EQ(environmentTree.environments.size(), 1u) << environmentTree.Errors();
      const Environment& read = environmentTree.environments[0];
      EXPECT_EQ(read.name, environment[0]);
      EXPECT_EQ(read.mappingClient, "ZynDCIMpgClientOrv");
      EXPECT_EQ(read.mappingMaster, "M1");
      EXPECT_EQ(read.directory.value_or(""), environment[1]);
      ++decided;
    }
  }
  EXPECT_GT(decided, kTables);  // both forms of most tables
  EXPECT_GT(undecided, 0);      // the draw reaches the lines no rule decides
}

}  // namespace
}  // namespace zyn_test
