// Round trip: tables dumped in both forms and read back must give the table's own answers, and
// the same tree from either form. The tables: every table of the cases (their failing queries
// and withheld interfaces included) and generated tables holding every object type.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ExpectedTree.h"
#include "ReaderSupport.h"
#include "RunSettings.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;
using answers::Normal;

class ReaderRoundTrip : public ModuleTest {
 protected:
  /// Dumps iObject in both forms, reads each back and compares them with the table and with
  /// each other.
  void CheckRoundTrip(zyn::mem::MemObject* iObject, int iLevel, int iMode, int iIndex) {
    const BothForms forms = DumpInBothForms(iObject, iLevel, iMode, iIndex);
    const Tree output = Read(forms.output);
    const Tree trace = Read(forms.trace);
    if (forms.output.empty() && forms.trace.empty()) {
      // A dump that wrote nothing: the reader says that the input is empty.
      for (const Tree* tree : {&output, &trace})
        EXPECT_EQ(tree->Errors(), "0:0: the input is empty: it holds no dump\n");
      return;
    }
    ASSERT_EQ(output.outcome.errors, 0u) << output.Errors() << forms.output;
    ASSERT_EQ(trace.outcome.errors, 0u) << trace.Errors() << forms.trace;
    EXPECT_NE(output.outcome.form, Form::Trace);
    EXPECT_NE(trace.outcome.form, Form::StandardOutput);

    // The same tree from either form, but for what only standard output writes.
    ASSERT_EQ(output.dmtRows.size(), trace.dmtRows.size());
    for (std::size_t i = 0; i < output.dmtRows.size(); ++i)
      EXPECT_EQ(Normal(answers::AsTraceShowsIt(output.dmtRows[i])), Normal(trace.dmtRows[i]));
    ASSERT_EQ(output.components.size(), trace.components.size());
    ASSERT_EQ(output.rmtRows.size(), trace.rmtRows.size());

    for (const Tree* tree : {&output, &trace}) {
      const Form form = tree == &output ? Form::StandardOutput : Form::Trace;
      SCOPED_TRACE(form == Form::Trace ? "trace tool's text" : "standard output");
      CheckAgainstTable(iObject, iLevel, iMode, iIndex, form, *tree);
    }
  }

  void CheckAgainstTable(zyn::mem::MemObject* iObject, int iLevel, int iMode, int iIndex,
                         Form iForm, const Tree& iTree) {
    ZynBaseUnknown* object = iObject->Unknown();
    switch (iObject->GetType()) {
      case zyn::mem::Type::Manager:
        return CheckManager(object, iLevel, iMode, iForm, iTree);
      case zyn::mem::Type::DMTRow:
        ASSERT_EQ(iTree.dmtRows.size(), 1u);
        EXPECT_EQ(Normal(iTree.dmtRows[0]),
                  Normal(answers::ExpectedDmtRow(object, iIndex, iLevel, iForm)));
        return;
      case zyn::mem::Type::RMTRow:
        ASSERT_EQ(iTree.rmtRows.size(), 1u);
        EXPECT_EQ(Normal(iTree.rmtRows[0]),
                  Normal(answers::ExpectedRmtRow(object, iIndex, iLevel, iForm)));
        return;
      case zyn::mem::Type::Environment:
        EXPECT_EQ(iTree.environments.size(), 1u);
        return;
      default:
        break;
    }
    ComponentPlace expected = answers::Place(object, iLevel, iForm);
    if (iForm == Form::Trace) answers::AsTraceShowsIt(&expected);
    ASSERT_EQ(iTree.components.size(), expected.component ? 1u : 0u);
    if (expected.component) {
      EXPECT_EQ(Normal(iTree.components[0]), Normal(*expected.component));
    }
  }

  void CheckManager(ZynBaseUnknown* iManager, int iLevel, int iMode, Form iForm,
                    const Tree& iTree) {
    ZynIDCIMpgManager_var manager(iManager);
    ZynIDCIMpgManagerPrivate_var managerPrivate(manager);
    if (!manager || !managerPrivate) {
      EXPECT_TRUE(iTree.headers.empty());
      return;
    }
    ASSERT_EQ(iTree.headers.size(), 1u);
    ASSERT_EQ(iTree.trailers.size(), 1u);
    const ManagerHeader& header = iTree.headers[0];
    ZynIDCIMpgContext_var context;
    manager->GetContext(context);
    EXPECT_EQ(header.hasContext, static_cast<bool>(context));
    if (context) {
      ZynUnicodeString name;
      context->GetName(name);
      EXPECT_EQ(header.contextName, answers::Text(name));
    }
    EXPECT_EQ(header.plmidCompletionActive, manager->IsPLMIDCompletionActive());
    ZynListValZynIDCIMpgDMTElement_var listed, all;
    manager->GetDMTElements(all);
    if (iMode == 3) {
      managerPrivate->GetDMTElementsToBeSaved(listed);
      EXPECT_EQ(header.listing, Listing::ToBeSaved);
      EXPECT_EQ(header.allRowCount, all.Size());
    }
    const ZynListValZynIDCIMpgDMTElement_var& rows = iMode == 3 ? listed : all;
    EXPECT_EQ(header.announcedRowCount, rows.Size());
    std::size_t read = 0;
    for (int i = 1; iLevel >= 1 && i <= rows.Size(); ++i) {
      if (!ZynIMpgDump_var(rows[i].get())) continue;
      ASSERT_LT(read, iTree.dmtRows.size());
      EXPECT_EQ(Normal(iTree.dmtRows[read++]),
                Normal(answers::ExpectedDmtRow(rows[i].get(), i, iLevel, iForm)))
          << "DMT row " << i;
    }
    EXPECT_EQ(read, iTree.dmtRows.size());
    EXPECT_NE(iTree.trailers[0].listClosingLine, 0u);
    EXPECT_NE(iTree.trailers[0].managerClosingLine, 0u);
  }
};

