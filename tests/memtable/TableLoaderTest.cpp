// The in-memory tables: what a table file may say and the faults it is refused for, how objects
// answer from what the file set, withheld interfaces, lists, and generated tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"

namespace {

using zyn::mem::GenerateTable;
using zyn::mem::Iface;
using zyn::mem::LoadedTable;
using zyn::mem::LoadTable;
using zyn::mem::MemObject;
using zyn::mem::Op;
using zyn::mem::Table;
using zyn::mem::Type;

std::string LoadError(const std::string& iText) {
  LoadedTable table;
  std::string error;
  if (LoadTable(iText, &table, &error)) return "(loaded)";
  return error;
}

/// A table file holding the one object iObject under the id "x" (iObject is its members).
std::string OneObject(const std::string& iObject) {
  return R"({"objects": {"x": {)" + iObject + "}}}";
}

struct BadTable {
  std::string text;
  std::string messageStart;
};

const BadTable kBadTables[] = {
    // The shape of the file.
    {"", "line 1, column 1: syntax error"},
    {"{\"objects\": {}}\n}", "line 2, column 1: syntax error"},
    {"{\"objects\":\n {\"a\": }}", "line 2, column 8: syntax error"},
    {"{\"objects\": {\"a\xC3\x28\": {}}}", "line 1, column "},
    {"{\"objects\": {", "line 1, column 14: syntax error"},
    {"{\"objects\": {\"x\": 1e400}}", "line 1, column 23: number overflow"},
    {std::string("{}\0{}", 5), "line 1, column 3: a NUL byte, which no table text holds"},
    // Read to its end without a stack that deep.
    {std::string(100000, '['), "top level: expected an object"},
    {"[]", "top level: expected an object"},
    {"{\"objects\": []}", "objects: expected an object"},
    {"{\"object\": {}}", "object: unknown key"},
    {"{\"dump\": {}, \"dump\": {}}", "dump: duplicate key"},
    {R"({"objects": {"x": 1}})", "objects.x: expected an object"},
    {R"({"objects": {"x": {"type": "ZynDCIMpgContext"}, "x": {"type": "ZynDCIMpgContext"}}})",
     "objects.x: duplicate id"},
    {OneObject(""), "objects.x: missing \"type\""},
    {OneObject(R"("type": 3)"), "objects.x.type: expected a type name"},
    {OneObject(R"("type": "ZynDCIMpgThing")"), "objects.x.type: unknown type \"ZynDCIMpgThing\""},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetFoo": 1)"), "objects.x.GetFoo: unknown key"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": "a", "GetName": "b")"),
     "objects.x.GetName: duplicate key"},
    {OneObject(R"("type": "ZynDCIMpgManager", "GetUuid": "00")"),
     "objects.x.GetUuid: ZynDCIMpgManager offers no GetUuid"},
    // Values of the wrong kind or out of range.
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetUuid": "0123456789abcdef0123456789abcde")"),
     "objects.x.GetUuid: expected 32 hexadecimal digits"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetUuid": "0123456789abcdef0123456789abcdefg")"),
     "objects.x.GetUuid: expected 32 hexadecimal digits"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": 7)"),
     "objects.x.GetName: expected a text"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetModificationState": 2147483648)"),
     "objects.x.GetModificationState: expected a 32-bit integer"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetModificationState": 1.5)"),
     "objects.x.GetModificationState: expected a 32-bit integer"},
    {OneObject(R"("type": "ZynDCIMpgDummyComponent", "GetHashKey": -1)"),
     "objects.x.GetHashKey: expected an integer from 0 to 4294967295"},
    {OneObject(R"("type": "ZynDCIMpgDummyComponent", "GetHashKey": 4294967296)"),
     "objects.x.GetHashKey: expected an integer from 0 to 4294967295"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetAlreadyExists": 1)"),
     "objects.x.GetAlreadyExists: expected true or false"},
    {OneObject(R"("type": "ZynDCIMpgManager", "IsPLMIDCompletionActive": {"result": 0})"),
     "objects.x.IsPLMIDCompletionActive: expected true or false"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetM1ComponentVersion": "ABC")"),
     "objects.x.GetM1ComponentVersion: expected hexadecimal digits in pairs"},
    {OneObject(R"("type": "ZynDCIMpgDMTRow", "GetM1ComponentVersion": {"length": 2147483648})"),
     "objects.x.GetM1ComponentVersion.length: expected a 32-bit integer"},
    {OneObject(R"("type": "ZynDCIMpgRMTFileBasedComponent", "GetPX1Id": "0G")"),
     "objects.x.GetPX1Id: expected hexadecimal digits in pairs"},
    {OneObject(R"("type": "ZynDCIMpgRMTFileBasedComponent",
                  "GetLinkSequence": {"repeat": "0001", "times": 200000000})"),
     "objects.x.GetLinkSequence.times: a sequence of 400000000 octets is longer than the limit "
     "of 268435456"},
    // A binary or sequence that holds less than it reports may only report a length too long
    // to print.
    {OneObject(R"("type": "ZynDCIMpgProviderComponent",
                  "GetBinaryIdentifier": {"length": 1073741823, "held": "AB"})"),
     "objects.x.GetBinaryIdentifier.length: expected an integer from 1073741824 to 2147483647"},
    {OneObject(R"("type": "ZynDCIMpgRMTFileBasedComponent", "GetPX1Id": {"length": 1073741823})"),
     "objects.x.GetPX1Id.length: expected an integer from 1073741824 to 2147483647"},
    {OneObject(
         R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": "2023-02-29T00:00:00Z")"),
     "objects.x.GetLastSaveTime: no such date or time of day"},
    {OneObject(
         R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": "2016-12-31T23:59:60Z")"),
     "objects.x.GetLastSaveTime: no such date or time of day"},
    {OneObject(
         R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": "2023-01-01 00:00:00")"),
     "objects.x.GetLastSaveTime: expected \"YYYY-MM-DDTHH:MM:SSZ\", a whole number of seconds"},
    {OneObject(
         R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": "10000-01-01T00:00:00Z")"),
     "objects.x.GetLastSaveTime: expected \"YYYY-MM-DDTHH:MM:SSZ\", a whole number of seconds"},
    {OneObject(R"("type": "ZynDCIMpgFileBasedComponent",
                  "GetLastSaveTime": "+292277026597-01-01T00:00:00Z")"),
     "objects.x.GetLastSaveTime: a moment beyond what a host time can hold"},
    {OneObject(R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": 9223372036854775808)"),
     "objects.x.GetLastSaveTime: expected a whole number of seconds that fits in 64 bits"},
    {OneObject(R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": 1.5)"),
     "objects.x.GetLastSaveTime: expected a whole number of seconds that fits in 64 bits"},
    {OneObject(R"("type": "ZynDCIMpgPellComponent", "GetPLMID": {"physical": "0A", "other": ""})"),
     "objects.x.GetPLMID.other: unknown key"},
    {OneObject(R"("type": "ZynDCIMpgPellComponent", "GetPLMID": {"major": "a", "major": "b"})"),
     "objects.x.GetPLMID: duplicate key \"major\""},
    {OneObject(R"("type": "ZynDCIMpgPellComponent", "GetCEStamp": 5)"),
     "objects.x.GetCEStamp: expected a text or null"},
    {OneObject(R"("type": "ZynDCIMpgPellComponent", "GetPLMID": "0A")"),
     "objects.x.GetPLMID: expected {\"physical\": hex, \"logical\": text, \"major\": text} or "
     "null"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": {"result": 2147500037})"),
     "objects.x.GetName.result: expected a 32-bit integer"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": {"result": 0, "value": 5})"),
     "objects.x.GetName.value: expected a text"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": {"value": "a"})"),
     "objects.x.GetName: expected \"result\" beside \"value\""},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": {"result": 0, "reason": "a"})"),
     "objects.x.GetName.reason: unknown key"},
    {OneObject(R"("type": "ZynDCIMpgContext", "GetName": )" + std::string(100000, '[') +
               std::string(100000, ']')),
     "objects.x.GetName: nesting deeper than 64 levels"},
    // Withdrawn interfaces.
    {OneObject(R"("type": "ZynDCIMpgContext", "lacks": "ZynIMpgDump")"),
     "objects.x.lacks: expected an array of interface names"},
    {OneObject(R"("type": "ZynDCIMpgContext", "lacks": ["ZynIFoo"])"),
     "objects.x.lacks[0]: unknown interface \"ZynIFoo\""},
    {OneObject(R"("type": "ZynDCIMpgContext", "lacks": ["ZynIMpgDump"])"),
     "objects.x.lacks[0]: ZynDCIMpgContext offers no ZynIMpgDump"},
    // References and lists.
    {OneObject(R"("type": "ZynDCIMpgManager", "GetContext": "nowhere")"),
     "objects.x.GetContext: unknown id \"nowhere\""},
    {OneObject(R"("type": "ZynDCIMpgManager", "GetContext": {"result": 1, "value": "x"})"),
     "objects.x.GetContext.value: \"x\" offers no ZynIDCIMpgContext"},
    {OneObject(R"("type": "ZynDCIMpgManager", "GetDMTElements": [null, 1])"),
     "objects.x.GetDMTElements[1]: expected an id or null"},
    {OneObject(R"("type": "ZynDCIMpgManager", "GetDMTElements": "x")"),
     "objects.x.GetDMTElements: expected an array of ids"},
    {R"({"objects": {"x": {"type": "ZynDCIMpgManager", "GetDMTElements": [null, "r"]},
                     "r": {"type": "ZynDCIMpgDMTRow", "lacks": ["ZynIDCIMpgDMTElement"]}}})",
     "objects.x.GetDMTElements[1]: \"r\" offers no ZynIDCIMpgDMTElement"},
    {R"({"objects": {"x": {"type": "ZynDCIMpgDMTRow", "GetRMTElements": ["d"]},
                     "d": {"type": "ZynDCIMpgDMTRow"}}})",
     "objects.x.GetRMTElements[0]: \"d\" offers no ZynIDCIMpgRMTElement"},
    {R"({"objects": {"x": {"type": "ZynDCIMpgRMTRow", "GetOwner": "r"},
                     "r": {"type": "ZynDCIMpgRMTRow"}}})",
     "objects.x.GetOwner: \"r\" offers no ZynIDCIMpgComponent"},
    // The members beside "objects".
    {R"({"$schema": {"$ref": "x"}})", "$schema: expected the address of the table's schema"},
    {R"({"refused_meta_classes": "ZynMpgPellComponentDump"})",
     "refused_meta_classes: expected an array of class names"},
    {R"({"refused_meta_classes": ["ZynMpgPellComponentDump", ""]})",
     "refused_meta_classes[1]: expected a class name"},
    {"{\"dump\": " + std::string(1000, '[') + std::string(1000, ']') + "}",
     "dump: nesting deeper than 64 levels"},
};

