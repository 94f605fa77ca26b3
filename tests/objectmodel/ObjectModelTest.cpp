// The host SDK below the dumps: handles, meta-classes, the extension dictionary, the creation
// service, module loading, named traces, the trace tool and the text forms of values.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <vector>

#include "host/objectmodel/ZynObjectModelInternal.h"
#include "support/RunTogether.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynModuleLoader.h"

namespace {

/// An infrastructure object of the type named at construction: it answers the root interfaces
/// itself and every other one through the dictionary, remembering what it was asked.
class FakeObject final : public ZynBaseUnknown {
 public:
  explicit FakeObject(ZynMetaClass* iType) : type_(iType) { ZynLiveObjectCreated(); }
  ~FakeObject() override { ZynLiveObjectDestroyed(); }
  HRESULT QueryInterface(const IID& iIid, void** oOut) override {
    lastAsked = iIid.data1;
    *oOut = nullptr;
    if (iIid == IID_IUnknown || iIid == IID_ZynBaseUnknown) {
      AddRef();
      *oOut = static_cast<ZynBaseUnknown*>(this);
    } else {
      *oOut = ZynFillDictionary::CreateExtension(this, iIid);
    }
    return *oOut ? S_OK : E_NOINTERFACE;
  }
  HRESULT QueryInterface(const char* iName, void** oOut) override {
    return ZynQueryInterfaceByName(*this, iName, oOut);
  }
  std::uint32_t AddRef() override { return references.Add(); }
  std::uint32_t Release() override {
    const std::uint32_t left = references.Drop();
    if (left == 0) delete this;
    return left;
  }
  ZynMetaClass* GetMetaObject() const override { return type_; }
  const char* IsA() const override { return type_->GetName(); }
  int IsAKindOf(const char* iName) const override { return type_->IsAKindOf(iName); }
  ZynBaseUnknown* GetImpl(int) const override { return const_cast<FakeObject*>(this); }
  int IsNull() const override { return 0; }
  int IsEqual(const ZynBaseUnknown* iOther) const override { return iOther == this; }
  HRESULT ChangeComponentState(int, int, int) override { return E_FAIL; }

  ZynReferenceCount references;
  std::atomic<std::uint32_t> lastAsked{0};  // first word of the last identifier asked

