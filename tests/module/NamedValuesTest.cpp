// Values that a dump prints by the name of their value: the environment's mapping client.
#include "support/Harness.h"

namespace zyn_test {
namespace {

// Every named client value prints its name on either sink; any other value, negative ones
// included, prints the empty text between the two labels.
TEST_F(ModuleTest, EveryMappingClientPrintsItsName) {
  const std::pair<int, const char*> kNames[] = {{0, "ZynDCIMpgClientNone"},
                                                {1, "ZynDCIMpgClientQuell"},
                                                {2, "ZynDCIMpgClientBront"},
                                                {3, "ZynDCIMpgClientStiv"},
                                                {4, "ZynDCIMpgClientMarn"},
                                                {5, "ZynDCIMpgClientOrv"},
                                                {6, ""},
                                                {-1, ""}};
  Table table;
  MemObject* environment = table.Create(Type::Environment);
  for (const auto& [value, name] : kNames) {
    environment->SetInt(Op::GetMappingClient, value);
    for (bool trace : {false, true}) {
      ZynDCIMpgTraceTool::SetValid(trace);
      CapturedStdout out;
      CapturedTrace tool;
      EXPECT_EQ(DumpOf(environment, 1, 1, 0), S_OK);
      const std::string line = std::string(", MappingClient :") + name + ", MappingMaster :";
      EXPECT_NE((trace ? tool.text : out.str()).find(line), std::string::npos)
          << "client " << value << (trace ? " on the trace tool" : " on standard output");
    }
  }
}

}  // namespace
}  // namespace zyn_test