TEST(TableLoader, RefusesEveryBadTableNamingThePlace) {
  const long liveBefore = ZynLiveObjectCount();
  for (const BadTable& bad : kBadTables) {
    const std::string error = LoadError(bad.text);
    EXPECT_EQ(error.compare(0, bad.messageStart.size(), bad.messageStart), 0)
        << "table: " << bad.text.substr(0, 200) << "\nmessage: " << error;
  }
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

// Refusals that a schema can say as well: the file also feeds the schema check (schema-check.py).
TEST(TableLoader, RefusesTheTablesTheSchemaRefuses) {
  std::ifstream file(ZYN_REFUSED_TABLES);
  const nlohmann::json refused = nlohmann::json::parse(file);
  ASSERT_FALSE(refused.empty());
  for (const nlohmann::json& entry : refused) {
    const std::string refusal = entry.at("refusal").get<std::string>();
    const std::string error = LoadError(entry.at("table").dump());
    EXPECT_EQ(error.compare(0, refusal.size(), refusal), 0)
        << "table: " << entry.at("table") << "\nmessage: " << error;
  }
}

TEST(TableLoader, LeavesTheTableUntouchedWhenRefusing) {
  LoadedTable table;
  std::string error;
  ASSERT_TRUE(LoadTable(OneObject(R"("type": "ZynDCIMpgContext")"), &table, &error)) << error;
  EXPECT_FALSE(LoadTable(OneObject(R"("type": "ZynDCIMpgThing")"), &table, &error));
  EXPECT_NE(table.Find("x"), nullptr);
}

// A refused meta-class stays refused while the table lives, nested with other refusals, and
// not after; a table refused while loading refuses nothing.
TEST(TableLoader, RefusesMetaClassesWhileTheTableLives) {
  auto retrieve = [] {
    return kvr::internal::fct_RetrieveMetaObject("ZynTestRefusedClass", Implementation, nullptr,
                                                 nullptr, "Tests", 0);
  };
  const std::string text = R"({"refused_meta_classes": ["ZynTestRefusedClass"]})";
  EXPECT_FALSE(LoadTable(text + "x", nullptr, nullptr));
  {
    LoadedTable first, second;
    ASSERT_TRUE(LoadTable(text, &first, nullptr));
    ASSERT_TRUE(LoadTable(text, &second, nullptr));
    EXPECT_EQ(first.table->RefusedMetaClasses(), std::vector<std::string>{"ZynTestRefusedClass"});
    EXPECT_EQ(retrieve(), nullptr);
    first = LoadedTable();
    EXPECT_EQ(retrieve(), nullptr);
  }
  EXPECT_NE(retrieve(), nullptr);
}

// The members kept for the tool come whole, in file order, and are checked as they are read: a
// refusal there is the table's first fault, before anything later in the file.
TEST(TableLoader, KeepsTheToolMembersAndChecksThemInFileOrder) {
  const std::string text = R"({"active_traces": ["a"], "objects": {},
      "dump": {"object": "m", "level": [1, null]}})";
  LoadedTable table;
  std::string error;
  ASSERT_TRUE(LoadTable(text, &table, &error)) << error;
  ASSERT_EQ(table.toolMembers.size(), 2u);
  EXPECT_EQ(table.toolMembers[0].name, "active_traces");
  EXPECT_EQ(table.toolMembers[0].value.items.at(0).text, "a");
  const zyn::mem::TableValue& dump = table.toolMembers[1].value;
  EXPECT_EQ(dump.keys, (std::vector<std::string>{"object", "level"}));
  EXPECT_EQ(dump.Member("object")->text, "m");
  EXPECT_EQ(dump.Member("level")->items.size(), 2u);

  std::vector<std::string> checked;
  const zyn::mem::ToolMemberCheck refuseDump = [&](const zyn::mem::ToolMember& iMember,
                                                   std::string* oMessage) {
    checked.push_back(iMember.name);
    *oMessage = iMember.name + ": refused";
    return iMember.name != "dump";
  };
  EXPECT_FALSE(LoadTable(text + "}", &table, &error, refuseDump));
  EXPECT_EQ(error, "dump: refused");
  EXPECT_EQ(checked, (std::vector<std::string>{"active_traces", "dump"}));
}