 private:
  ZynMetaClass* type_;
};

class TestDump final : public ZynIMpgDump {
 public:
  HRESULT Dump(int, int, int) override { return S_FALSE; }
};

ZynMetaClass* TestType(const char* iName, ZynMetaClass* iBase = nullptr) {
  return kvr::internal::fct_RetrieveMetaObject(iName, Implementation, iBase, nullptr, "Tests", 0);
}
ZynMetaClass* TestDumpClass() {
  return kvr::internal::fct_RetrieveMetaObject("ZynTestDump", DataExtension,
                                               ZynIMpgDump::MetaObject(), "ZynTestRow", "Tests",
                                               sizeof(TestDump));
}
ZynBaseUnknown* ConstructTestDump() { return new TestDump; }
ZynBaseUnknown* ConstructNothing() { return nullptr; }
/// Builds and releases another extension after its own, before answering its own.
ZynBaseUnknown* ConstructAfterAnother() {
  ZynBaseUnknown* own = new TestDump;
  (new TestDump)->Release();
  return own;
}
ZynBaseUnknown* ConstructNonExtension() { return new FakeObject(TestType("ZynTestRow")); }
IUnknown* CreateTestDump(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter) {
  return ToCreateBOA(iExtended, iOuter, TestDumpClass(), IID_ZynIMpgDump, &ConstructTestDump);
}

TEST(ObjectModel, MetaClassesAndInterfacesAreRegisteredOnce) {
  // The infrastructure is described when the mapping library loads, before any module.
  for (const char* type : {"ZynDCIMpgManager", "ZynDCIMpgPellNonM1Component"})
    EXPECT_NE(kvr::internal::fct_FindMetaObject(type), nullptr) << type;
  const IID* manager = ZynFindInterfaceIid("ZynIDCIMpgManager");
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(*manager, IID_ZynIDCIMpgManager);
  EXPECT_EQ(ZynFindInterfaceIid("NoSuchInterface"), nullptr);
  EXPECT_NE(IID_ZynIMpgDump, IID_ZynIDCIMpgProviderComponent);
  EXPECT_NE(IID_ZynBaseUnknown, IID_IUnknown);

  const int before = kvr::internal::fct_RetrieveMetaObjectCalls("ZynTestFresh");
  ZynMetaClass* fresh = kvr::internal::fct_RetrieveMetaObject(
      "ZynTestFresh", DataExtension, ZynIMpgDump::MetaObject(), "ZynTestUnknownType", "Fw", 48);
  EXPECT_EQ(kvr::internal::fct_RetrieveMetaObject("ZynTestFresh", 0, nullptr, nullptr, "", 0),
            fresh);
  EXPECT_EQ(kvr::internal::fct_RetrieveMetaObjectCalls("ZynTestFresh"), before + 2);
  EXPECT_EQ(fresh->GetKind(), DataExtension);
  EXPECT_STREQ(fresh->GetFramework(), "Fw");
  EXPECT_EQ(fresh->GetObjectSize(), 48u);
  EXPECT_TRUE(fresh->IsAKindOf("ZynIMpgDump") && fresh->IsAKindOf("ZynBaseUnknown"));
  EXPECT_FALSE(fresh->IsAKindOf("ZynTestUnknownType"));
  // An extended type not yet described gets a meta-class of its own.
  ZynMetaClass* unknownType = kvr::internal::fct_FindMetaObject("ZynTestUnknownType");
  ASSERT_NE(unknownType, nullptr);
  ZynMetaClass* other = TestType("ZynTestOtherType");
  fresh->SetExtensionOf(other);
  fresh->SetExtensionOf(other);
  fresh->SetExtensionOf(nullptr);
  EXPECT_FALSE(ZynContract::Take().empty()) << "out of contract, and recorded as such";
  ASSERT_EQ(fresh->CountExtendedTypes(), 2);
  EXPECT_EQ(fresh->GetExtendedType(0), unknownType);
  EXPECT_EQ(fresh->GetExtendedType(1), other);
  EXPECT_EQ(fresh->GetExtendedType(2), nullptr);
}

TEST(ObjectModel, DictionaryBuildsExtensionsAlongTheBaseChainUntilTheModuleGoes) {
  const long liveBefore = ZynLiveObjectCount();
  const int entriesBefore = ZynFillDictionary::CountEntries();
  int tag = 0;
  {
    zyn_om::ScopedModuleTag scoped(&tag);
    EXPECT_EQ(ZynFillDictionary::Register(TestDumpClass(), ZynIMpgDump::MetaObject(),
                                          &CreateTestDump, nullptr, 1),
              S_OK);
  }
  EXPECT_EQ(ZynFillDictionary::Register(TestDumpClass(), nullptr, &CreateTestDump, nullptr, 1),
            E_FAIL);
  EXPECT_FALSE(ZynContract::Take().empty()) << "out of contract, and recorded as such";
  EXPECT_EQ(ZynFillDictionary::CountEntries(), entriesBefore + 1);
  {
    auto* row = new FakeObject(TestType("ZynTestRow"));
    auto* derived = new FakeObject(TestType("ZynTestDerivedRow", TestType("ZynTestRow")));
    ZynIMpgDump_var dump(row);
    ASSERT_TRUE(dump);
    EXPECT_EQ(row->references.Peek(), 2u);  // the extension holds the object it extends
    EXPECT_EQ(dump->Dump(0, 0, 0), S_FALSE);
    EXPECT_STREQ(dump->IsA(), "ZynTestDump");
    EXPECT_TRUE(dump->IsAKindOf("ZynIMpgDump"));
    EXPECT_FALSE(dump->IsAKindOf("ZynTestRow"));
    EXPECT_EQ(dump->GetImpl(0), row);
    void* same = nullptr;
    EXPECT_EQ(dump->QueryInterface("ZynIMpgDump", &same), S_OK);
    EXPECT_EQ(same, static_cast<ZynBaseUnknown*>(dump.get()));
    dump->Release();
    EXPECT_EQ(dump->QueryInterface("NoSuchInterface", &same), E_NOINTERFACE);
    // One answer for an unknown interface, as a table object gives it.
    EXPECT_EQ(dump->QueryInterface("NoSuchInterface", nullptr), E_NOINTERFACE);
    EXPECT_EQ(row->QueryInterface("NoSuchInterface", nullptr), E_NOINTERFACE);
    // Interfaces the extension lacks are the extended object's.
    EXPECT_FALSE(ZynIDCIMpgManager_var(dump.get()));
    EXPECT_EQ(row->lastAsked.load(), IID_ZynIDCIMpgManager.data1);
    EXPECT_TRUE(ZynIMpgDump_var(derived));
    dump = nullptr;
    EXPECT_EQ(row->references.Peek(), 1u);

    ZynFillDictionary::RemoveModuleEntries(&tag);
    EXPECT_EQ(ZynFillDictionary::CountEntries(), entriesBefore);
    EXPECT_FALSE(ZynIMpgDump_var(row));
    row->Release();
    derived->Release();
  }
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

// Lookups take no lock: they must stay sound while modules register and unregister.
TEST(ObjectModelThreads, LookupsRaceWithRegistration) {
  const long liveBefore = ZynLiveObjectCount();
  int stable = 0;
  int churning = 0;
  {
    zyn_om::ScopedModuleTag scoped(&stable);
    ZynFillDictionary::Register(TestDumpClass(), ZynIMpgDump::MetaObject(), &CreateTestDump,
                                nullptr, 1);
  }
  auto* row = new FakeObject(TestType("ZynTestRow"));
  std::atomic<int> misses{0};
  // Thread 0 registers and unregisters a module's entries; the others look up the stable one.
  zyn_test::RunTogether(4, [&](int t) {
    if (t == 0) {
      for (int i = 0; i < 200; ++i) {
        zyn_om::ScopedModuleTag scoped(&churning);
        ZynFillDictionary::Register(TestDumpClass(), ZynIMpgDump::MetaObject(), &CreateTestDump,
                                    nullptr, 1);
        ZynFillDictionary::RemoveModuleEntries(&churning);
      }
      return;
    }
    for (int i = 0; i < 2000; ++i)
      if (!ZynIMpgDump_var(row)) ++misses;
    (void)ZynDCIMpgTraceTool::IsValid();
  });
  ZynFillDictionary::RemoveModuleEntries(&stable);
  EXPECT_EQ(misses, 0);
  row->Release();
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

TEST(ObjectModel, CreationFailuresBuildNothingAndLeakNothing) {
  const long liveBefore = ZynLiveObjectCount();
  auto* row = new FakeObject(TestType("ZynTestRow"));
  EXPECT_EQ(ToCreateBOA(row, nullptr, TestDumpClass(), IID_ZynIMpgDump, &ConstructNothing),
            nullptr);
  EXPECT_EQ(ToCreateBOA(row, nullptr, TestDumpClass(), IID_ZynIMpgDump, &ConstructNonExtension),
            nullptr);
  EXPECT_EQ(ToCreateBOA(row, nullptr, TestDumpClass(), IID_ZynIDCIMpgManager, &ConstructTestDump),
            nullptr);
  EXPECT_FALSE(ZynContract::Take().empty()) << "out of contract, and recorded as such";
  ZynAllocationFaults::FailAfter(1, 1);
  IUnknown* first = CreateTestDump(row, nullptr);
  IUnknown* second = CreateTestDump(row, nullptr);
  IUnknown* third = CreateTestDump(row, nullptr);
  ZynAllocationFaults::Clear();
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_NE(third, nullptr);
  first->Release();
  third->Release();
  EXPECT_EQ(row->references.Peek(), 1u);
  row->Release();
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

TEST(ObjectModel, AReleasedExtensionsStorageIsTheNextOnesOfItsSize) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "under the address sanitizer every block goes back to malloc";
#endif
  auto* row = new FakeObject(TestType("ZynTestRow"));
  IUnknown* first = CreateTestDump(row, nullptr);
  ASSERT_NE(first, nullptr);
  const void* storage = first;
  first->Release();
  IUnknown* next = CreateTestDump(row, nullptr);
  EXPECT_EQ(next, storage) << "the extension's size came back with it: its block is kept warm";
  next->Release();
  row->Release();
}

TEST(ObjectModel, TheExtensionHandedOverIsTheOneTheConstructorFunctionAnswers) {
  const long liveBefore = ZynLiveObjectCount();
  auto* row = new FakeObject(TestType("ZynTestRow"));
  IUnknown* built =
      ToCreateBOA(row, nullptr, TestDumpClass(), IID_ZynIMpgDump, &ConstructAfterAnother);
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(static_cast<ZynIMpgDump*>(built)->GetImpl(0), row);
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore + 2);
  built->Release();
  row->Release();
  EXPECT_EQ(ZynLiveObjectCount(), liveBefore);
}

TEST(ObjectModel, NullHandlesRaiseTheNullHandleError) {
  ZynIDCIMpgManager_var none(static_cast<const ZynBaseUnknown*>(nullptr));
  EXPECT_TRUE(!none);
  try {
    none->IsPLMIDCompletionActive();
    FAIL() << "no error raised";
  } catch (const ZynNullVarError& error) {
    EXPECT_STREQ(error.what(), "null handle: ZynIDCIMpgManager");
  }
}

TEST(ModuleLoading, RefusesWhatIsNotAModule) {
  Dl_info self{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&ZynDCIMpgTraceTool::IsValid), &self), 0);
  const std::string library = self.dli_fname;
  ZynModuleLoader loader;
  std::string error;
  EXPECT_FALSE(loader.Load(library, "NoMarker", &error));
  EXPECT_EQ(error, "no marker NoMarker in " + library);
  EXPECT_FALSE(loader.Load(library, nullptr, &error));
  EXPECT_EQ(error, library + " built no module object");
  EXPECT_FALSE(loader.Load("/nonexistent/lib.so", nullptr, &error));
  EXPECT_NE(error.find("/nonexistent/lib.so"), std::string::npos) << error;
  EXPECT_FALSE(loader.IsLoaded());

