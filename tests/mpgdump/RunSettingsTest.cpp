// mpgdump's run settings: what a table file's "dump", "trace_tool" and "active_traces" may say,
// their defaults, and the refusals, which name the place as the loader's do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RunSettings.h"

namespace {

using mpgdump::LoadTableWithSettings;
using mpgdump::RunSettings;
using zyn::mem::LoadedTable;

TEST(RunSettings, ReadsTheSettingsWithTheirDefaults) {
  LoadedTable table;
  RunSettings settings;
  std::string error;
  ASSERT_TRUE(LoadTableWithSettings("{}", &table, &settings, &error)) << error;
  EXPECT_EQ(settings.dumpObject, "");
  EXPECT_EQ(settings.dumpLevel, 1);
  EXPECT_EQ(settings.dumpMode, 1);
  EXPECT_EQ(settings.dumpIndex, 0);
  EXPECT_EQ(settings.validity, std::vector<bool>{false});
  EXPECT_EQ(settings.traceType, 0);
  EXPECT_TRUE(settings.activeTraces.empty());

  // The object to dump may be named before it is described.
  ASSERT_TRUE(LoadTableWithSettings(R"({
      "dump": {"object": "m", "level": 3, "mode": -2, "index": 7},
      "trace_tool": {"valid": [true, false, true], "trace_type": 2},
      "active_traces": ["ZynMpgEnvQueryTrace", "ZynMpgFullSaveTrace"],
      "objects": {"m": {"type": "ZynDCIMpgManager"}}})",
                                    &table, &settings, &error))
      << error;
  EXPECT_EQ(settings.dumpObject, "m");
  EXPECT_EQ(settings.dumpLevel, 3);
  EXPECT_EQ(settings.dumpMode, -2);
  EXPECT_EQ(settings.dumpIndex, 7);
  EXPECT_EQ(settings.validity, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(settings.traceType, 2);
  EXPECT_EQ(settings.activeTraces,
            (std::vector<std::string>{"ZynMpgEnvQueryTrace", "ZynMpgFullSaveTrace"}));
  EXPECT_NE(table.Find("m"), nullptr);
}

struct BadSettings {
  std::string text;
  std::string message;
};

const BadSettings kBadSettings[] = {
    {R"({"dump": []})", "dump: expected an object"},
    {R"({"dump": {"object": 1}})", "dump.object: expected an id"},
    {R"({"dump": {"object": ""}})", "dump.object: an id must not be empty"},
    {R"({"dump": {"level": "1"}})",
     "dump.level: expected a 32-bit integer (the host's int holds -2147483648 to 2147483647)"},
    {R"({"dump": {"index": 2147483648}})",
     "dump.index: expected a 32-bit integer (the host's int holds -2147483648 to 2147483647)"},
    {R"({"dump": {"depth": 1}})", "dump.depth: unknown key"},
    {R"({"dump": {"object": "x"}})", "dump.object: unknown id \"x\""},
    {R"({"dump": {"object": "x"}, "objects": {"x": {"type": "ZynDCIMpgContext"}}})",
     "dump.object: \"x\" offers no ZynIMpgDump"},
    {R"({"dump": {"object": "x"},
         "objects": {"x": {"type": "ZynDCIMpgDMTRow", "lacks": ["ZynIMpgDump"]}}})",
     "dump.object: \"x\" offers no ZynIMpgDump"},
    {R"({"trace_tool": 1})", "trace_tool: expected an object"},
    {R"({"trace_tool": {"valid": []}})",
     "trace_tool.valid: expected true, false or a non-empty array of them"},
    {R"({"trace_tool": {"valid": [true, 1]}})",
     "trace_tool.valid: expected true, false or a non-empty array of them"},
    {R"({"trace_tool": {"trace_type": "2"}})",
     "trace_tool.trace_type: expected a 32-bit integer (the host's int holds -2147483648 to "
     "2147483647)"},
    {R"({"trace_tool": {"level": 2}})", "trace_tool.level: unknown key"},
    {R"({"active_traces": "ZynMpgMappingTrace"})",
     "active_traces: expected an array of trace names"},
    {R"({"active_traces": [1]})", "active_traces[0]: expected a trace name"},
    {R"({"active_traces": ["ZynMpgMappingTrace", "ZynMpgNoTrace"]})",
     "active_traces[1]: unknown trace \"ZynMpgNoTrace\""},
    // A setting is refused where it stands: before a fault later in the file.
    {R"({"dump": {"level": null}, "objects": {"x": {"type": "ZynDCIMpgThing"}}})",
     "dump.level: expected a 32-bit integer (the host's int holds -2147483648 to 2147483647)"},
    {R"({"objects": {"x": {"type": "ZynDCIMpgThing"}}, "dump": {"level": null}})",
     "objects.x.type: unknown type \"ZynDCIMpgThing\""},
};

TEST(RunSettings, RefusesEveryBadSettingNamingThePlace) {
  for (const BadSettings& bad : kBadSettings) {
    LoadedTable table;
    RunSettings settings;
    settings.dumpLevel = 42;
    std::string error;
    EXPECT_FALSE(LoadTableWithSettings(bad.text, &table, &settings, &error)) << bad.text;
    EXPECT_EQ(error, bad.message) << bad.text;
    EXPECT_EQ(settings.dumpLevel, 42) << "a refused table leaves the settings alone";
    EXPECT_EQ(table.table, nullptr) << "a refused table builds nothing";
  }
}

}  // namespace