/// A loaded table whose objects are queried by id.
class Answers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(LoadTable(kTable, &table_, &error)) << error;
  }
  ZynBaseUnknown* Object(const char* iId) {
    MemObject* object = table_.Find(iId);
    return object ? object->Unknown() : nullptr;
  }

  static constexpr const char* kTable = R"({"objects": {
    "m": {"type": "ZynDCIMpgManager", "GetContext": "c", "IsPLMIDCompletionActive": true,
          "GetDMTElements": ["d", null, "d"], "GetDMTElementsToBeSaved": []},
    "c": {"type": "ZynDCIMpgContext", "GetName": "Ctx \u00e9"},
    "d": {"type": "ZynDCIMpgDMTRow",
          "GetUuid": "0123ABCD-89ab-cdef-FEDC-ba9876543210",
          "GetMappingMaster": 2,
          "GetModificationState": {"result": -2147467259},
          "GetM1ComponentVersion": {"result": 1, "value": "0a0B"},
          "GetM1ComponentMajorID": {"length": 4},
          "GetNonM1ComponentVersion": "",
          "GetNonM1Component": null,
          "GetRMTElements": ["r"]},
    "r": {"type": "ZynDCIMpgRMTRow", "lacks": ["ZynIDCIMpgElementPrivate", "ZynIMpgDump"],
          "GetM1Components": [null, "f", "p"], "GetOwner": {"result": 5, "value": "f"}},
    "f": {"type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": "1970-01-02T00:00:01Z",
          "GetHashKey": 4294967295, "GetComponentType": -3},
    "p": {"type": "ZynDCIMpgPellComponent", "GetPLMID": {}, "GetCEStamp": "stamp 1"},
    "o": {"type": "ZynDCIMpgOrvComponent", "GetModelPLMID": {"physical": "0a1b", "logical": "L"}},
    "t": {"type": "ZynDCIMpgRMTFileBasedComponent", "IsBrokenLink": true,
          "GetPX1Id": {"repeat": "AB01", "times": 3}, "GetLinkSequence": "",
          "lacks": ["ZynIDCIMpgComponent"]},
    "n": {"type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": null},
    "h": {"type": "ZynDCIMpgProviderComponent", "GetBinaryIdentifier": {"length": -3}},
    "q": {"type": "ZynDCIMpgPellComponent", "GetPLMID": null, "GetCEStamp": null}
  },
  "$schema": "../../docs/schemas/table.schema.json"})";

  LoadedTable table_;
};