  const ZynClassRegistrationRoutine table[] = {nullptr, nullptr};
  ZynLifecycleLog::Take();
  ZynLifecycleLog::Enable(true);
  {
    ZynOMModule module(ZynOMModuleInfo{&table[0], &table[1]});
    EXPECT_EQ(zyn_om::ModuleBeingLoaded(), &module.GetInfo());
    ZynTrace trace("ZynTestLifecycle", "", ZynTraModeDefault, "STDOUT", 1024);
  }
  ZynLifecycleLog::Enable(false);
  EXPECT_EQ(zyn_om::ModuleBeingLoaded(), nullptr);
  EXPECT_EQ(ZynLifecycleLog::Take(),
            "module+\ntrace+ZynTestLifecycle\ntrace-ZynTestLifecycle\nmodule-\n");
}

TEST(NamedTraces, ActivationByNameAndEnvironment) {
  std::ostringstream captured;
  std::streambuf* previous = std::cout.rdbuf(captured.rdbuf());
  ZynTrace::ResetActivation();
  setenv("ZYN_TRACE_ACTIVE", "ZynTestEnvA,ZynTestEnvB", 1);
  ZynTrace a("ZynTestEnvA", "d", ZynTraModeDefault, "STDOUT", 1024);
  ZynTrace b("ZynTestEnv", "d", ZynTraModeDefault, "STDOUT", 1024);
  unsetenv("ZYN_TRACE_ACTIVE");
  ZynTrace c("ZynTestEnv", "d", ZynTraModeDefault, "STDOUT", 1024);
  EXPECT_EQ(b.GetSerial(), a.GetSerial() + 1);
  EXPECT_TRUE(a.IsActive());
  EXPECT_FALSE(b.IsActive());
  EXPECT_EQ(b.TraPut(2, "hidden"), S_FALSE);
  ZynTrace::SetActive("ZynTestEnv", true);
  ZynTrace later("ZynTestEnv", "d", ZynTraModeDefault, "STDOUT", 1024);
  EXPECT_TRUE(b.IsActive() && c.IsActive() && later.IsActive());
  EXPECT_EQ(a.TraPut(2, "one "), S_OK);
  EXPECT_EQ(later.TraPut(2, "two"), S_OK);
  ZynTrace::ResetActivation();
  EXPECT_FALSE(a.IsActive() || b.IsActive() || later.IsActive());
  std::cout.rdbuf(previous);
  EXPECT_EQ(captured.str(), "one two");
}

