// What the container dumps pass to the dumps nested in them. A recording dump, registered for
// the types inside before the module registers its own classes, stands in for the module's
// dumps of those objects and notes every call, whether or not the module's own would read it.
#include <memory>
#include <string>
#include <vector>

#include "host/objectmodel/ZynObjectModelInternal.h"
#include "support/Harness.h"

namespace zyn_test {
namespace {

/// "type level mode index" for each nested call, in call order.
std::vector<std::string> gCalls;

class RecordingDump final : public ZynIMpgDump {
 public:
  HRESULT Dump(int iLevel, int iMode, int iIndex) override {
    gCalls.push_back(std::string(GetImpl(0)->IsA()) + " " + std::to_string(iLevel) + " " +
                     std::to_string(iMode) + " " + std::to_string(iIndex));
    return S_OK;
  }
};

ZynBaseUnknown* ConstructRecordingDump() { return new RecordingDump; }

class NestedDumpTest : public ::testing::Test {
 protected:
  void TearDown() override {
    table_.reset();
    loader_.Unload();
    ZynFillDictionary::RemoveModuleEntries(&standInTag_);
    ExpectNoContractViolation("during the test");
    gCalls.clear();
    EXPECT_EQ(ZynLiveObjectCount(), liveBefore_) << "host objects left alive";
  }

  /// Has the recording dump answer for the objects of iTypes, then loads the module, whose
  /// classes come after it in the dictionary. iClassName names the stand-in for this test.
  void StandInFor(const char* iClassName, std::initializer_list<Type> iTypes) {
    ZynMetaClass* meta = kvr::internal::fct_RetrieveMetaObject(
        iClassName, DataExtension, ZynIMpgDump::MetaObject(), zyn::mem::TypeName(*iTypes.begin()),
        "Tests", sizeof(RecordingDump));
    for (Type type : iTypes)
      meta->SetExtensionOf(kvr::internal::fct_FindMetaObject(zyn::mem::TypeName(type)));
    classMeta_ = meta;
    {
      zyn_om::ScopedModuleTag tag(&standInTag_);
      ZynFillDictionary::Register(meta, ZynIMpgDump::MetaObject(), &CreateStandIn, nullptr, 1);
    }
    std::string error;
    ASSERT_TRUE(loader_.Load(ModulePath(), kMarker, &error)) << error;
    gCalls.clear();
  }

  /// The calls the module's dump of iObject made on the stand-ins.
  std::vector<std::string> NestedCalls(MemObject* iObject, int iLevel, int iMode, int iIndex) {
    gCalls.clear();
    CapturedStdout out;
    ZynIMpgDump_var dump(iObject->Unknown());
    EXPECT_TRUE(dump);
    if (dump) {
      EXPECT_EQ(dump->Dump(iLevel, iMode, iIndex), S_OK);
    }
    ExpectNoContractViolation("during the dump");
    return gCalls;
  }

  std::unique_ptr<Table> table_ = std::make_unique<Table>();

 private:
  static IUnknown* CreateStandIn(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter) {
    return ToCreateBOA(iExtended, iOuter, classMeta_, IID_ZynIMpgDump, &ConstructRecordingDump);
  }
  static inline ZynMetaClass* classMeta_ = nullptr;

  long liveBefore_ = ZynLiveObjectCount();
  int standInTag_ = 0;
  ZynModuleLoader loader_;
};

// Every DMT element receives the manager's level, the mode 1 and its position, whatever the
// manager's mode; level 0 dumps none.
TEST_F(NestedDumpTest, TheManagerPassesItsLevelModeOneAndEachPosition) {
  StandInFor("ZynTestStandInForDMTRows", {Type::DMTRow});
  MemObject* manager = table_->Create(Type::Manager);
  std::vector<MemObject*> rows;
  for (int i = 0; i < 3; ++i) rows.push_back(table_->Create(Type::DMTRow));
  manager->SetList(Op::GetDMTElements, rows);
  manager->SetList(Op::GetDMTElementsToBeSaved, {rows[2], rows[0]});
  EXPECT_EQ(NestedCalls(manager, 2, 1, 7),
            (std::vector<std::string>{"ZynDCIMpgDMTRow 2 1 1", "ZynDCIMpgDMTRow 2 1 2",
                                      "ZynDCIMpgDMTRow 2 1 3"}));
  EXPECT_EQ(NestedCalls(manager, 3, 3, 0),
            (std::vector<std::string>{"ZynDCIMpgDMTRow 3 1 1", "ZynDCIMpgDMTRow 3 1 2"}));
  EXPECT_EQ(NestedCalls(manager, 0, 1, 0), std::vector<std::string>{});
}

// Both components receive the row's level, mode 1 and no ordinal; each RMT element its
// position, from level 1 on only.
TEST_F(NestedDumpTest, TheDMTRowPassesItsLevelToComponentsAndPositionsToRMTElements) {
  StandInFor("ZynTestStandInForDMTRowContents",
             {Type::OrvComponent, Type::PellComponent, Type::RMTRow});
  MemObject* row = table_->Create(Type::DMTRow);
  row->SetObject(Op::GetNonM1Component, table_->Create(Type::OrvComponent));
  row->SetObject(Op::GetM1Component, table_->Create(Type::PellComponent));
  row->SetList(Op::GetRMTElements, {table_->Create(Type::RMTRow), table_->Create(Type::RMTRow)});
  EXPECT_EQ(NestedCalls(row, 2, 3, 5),
            (std::vector<std::string>{"ZynDCIMpgOrvComponent 2 1 0", "ZynDCIMpgPellComponent 2 1 0",
                                      "ZynDCIMpgRMTRow 2 1 1", "ZynDCIMpgRMTRow 2 1 2"}));
  EXPECT_EQ(
      NestedCalls(row, -1, 1, 0),
      (std::vector<std::string>{"ZynDCIMpgOrvComponent -1 1 0", "ZynDCIMpgPellComponent -1 1 0"}));
}

// The owner, Ref and pointed components are dumped at level 0, the non-M1 and M1 components at
// the row's level; all with mode 1 and no ordinal.
TEST_F(NestedDumpTest, TheRMTRowPassesLevelZeroToRelatedComponentsAndItsLevelToTheOthers) {
  StandInFor("ZynTestStandInForRMTRowContents",
             {Type::DummyComponent, Type::FileBasedComponent, Type::ProviderComponent,
              Type::RMTFileBasedComponent, Type::OrvComponent, Type::PellNonM1Component});
  MemObject* row = table_->Create(Type::RMTRow);
  row->SetObject(Op::GetOwner, table_->Create(Type::DummyComponent));
  row->SetObject(Op::GetRef, table_->Create(Type::FileBasedComponent));
  row->SetObject(Op::GetPointed, table_->Create(Type::ProviderComponent));
  row->SetObject(Op::GetNonM1Component, table_->Create(Type::RMTFileBasedComponent));
  row->SetList(Op::GetM1Components,
               {table_->Create(Type::OrvComponent), table_->Create(Type::PellNonM1Component)});
  EXPECT_EQ(NestedCalls(row, 3, 2, 4),
            (std::vector<std::string>{
                "ZynDCIMpgDummyComponent 0 1 0", "ZynDCIMpgFileBasedComponent 0 1 0",
                "ZynDCIMpgProviderComponent 0 1 0", "ZynDCIMpgRMTFileBasedComponent 3 1 0",
                "ZynDCIMpgOrvComponent 3 1 0", "ZynDCIMpgPellNonM1Component 3 1 0"}));
}

}  // namespace
}  // namespace zyn_test