TEST_F(Answers, ResultAndValueAreSetApart) {
  ZynIDCIMpgDMTElement_var row(Object("d"));
  ASSERT_TRUE(row);
  // Value only: result 0.
  ZynDCIMpgMappingMaster master = ZynDCIMpgMasterNone;
  EXPECT_EQ(row->GetMappingMaster(master), S_OK);
  EXPECT_EQ(master, ZynDCIMpgMasterNonM1);
  // Result only: the out-argument stays as the caller built it.
  int state = 77;
  EXPECT_EQ(row->GetModificationState(state), E_FAIL);
  EXPECT_EQ(state, 77);
  // Both.
  ZynBinary version;
  EXPECT_EQ(row->GetM1ComponentVersion(version), 1);
  ASSERT_EQ(version.getLength(), 2);
  ASSERT_NE(version.getArray(), nullptr);
  EXPECT_EQ(version.getArray()[0], 0x0A);
  EXPECT_EQ(version.getArray()[1], 0x0B);
  // Not given at all: result 0, untouched.
  bool exists = true;
  EXPECT_EQ(row->GetAlreadyExists(exists), S_OK);
  EXPECT_TRUE(exists);
  // A binary that reports bytes it does not give, and an empty one.
  ZynBinary major, empty(reinterpret_cast<const std::uint8_t*>("zz"), 2);
  EXPECT_EQ(row->GetM1ComponentMajorID(major), S_OK);
  EXPECT_EQ(major.getLength(), 4);
  EXPECT_EQ(major.getArray(), nullptr);
  EXPECT_EQ(row->GetNonM1ComponentVersion(empty), S_OK);
  EXPECT_EQ(empty.getLength(), 0);

  ZynIDCIMpgElementPrivate_var element(Object("d"));
  ZynUuid uuid;
  EXPECT_EQ(element->GetUuid(uuid), S_OK);
  char text[ZynUuid::kBufferBytes] = {};
  uuid.UUID_to_chaine(text, 0);
  EXPECT_STREQ(text, "0123abcd89abcdeffedcba9876543210");
}