struct RecordingOutput : ZynTraceToolOutput {
  void OnTraPut(int iLevel, const char* iText) override {
    calls += std::to_string(iLevel) + " put " + iText + "|";
  }
  void OnTraPrint(int iLevel, const char* iFormat, const char* iText) override {
    calls += std::to_string(iLevel) + " " + iFormat + " " + iText + "|";
  }
  std::string calls;
};

TEST(TraceTool, ValidityScheduleAndOutput) {
  ZynDCIMpgTraceTool::SetValidity({true, false, true, false});
  std::string answers;
  for (int i = 0; i < 6; ++i) answers += ZynDCIMpgTraceTool::IsValid() ? '1' : '0';
  EXPECT_EQ(answers, "101000");
  EXPECT_EQ(ZynDCIMpgTraceTool::CountValidityChecks(), 6);
  ZynDCIMpgTraceTool::SetValidity({});
  EXPECT_FALSE(ZynDCIMpgTraceTool::IsValid());
  EXPECT_EQ(ZynDCIMpgTraceTool::CountValidityChecks(), 1);

  RecordingOutput output;
  ZynDCIMpgTraceTool::SetOutput(&output);
  ZynDCIMpgTraceTool::TraPut(2, "a\n");
  ZynDCIMpgTraceTool::TraPrint(2, "%s=%d", "x", -3);
  const std::string longText(3000, 'z');
  ZynDCIMpgTraceTool::TraPrint(2, "%s", longText.c_str());
  ZynDCIMpgTraceTool::SetOutput(nullptr);
  EXPECT_EQ(output.calls, "2 put a\n|2 %s=%d x=-3|2 %s " + longText + "|");
}

