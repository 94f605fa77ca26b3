// The module as a host sees it: loading, exports, registration, meta-classes, static
// construction order, and the dump channel's rules.
#include <dlfcn.h>

#include <string>
#include <vector>

#include "support/Harness.h"
#include "support/RunTogether.h"

namespace zyn_test {
namespace {

struct ClassRow {
  const char* className;
  Type type;
};

Type TypeNamed(const char* iName) {
  Type type{};
  EXPECT_TRUE(zyn::mem::ParseType(iName, &type)) << iName;
  return type;
}

// The module's own list, in the registration table's order; a class that extends a second type
// gets a row for each.
std::vector<ClassRow> ModuleClasses() {
  std::vector<ClassRow> rows;
#define ZYN_MPG_DUMP_CLASS(Class, ExtendedType, AlsoExtends) \
  rows.push_back({#Class, TypeNamed(ExtendedType)});         \
  if (const char* also = AlsoExtends) rows.push_back({#Class, TypeNamed(also)});
#include "frame/DumpClasses.def"
#undef ZYN_MPG_DUMP_CLASS
  return rows;
}
const std::vector<ClassRow> kClasses = ModuleClasses();

using CreationFunction = IUnknown* (*)(ZynBaseUnknown*, ZynBaseUnknown*);

std::string CreationName(const char* iClassName) {
  return std::string("CreateBOAZynIMpgDump") + iClassName;
}

TEST_F(ModuleTest, ExportsTheCreationFunctionsAndTheMarker) {
  EXPECT_EQ(loader_.CountRoutines(), 10);
  EXPECT_EQ(kClasses.size(), 11u);
  for (const ClassRow& row : kClasses)
    EXPECT_NE(loader_.Symbol(CreationName(row.className).c_str()), nullptr) << row.className;
  auto marker = reinterpret_cast<int (*)()>(loader_.Symbol(kMarker));
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker(), 1);
  EXPECT_EQ(marker(), 1);
  // Nothing of the module's own is exported under a mangled name.
  EXPECT_EQ(loader_.Symbol("_ZN7zyn_mpg12ModuleObjectEv"), nullptr);
}

TEST_F(ModuleTest, EveryTypeGetsItsClassThroughTheDictionary) {
  Table table;
  for (const ClassRow& row : kClasses) {
    MemObject* object = table.Create(row.type);
    ZynIMpgDump_var dump(object->Unknown());
    ASSERT_TRUE(dump) << row.className;
    EXPECT_STREQ(dump->IsA(), row.className);
    EXPECT_TRUE(dump->IsAKindOf(row.className));
    EXPECT_TRUE(dump->IsAKindOf("ZynIMpgDump"));
    EXPECT_FALSE(
        dump->IsAKindOf(row.type == Type::Manager ? "ZynMpgRMTRowDump" : "ZynMpgManagerDump"));
    EXPECT_EQ(dump->GetImpl(0), object->Unknown());
    // Each request builds a fresh extension of the same class.
    ZynIMpgDump_var again(object->Unknown());
    EXPECT_NE(again.get(), dump.get());
    EXPECT_EQ(again->GetMetaObject(), dump->GetMetaObject());
  }
}

// The types each class extends, written out from the class table rather than taken from the
// module's list: the Pell class alone extends a second type.
TEST_F(ModuleTest, OnlyThePellClassExtendsASecondType) {
  const struct {
    const char* className;
    std::vector<std::string> types;
  } kExtended[] = {
      {"ZynMpgDMTRowDump", {"ZynDCIMpgDMTRow"}},
      {"ZynMpgDummyComponentDump", {"ZynDCIMpgDummyComponent"}},
      {"ZynMpgEnvironmentDump", {"ZynDCIMpgEnvironment"}},
      {"ZynMpgFileBasedComponentDump", {"ZynDCIMpgFileBasedComponent"}},
      {"ZynMpgManagerDump", {"ZynDCIMpgManager"}},
      {"ZynMpgProviderComponentDump", {"ZynDCIMpgProviderComponent"}},
      {"ZynMpgRMTFileBasedComponentDump", {"ZynDCIMpgRMTFileBasedComponent"}},
      {"ZynMpgRMTRowDump", {"ZynDCIMpgRMTRow"}},
      {"ZynMpgOrvComponentDump", {"ZynDCIMpgOrvComponent"}},
      {"ZynMpgPellComponentDump", {"ZynDCIMpgPellComponent", "ZynDCIMpgPellNonM1Component"}},
  };
  for (const auto& row : kExtended) {
    const ZynMetaClass* meta = kvr::internal::fct_FindMetaObject(row.className);
    ASSERT_NE(meta, nullptr) << row.className;
    std::vector<std::string> types;
    for (int i = 0; i < meta->CountExtendedTypes(); ++i)
      types.push_back(meta->GetExtendedType(i)->GetName());
    EXPECT_EQ(types, row.types) << row.className;
  }
}

TEST_F(ModuleTest, UnloadingRemovesTheModulesDictionaryEntries) {
  const int withModule = ZynFillDictionary::CountEntries();
  loader_.Unload();
  EXPECT_EQ(ZynFillDictionary::CountEntries(), withModule - 11);
  Table table;
  EXPECT_FALSE(ZynIMpgDump_var(table.Create(Type::Manager)->Unknown()));
}

TEST_F(ModuleTest, AFailedClassLevelAllocationBuildsNoExtension) {
  Table table;
  MemObject* dummy = table.Create(Type::DummyComponent);
  ZynAllocationFaults::FailAfter(0, 1);
  ZynIMpgDump_var dump(dummy->Unknown());
  ZynAllocationFaults::Clear();
  EXPECT_FALSE(dump);
}

// Racing first uses of every class's creation function, before any registration routine has
// run: each class's meta-class is retrieved exactly once.
TEST(ModuleRawLoadThreads, EightRetrieveEachMetaClassOnce) {
  const long liveBefore = ZynLiveObjectCount();
  void* library = dlopen(ModulePath(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  {
    Table table;
    std::vector<std::pair<CreationFunction, MemObject*>> targets;
    std::vector<int> callsBefore;
    for (const ClassRow& row : kClasses) {
      targets.emplace_back(
          reinterpret_cast<CreationFunction>(dlsym(library, CreationName(row.className).c_str())),
          table.Create(row.type));
      ASSERT_NE(targets.back().first, nullptr);
      callsBefore.push_back(kvr::internal::fct_RetrieveMetaObjectCalls(row.className));
    }
    RunTogether(8, [&](int) {
      for (auto& [create, object] : targets) {
        IUnknown* made = create(object->Unknown(), nullptr);
        if (made) made->Release();
      }
    });
    // The Pell class appears twice in the list but is one class, retrieved once too.
    for (std::size_t i = 0; i < std::size(kClasses); ++i)
      EXPECT_EQ(kvr::internal::fct_RetrieveMetaObjectCalls(kClasses[i].className),
                callsBefore[i] + 1)
          << kClasses[i].className;
    ZynMetaClass* pellNonM1 = kvr::internal::fct_FindMetaObject("ZynDCIMpgPellNonM1Component");
    ZynMetaClass* pell = kvr::internal::fct_FindMetaObject("ZynMpgPellComponentDump");
    ASSERT_NE(pell, nullptr);
    bool extendsNonM1 = false;
    for (int i = 0; i < pell->CountExtendedTypes(); ++i)
      extendsNonM1 |= pell->GetExtendedType(i) == pellNonM1;
    EXPECT_TRUE(extendsNonM1);
  }
  dlclose(library);
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
  ExpectNoContractViolation("while threads built extensions");
}

TEST(ModuleRawLoad, StaticObjectsAreBuiltInOrderAndDestroyedInReverse) {
  const auto& names = zyn_mpg_identity::kTraceNames;
  std::vector<std::string> built{"module+"};
  for (int unit = 0; unit < 3; ++unit)
    for (const char* name : names) built.push_back(std::string("trace+") + name);
  std::string expected;
  for (const std::string& event : built) expected += event + "\n";
  for (auto it = built.rbegin(); it != built.rend(); ++it)
    expected += (it->back() == '+' ? "module-" : "trace-" + it->substr(6)) + "\n";

  ZynLifecycleLog::Take();
  ZynLifecycleLog::Enable(true);
  {
    ZynModuleLoader loader;
    std::string error;
    ASSERT_TRUE(loader.Load(ModulePath(), kMarker, &error)) << error;
    EXPECT_EQ(ZynTrace::CountAlive(), 15);
    // Each unit's set carries the same descriptions, the full-save trace sharing the provider
    // component trace's.
    const std::vector<std::string> set = {
        "ZynMpgFullMappingTrace: Full mapping infrastructure trace",
        "ZynMpgMappingTrace: mapping infrastructure trace",
        "ZynMpgProviderComponentTrace: mapping provider component trace",
        "ZynMpgFullSaveTrace: mapping provider component trace",
        "ZynMpgEnvQueryTrace: mapping environment query trace"};
    std::vector<std::string> sets;
    for (int unit = 0; unit < 3; ++unit) sets.insert(sets.end(), set.begin(), set.end());
    EXPECT_EQ(ZynTrace::DescribeAlive(), sets);
  }
  ZynLifecycleLog::Enable(false);
  EXPECT_EQ(ZynLifecycleLog::Take(), expected);
  EXPECT_EQ(ZynTrace::CountAlive(), 0);
  ExpectNoContractViolation("while the module loaded and unloaded");
}

TEST(ModuleRawLoad, ALibraryWithoutTheMarkerIsRefused) {
  ZynModuleLoader loader;
  std::string error;
  EXPECT_FALSE(loader.Load(ModulePath(), "NO_SUCH_MARKER", &error));
  EXPECT_NE(error.find("NO_SUCH_MARKER"), std::string::npos) << error;
  EXPECT_FALSE(loader.Load("/nonexistent/module.so", kMarker, &error));
  EXPECT_FALSE(loader.IsLoaded());
}

// The channel: the Trace form at level 2 only and nothing on standard output while the trace
// tool is valid; a flush at every standard-output line end; the sink chosen per emission.
TEST_F(ModuleTest, AValidTraceToolTakesEverythingAtLevelTwo) {
  zyn::mem::LoadedTable generated;
  std::string error;
  ASSERT_TRUE(zyn::mem::GenerateTable(6, 2, &generated, &error)) << error;
  CapturedStdout out;
  CapturedTrace trace;
  ZynDCIMpgTraceTool::SetValid(true);
  EXPECT_EQ(DumpOf(generated.Find("manager"), 2, 1, 0), S_OK);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(out.flushes(), 0);
  ASSERT_FALSE(trace.calls.empty());
  for (const std::string& call : trace.calls)
    EXPECT_TRUE(call.rfind("TraPut 2 ", 0) == 0 || call.rfind("TraPrint 2 ", 0) == 0) << call;
}

TEST_F(ModuleTest, EveryStandardOutputLineEndFlushes) {
  zyn::mem::LoadedTable generated;
  std::string error;
  ASSERT_TRUE(zyn::mem::GenerateTable(6, 2, &generated, &error)) << error;
  CapturedStdout out;
  CapturedTrace trace;
  for (int level : {0, 1, 2, 3}) {
    EXPECT_EQ(DumpOf(generated.Find("manager"), level, 1, 0), S_OK);
    EXPECT_EQ(trace.text, "");
  }
  const std::string text = out.str();
  EXPECT_EQ(out.flushes(), std::count(text.begin(), text.end(), '\n'));
}

TEST_F(ModuleTest, TheSinkIsChosenAfreshAtEachEmission) {
  Table table;
  MemObject* dummy = table.Create(Type::DummyComponent);
  ZynDCIMpgTraceTool::SetValidity({true, false, true});
  CapturedStdout out;
  CapturedTrace trace;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(DumpOf(dummy, i, i, i), S_OK);
  EXPECT_EQ(trace.calls, (std::vector<std::string>{"TraPut 2 <Dummy component>\n",
                                                   "TraPut 2 <Dummy component>\n"}));
  EXPECT_EQ(out.str(), "<Dummy component>\n");
  EXPECT_EQ(out.flushes(), 1);
}

// The uuid printer asks the trace tool for itself: a header begun on the trace tool can carry
// its uuid on standard output, and the stars continue on the trace tool.
TEST_F(ModuleTest, TheUuidPrinterChoosesItsOwnSink) {
  Table table;
  MemObject* row = table.Create(Type::DMTRow);
  const std::uint8_t bytes[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                  0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
  row->SetUuid(zyn::mem::Op::GetUuid, ZynUuid(bytes));
  ZynDCIMpgTraceTool::SetValidity({true, false, true});
  CapturedStdout out;
  CapturedTrace trace;
  EXPECT_EQ(DumpOf(row, 0, 1, 3), S_OK);
  EXPECT_EQ(trace.calls, (std::vector<std::string>{
                             "TraPrint 2 <DMTElement>  %d *** uuid:  -> <DMTElement>  3 *** uuid: ",
                             "TraPut 2  ********************", "TraPut 2 </DMTElement>\n"}));
  EXPECT_EQ(out.str(), "0123456789abcdeffedcba9876543210");
  EXPECT_EQ(out.flushes(), 0);
}

// A sequence whose hexadecimal text would not fit a 32-bit count is refused with a notice on
// either sink, and nothing reads past the octets it holds.
TEST_F(ModuleTest, OversizedSequencesAreRefusedWithoutOverflow) {
  Table table;
  MemObject* component = table.Create(Type::RMTFileBasedComponent);
  component->SetOversizedOctets(zyn::mem::Op::GetPX1Id, {0x50, 0x58}, 1 << 30);
  CapturedStdout out;
  CapturedTrace trace;
  EXPECT_EQ(DumpOf(component, 2, 1, 0), S_OK);
  EXPECT_EQ(out.str(),
            "<RMT non-M1 component>\n"
            "   PX1Id HKey: 0\n"
            "   PX1Id Value:\n"
            "Sequence too long to print, octets = 1073741824\n"
            "   Alias:, TechnoString:\n"
            ",empty LinkSequence\n"
            "   Not Broken Link,Object type:\n"
            "</RMT non-M1 component>\n");
  ZynDCIMpgTraceTool::SetValid(true);
  EXPECT_EQ(DumpOf(component, 2, 1, 0), S_OK);
  EXPECT_NE(trace.text.find("   PX1Id Value:\nSequence too long to print, octets = 1073741824\n"
                            "   Alias:"),
            std::string::npos)
      << trace.text;
}

TEST_F(ModuleTest, TheNullHandleErrorEscapesWithNothingLeaked) {
  Table table;
  for (Type type : {Type::OrvComponent, Type::ProviderComponent, Type::PellComponent}) {
    MemObject* component = table.Create(type);
    component->Withhold(zyn::mem::Iface::ZynIDCIMpgComponent);
    ZynTrace::SetActive("ZynMpgProviderComponentTrace", true);
    CapturedStdout out;
    if (type == Type::PellComponent) {
      // The Pell dump needs the component interface from the start: no exposed-identifier step.
      EXPECT_EQ(DumpOf(component, 1, 1, 0), E_FAIL);
    } else {
      EXPECT_THROW(DumpOf(component, 1, 1, 0), ZynNullVarError) << zyn::mem::TypeName(type);
    }
  }
}

}  // namespace
}  // namespace zyn_test