TEST_F(Answers, ValuesOfEveryKindComeBackAsWritten) {
  ZynIDCIMpgContext_var context(Object("c"));
  ZynUnicodeString name;
  EXPECT_EQ(context->GetName(name), S_OK);
  EXPECT_EQ(name.str(), "Ctx \xC3\xA9");

  ZynIDCIMpgFileComponent_var file(Object("f"));
  ZynTime saved;
  EXPECT_EQ(file->GetLastSaveTime(saved), S_OK);
  EXPECT_EQ(saved.Gettime_t(), 86401);
  ZynTime unset(5);
  EXPECT_EQ(ZynIDCIMpgFileComponent_var(Object("n"))->GetLastSaveTime(unset), S_OK);
  EXPECT_EQ(unset.Gettime_t(), -1);
  unsigned int key = 0;
  EXPECT_EQ(ZynIDCIMpgComponentPrivate_var(Object("f"))->GetHashKey(key), S_OK);
  EXPECT_EQ(key, 4294967295u);
  int type = 0;
  EXPECT_EQ(ZynIDCIMpgComponent_var(Object("f"))->GetComponentType(type), S_OK);
  EXPECT_EQ(type, -3);

  ZynIDCIMpgPellComponent_var pell(Object("p"));
  ZynPLMID id;
  EXPECT_EQ(pell->GetPLMID(id), S_OK);
  EXPECT_FALSE(id.IsNull());  // {} is a set identifier with empty fields
  EXPECT_EQ(id.PhysicalHexa(), "");
  ZynPLMCEStamp stamp = ZynPLMCEStampServices::CreateInvalidCEStamp();
  EXPECT_EQ(pell->GetCEStamp(stamp), S_OK);
  ZynUnicodeString stampText;
  ZynPLMCEStamp::Stream(stamp, stampText);
  EXPECT_TRUE(stamp.IsValid());
  EXPECT_EQ(stampText.str(), "stamp 1");

  ZynPLMID model;
  EXPECT_EQ(ZynIDCIMpgOrvComponent_var(Object("o"))->GetModelPLMID(model), S_OK);
  EXPECT_EQ(model.PhysicalHexa(), "0A1B");
  int workspace = 9;
  EXPECT_EQ(ZynIDCIMpgOrvComponent_var(Object("o"))->GetWorkspaceId(workspace), S_OK);
  EXPECT_EQ(workspace, 9);

  // The null identifier and the invalid stamp, written over set ones.
  ZynIDCIMpgPellComponent_var nulls(Object("q"));
  EXPECT_EQ(nulls->GetPLMID(id), S_OK);
  EXPECT_TRUE(id.IsNull());
  EXPECT_EQ(nulls->GetCEStamp(stamp), S_OK);
  EXPECT_FALSE(stamp.IsValid());
  // A binary that reports a negative count.
  ZynBinary identifier(reinterpret_cast<const std::uint8_t*>("zz"), 2);
  EXPECT_EQ(ZynIDCIMpgProviderComponent_var(Object("h"))->GetBinaryIdentifier(identifier), S_OK);
  EXPECT_EQ(identifier.getLength(), -3);
  EXPECT_EQ(identifier.getArray(), nullptr);

  ZynIDCIMpgRMTFileBasedComponent_var link(Object("t"));
  _SEQUENCE_octet px1;
  EXPECT_EQ(link->GetPX1Id(px1), S_OK);
  ASSERT_EQ(px1.length(), 6);
  EXPECT_EQ(px1[4], 0xAB);
  EXPECT_EQ(px1[5], 0x01);
  _SEQUENCE_octet sequence(&px1[0], 1);
  EXPECT_EQ(link->GetLinkSequence(sequence), S_OK);
  EXPECT_EQ(sequence.length(), 0);
  EXPECT_TRUE(link->IsBrokenLink());
  EXPECT_TRUE(ZynIDCIMpgManager_var(Object("m"))->IsPLMIDCompletionActive());
}