TEST(Values, TextForms) {
  const std::uint8_t bytes[16] = {0x00, 0x01, 0xab, 0xCD, 0x10, 0x20, 0x30, 0x40,
                                  0x50, 0x60, 0x70, 0x80, 0x90, 0xa0, 0xf0, 0xff};
  char uuid[ZynUuid::kBufferBytes] = {};
  ZynUuid(bytes).UUID_to_chaine(uuid, 0);
  EXPECT_STREQ(uuid, "0001abcd102030405060708090a0f0ff");

  char hexa[8];
  std::memset(hexa, 'x', sizeof hexa);
  EXPECT_EQ(ZynDbCharToHexa(bytes + 2, 4, hexa, 6), S_OK);  // room for two bytes and the NUL
  EXPECT_STREQ(hexa, "ABCD");
  char longer[2 * 18 + 1] = {};  // sixteen bytes at a time, then the rest
  const std::uint8_t eighteen[18] = {0x00, 0x01, 0xab, 0xCD, 0x10, 0x20, 0x30, 0x40, 0x50,
                                     0x60, 0x70, 0x80, 0x90, 0xa0, 0xf0, 0xff, 0x9a, 0x5f};
  EXPECT_EQ(ZynDbCharToHexa(eighteen, 18, longer, sizeof longer), S_OK);
  EXPECT_STREQ(longer, "0001ABCD102030405060708090A0F0FF9A5F");
  EXPECT_EQ(ZynDbCharToHexa(bytes, 1, hexa, -7), E_FAIL);
  EXPECT_EQ(ZynDbCharToHexa(nullptr, 1, hexa, 3), E_FAIL);
  EXPECT_FALSE(ZynContract::Take().empty()) << "out of contract, and recorded as such";

  const std::uint16_t units[] = {0x41, 0xE9, 0x20AC, 0x00, 0x42};
  ZynUnicodeString text;
  EXPECT_EQ(text.BuildFromUCChar(units, 5), S_OK);
  EXPECT_EQ(text.str(), "A\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(text.GetLengthInChar(), 3);
  EXPECT_EQ(ZynUnicodeString("abc\0def", 7).str(), std::string("abc\0def", 7));

  EXPECT_STREQ(ZynTime(86400 + 3723).ConvertToString("%Y-%m-%dT%H:%M:%SZ", 0).ConvertToChar(),
               "1970-01-02T01:02:03Z");

  ZynUnicodeString out;
  ZynDCIMpgServicesForTests::GetBinaryHexaName(ZynBinary(bytes, 3), out);
  EXPECT_STREQ(out.ConvertToChar(), "0001AB");
  ZynDCIMpgServicesForTests::GetBinaryHexaName(ZynBinary::Hollow(3), out);
  EXPECT_STREQ(out.ConvertToChar(), "");
  for (auto [master, expected] :
       {std::pair{0, "None"}, {1, "M1"}, {2, "NonM1"}, {7, "Unknown(7)"}}) {
    ZynDCIMpgServices::GetMappingMasterDump(static_cast<ZynDCIMpgMappingMaster>(master), out);
    EXPECT_STREQ(out.ConvertToChar(), expected);
  }

  const ZynPLMID id({0x0a, 0xff}, "log", "maj");
  EXPECT_EQ(id.Text(), "PLMID physical:0AFF logical:log major:maj\n");
  EXPECT_EQ(ZynPLMID().Text(), "PLMID null\n");
  std::ostringstream stream;
  id.Dump(stream);
  EXPECT_EQ(stream.str(), id.Text());
  ZynPLMCEStamp::Stream(ZynPLMCEStampServices::CreateInvalidCEStamp(), out);
  EXPECT_STREQ(out.ConvertToChar(), "");
  ZynPLMCEStamp::Stream(ZynPLMCEStamp("s1"), out);
  EXPECT_STREQ(out.ConvertToChar(), "s1");
}

// Values that lend their bytes: copies lend the same bytes, owned copies stay valid after their
// source is gone, and writing to a lending sequence never reaches the bytes it lends.
TEST(ObjectModel, LendingValues) {
  const std::uint8_t kept[] = {1, 2, 3};
  const ZynBinary lent = ZynBinary::Lending(kept, 3, 5);
  const ZynBinary copy = lent;
  EXPECT_EQ(copy.getArray(), kept);
  EXPECT_EQ(copy.getLength(), 5);
  EXPECT_EQ(ZynBinary::Lending(kept, 0, 0).getArray(), nullptr);
  ZynBinary owned;
  {
    const ZynBinary source(kept, 3);
    owned = source;
  }
  ASSERT_NE(owned.getArray(), nullptr);
  EXPECT_NE(owned.getArray(), kept);
  EXPECT_EQ(owned.getArray()[2], 3);
  ZynBinary moved = std::move(owned);
  EXPECT_EQ(moved.getArray()[1], 2);

  std::uint8_t octets[] = {7, 8};
  _SEQUENCE_octet sequence = _SEQUENCE_octet::Lending(octets, 2);
  const _SEQUENCE_octet shared = sequence;
  EXPECT_EQ(&shared[1], &octets[1]);
  sequence[0] = 9;
  EXPECT_EQ(octets[0], 7) << "a write takes a copy first";
  EXPECT_EQ(sequence[0], 9);
  EXPECT_EQ(shared[0], 7);

  std::string stored = "stamp-7";
  const ZynPLMCEStamp stamp = ZynPLMCEStamp::Lending(stored);
  const ZynPLMCEStamp copied = stamp;
  stored[6] = '8';
  ZynUnicodeString text;
  ZynPLMCEStamp::Stream(copied, text);
  EXPECT_TRUE(copied.IsValid());
  EXPECT_EQ(text.str(), "stamp-8") << "a copy of a lending stamp lends the same text";
}

}  // namespace