std::string ReadFile(const std::filesystem::path& iPath) {
  std::ifstream file(iPath, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST_F(ReaderRoundTrip, EveryCaseTableReadsBackInBothForms) {
  int tables = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZYN_CASES_DIR)) {
    const std::filesystem::path path = entry.path() / "table.json";
    zyn::mem::LoadedTable table;
    mpgdump::RunSettings settings;
    std::string error;
    if (!std::filesystem::exists(path) ||
        !mpgdump::LoadTableWithSettings(ReadFile(path), &table, &settings, &error))
      continue;  // the cases of bad tables
    zyn::mem::MemObject* object = table.Find(settings.dumpObject);
    if (!object) continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++tables;
    CheckRoundTrip(object, settings.dumpLevel, settings.dumpMode, settings.dumpIndex);
  }
  EXPECT_GT(tables, 50);
}

TEST_F(ReaderRoundTrip, GeneratedTablesReadBackAtEveryLevelAndMode) {
  zyn::mem::LoadedTable table;
  std::string error;
  ASSERT_TRUE(zyn::mem::GenerateTable(40, 3, &table, &error)) << error;
  zyn::mem::MemObject* manager = table.Find("manager");
  for (int level : {0, 1, 2, 3}) {
    for (int mode : {1, 3}) {
      SCOPED_TRACE("level " + std::to_string(level) + ", mode " + std::to_string(mode));
      CheckRoundTrip(manager, level, mode, 0);
    }
  }
  CheckRoundTrip(table.Find("environment"), 2, 1, 0);
}

/// Pell components whose PLMID texts hold the stamp's labels inside their line, beside stamps
/// that hold them too.
constexpr char kStampLabelsTable[] = R"({"objects": {
  "major": {"type": "ZynDCIMpgPellComponent", "GetCEStamp": "S1",
            "GetPLMID": {"physical": "24", "logical": "L", "major": "Stamp : "}},
  "logical": {"type": "ZynDCIMpgPellComponent", "GetCEStamp": {"result": -2147467259},
              "GetPLMID": {"physical": "", "logical": "No CEStamp ", "major": "x"}},
  "both": {"type": "ZynDCIMpgPellComponent", "GetCEStamp": "Stamp : No CEStamp ",
           "GetPLMID": {"physical": "0a", "logical": "a Stamp : b", "major": "No CEStamp"}}},
  "dump": {"object": "major"}})";

bool LoadStampLabelsTable(zyn::mem::LoadedTable* oTable) {
  mpgdump::RunSettings settings;
  std::string error;
  const bool loaded = mpgdump::LoadTableWithSettings(kStampLabelsTable, oTable, &settings, &error);
  EXPECT_TRUE(loaded) << error;
  return loaded;
}

TEST_F(ReaderRoundTrip, PellStampsReadBesidePlmidTextsHoldingTheirLabels) {
  zyn::mem::LoadedTable table;
  ASSERT_TRUE(LoadStampLabelsTable(&table));
  for (const char* id : {"major", "logical", "both"}) {
    for (int level : {0, 1, 2, 3}) {
      SCOPED_TRACE(std::string(id) + ", level " + std::to_string(level));
      CheckRoundTrip(table.Find(id), level, 1, 0);
    }
  }
}

TEST_F(ReaderRoundTrip, PellHeadingsOfExposedIdentifiersOnStandardOutputReadBack) {
  zyn::mem::LoadedTable table;
  ASSERT_TRUE(LoadStampLabelsTable(&table));
  // The provider trace writes the heading; the mapping trace, a line end before it.
  for (const bool lineEndBefore : {false, true}) {
    ZynTrace::SetActive("ZynMpgProviderComponentTrace", true);
    ZynTrace::SetActive("ZynMpgMappingTrace", lineEndBefore);
    for (const char* id : {"major", "logical", "both"}) {
      for (int level : {0, 1, 2, 3}) {
        zyn::mem::MemObject* object = table.Find(id);
        CapturedStdout output;
        ASSERT_EQ(DumpOf(object, level, 1, 0), S_OK);
        SCOPED_TRACE(std::string(id) + ", level " + std::to_string(level) + ":\n" + output.str());
        const Tree tree = Read(output.str());
        ASSERT_EQ(tree.outcome.errors, 0u) << tree.Errors();
        ASSERT_EQ(tree.components.size(), 1u);
        ComponentPlace expected = answers::Place(object->Unknown(), level, Form::StandardOutput);
        auto& pell = std::get<PellFields>(expected.component->fields);
        pell.exposedIdentifierAnnounced = true;
        EXPECT_EQ(Normal(tree.components[0]), Normal(*expected.component));
        EXPECT_EQ(std::get<PellFields>(tree.components[0].fields).exposedIdentifierOnItsOwnLine,
                  lineEndBefore);
      }
    }
  }
}

}  // namespace
}  // namespace zyn_test