TEST_F(Answers, ReferencesAndListsGiveHandles) {
  ZynIDCIMpgManager_var manager(Object("m"));
  ZynIDCIMpgContext_var context;
  EXPECT_EQ(manager->GetContext(context), S_OK);
  ASSERT_TRUE(context);
  EXPECT_EQ(context->GetImpl(0), Object("c"));

  ZynListValZynIDCIMpgDMTElement_var rows;
  EXPECT_EQ(manager->GetDMTElements(rows), S_OK);
  ASSERT_EQ(rows.Size(), 3);  // null entries count
  EXPECT_TRUE(rows[1]);
  EXPECT_FALSE(rows[2]);
  EXPECT_EQ(rows[3]->GetImpl(0), Object("d"));
  EXPECT_FALSE(rows[4]);
  ZynListValZynIDCIMpgDMTElement_var toBeSaved;
  EXPECT_EQ(ZynIDCIMpgManagerPrivate_var(Object("m"))->GetDMTElementsToBeSaved(toBeSaved), S_OK);
  EXPECT_EQ(toBeSaved.Size(), 0);

  ZynIDCIMpgDMTElement_var row(Object("d"));
  ZynIDCIMpgComponent_var component(Object("f"));
  EXPECT_EQ(row->GetNonM1Component(component), S_OK);
  EXPECT_FALSE(component);  // a null target gives a null handle
  component = ZynIDCIMpgComponent_var(Object("f"));
  EXPECT_EQ(row->GetM1Component(component), S_OK);
  EXPECT_EQ(component->GetImpl(0), Object("f"));  // not given: untouched

  ZynListValZynIDCIMpgRMTElement_var rmt;
  EXPECT_EQ(row->GetRMTElements(rmt), S_OK);
  ASSERT_EQ(rmt.Size(), 1);
  ZynListValZynIDCIMpgComponent_var m1;
  EXPECT_EQ(rmt[1]->GetM1Components(m1), S_OK);
  ASSERT_EQ(m1.Size(), 3);
  EXPECT_FALSE(m1[1]);
  EXPECT_EQ(m1[3]->GetImpl(0), Object("p"));
  ZynIDCIMpgComponent_var owner;
  EXPECT_EQ(rmt[1]->GetOwner(owner), 5);
  EXPECT_EQ(owner->GetImpl(0), Object("f"));
}

TEST_F(Answers, WithheldInterfacesAnswerNull) {
  ZynBaseUnknown* rmt = Object("r");
  void* found = &found;
  EXPECT_EQ(rmt->QueryInterface(IID_ZynIDCIMpgElementPrivate, &found), E_NOINTERFACE);
  EXPECT_EQ(found, nullptr);
  EXPECT_FALSE(ZynIDCIMpgElementPrivate_var(rmt));
  EXPECT_FALSE(ZynIMpgDump_var(rmt));
  EXPECT_TRUE(ZynIDCIMpgRMTElement_var(rmt));
  EXPECT_FALSE(table_.Find("r")->Offers(Iface::ZynIDCIMpgElementPrivate));
  EXPECT_TRUE(table_.Find("r")->Offers(Iface::ZynIDCIMpgRMTElement));
  // Operations of a withdrawn interface are still answered through the ones left.
  ZynBaseUnknown* link = Object("t");
  EXPECT_FALSE(ZynIDCIMpgComponent_var(link));
  EXPECT_TRUE(ZynIDCIMpgRMTFileBasedComponent_var(link));
  EXPECT_EQ(link->QueryInterface("ZynIDCIMpgComponent", &found), E_NOINTERFACE);
  EXPECT_EQ(link->QueryInterface("ZynIDCIMpgRMTFileBasedComponent", &found), S_OK);
  static_cast<ZynBaseUnknown*>(found)->Release();
  // One answer for an unknown interface, as an extension gives it.
  EXPECT_EQ(link->QueryInterface("NoSuchInterface", nullptr), E_NOINTERFACE);
}

// Every moment a host time holds can be given, in either form; -1 is the moment before 1970 and
// reads back as a time that is not set.
TEST(TableLoader, GivesEveryMomentAHostTimeHolds) {
  const std::pair<std::string, std::int64_t> kMoments[] = {
      {R"("1969-12-31T23:59:59Z")", -1},
      {R"("1969-12-31T23:59:58Z")", -2},
      {R"("1970-01-01T00:00:00Z")", 0},
      {R"("0000-03-01T00:00:00Z")", -62162035200},
      {R"("-0001-12-31T23:59:59Z")", -62167219201},
      {R"("+10000-01-01T00:00:00Z")", 253402300800},
      {R"("+292277026596-12-04T15:30:07Z")", INT64_MAX},
      {R"("-292277022657-01-27T08:29:52Z")", INT64_MIN},
      {"-1", -1},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
  };
  for (const auto& [given, seconds] : kMoments) {
    LoadedTable table;
    std::string error;
    ASSERT_TRUE(LoadTable(
        OneObject(R"("type": "ZynDCIMpgFileBasedComponent", "GetLastSaveTime": )" + given), &table,
        &error))
        << given << ": " << error;
    ZynTime time(5);
    EXPECT_EQ(ZynIDCIMpgFileComponent_var(table.Find("x")->Unknown())->GetLastSaveTime(time), S_OK);
    EXPECT_EQ(time.Gettime_t(), seconds) << given;
  }
}

// Each type's class offers exactly the interfaces its type is described with.
TEST(MemObjects, EveryTypeOffersItsInterfacesAndNoOther) {
  const long liveBefore = ZynLiveObjectCount();
  {
    Table table;
    for (int t = 0; t < zyn::mem::kTypeCount; ++t) {
      const Type type = static_cast<Type>(t);
      ZynBaseUnknown* object = table.Create(type)->Unknown();
      EXPECT_STREQ(object->IsA(), zyn::mem::TypeName(type));
      EXPECT_TRUE(object->IsAKindOf(zyn::mem::TypeName(type)));
      EXPECT_EQ(object->GetImpl(0), object);
      for (int i = 1; i < zyn::mem::kIfaceCount; ++i) {
        const Iface iface = static_cast<Iface>(i);
        void* found = nullptr;
        const HRESULT result = object->QueryInterface(zyn::mem::IfaceName(iface), &found);
        EXPECT_EQ(result == S_OK, zyn::mem::TypeOffers(type, iface))
            << zyn::mem::TypeName(type) << " " << zyn::mem::IfaceName(iface);
        if (found) {
          EXPECT_EQ(static_cast<ZynBaseUnknown*>(found)->GetImpl(0), object);
          EXPECT_TRUE(static_cast<ZynBaseUnknown*>(found)->IsEqual(object));
          static_cast<ZynBaseUnknown*>(found)->Release();
        }
      }
    }
    EXPECT_EQ(ZynLiveObjectCount(), liveBefore + zyn::mem::kTypeCount);
  }
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

// A host follows a dump through the requests for the dump extension, and through nothing else.
TEST(MemObjects, TheWatcherIsToldOfEveryDumpRequestAndNothingElse) {
  struct Watcher : zyn::mem::DumpRequestWatcher {
    std::vector<Type> told;
    void OnDumpRequested(Type iType) override { told.push_back(iType); }
  } watcher;
  Table table;
  MemObject* row = table.Create(Type::DMTRow);
  MemObject* withheld = table.Create(Type::RMTRow);
  withheld->Withhold(Iface::ZynIMpgDump);
  table.SetDumpRequestWatcher(&watcher);
  ZynIMpgDump_var(row->Unknown());
  ZynIDCIMpgDMTElement_var(row->Unknown());
  EXPECT_FALSE(ZynIMpgDump_var(withheld->Unknown()));
  table.SetDumpRequestWatcher(nullptr);
  ZynIMpgDump_var(row->Unknown());
  EXPECT_EQ(watcher.told, (std::vector<Type>{Type::DMTRow, Type::RMTRow}));
}

TEST(MemObjects, AnObjectHeldElsewhereOutlivesItsTable) {
  const long liveBefore = ZynLiveObjectCount();
  ZynIDCIMpgContext_var kept;
  {
    Table table;
    kept = ZynIDCIMpgContext_var(table.Create(Type::Context)->Unknown());
  }
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore + 1);
  kept = nullptr;
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

TEST(TableGenerator, BuildsEveryTypeWithinTheMemoryBudget) {
  LoadedTable table;
  std::string error;
  ASSERT_TRUE(GenerateTable(5000, 2, &table, &error)) << error;
  MemObject* manager = table.Find("manager");
  ASSERT_NE(manager, nullptr);
  // Per row: the row, two components, two RMT rows and their five shared components.
  EXPECT_EQ(table.table->CountObjects(), 3u + 5000u * 10u);
  EXPECT_LE(table.table->BytesUsed(), 256u * table.table->CountObjects());

  ZynListValZynIDCIMpgDMTElement_var rows, toBeSaved;
  ZynIDCIMpgManager_var(manager->Unknown())->GetDMTElements(rows);
  ZynIDCIMpgManagerPrivate_var(manager->Unknown())->GetDMTElementsToBeSaved(toBeSaved);
  ASSERT_EQ(rows.Size(), 5000);
  EXPECT_GT(toBeSaved.Size(), 0);
  std::set<std::string> types;
  for (int i = 1; i <= rows.Size(); ++i) {
    types.insert(rows[i]->IsA());
    ZynListValZynIDCIMpgRMTElement_var rmt;
    rows[i]->GetRMTElements(rmt);
    ASSERT_EQ(rmt.Size(), 2);
    for (int j = 1; j <= rmt.Size(); ++j) {
      types.insert(rmt[j]->IsA());
      ZynListValZynIDCIMpgComponent_var m1;
      rmt[j]->GetM1Components(m1);
      EXPECT_EQ(m1.Size(), j);
      for (int k = 1; k <= m1.Size(); ++k) types.insert(m1[k]->IsA());
      ZynIDCIMpgComponent_var owner;
      rmt[j]->GetOwner(owner);
      types.insert(owner->IsA());
    }
    ZynIDCIMpgComponent_var nonM1;
    rows[i]->GetNonM1Component(nonM1);
    types.insert(nonM1->IsA());
  }
  EXPECT_EQ(types.size(), 2u + 7u);  // both rows and every component type

  LoadedTable again;
  ASSERT_TRUE(GenerateTable(5000, 2, &again, &error)) << error;
  EXPECT_EQ(again.table->BytesUsed(), table.table->BytesUsed());
  EXPECT_FALSE(GenerateTable(-1, 2, &again, &error));
}

}  // namespace
