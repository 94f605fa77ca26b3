// The host's contract checks: each operation called otherwise than its contract says records
// exactly one violation, naming the operation and what it expected.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"

namespace {

struct Breach {
  const char* recorded;  // the line ZynContract::Take gives for it
  std::function<void()> call;
};

class BareDump final : public ZynIMpgDump {
 public:
  HRESULT Dump(int, int, int) override { return S_OK; }
};
ZynBaseUnknown* BuildBareDump() { return new BareDump; }

/// Each breach is made once, alone.
const std::vector<Breach>& Breaches() {
  static const std::vector<Breach> breaches = {
      {"ZynBaseUnknown::GetImpl: expected the flag 0 (1 call)",
       [] {
         zyn::mem::Table table;
         table.Create(zyn::mem::Type::DummyComponent)->Unknown()->GetImpl(1);
       }},
      {"ZynFillDictionary::Register: expected a null checking function (1 call)",
       [] {
         ZynFillDictionary::Register(
             nullptr, nullptr, nullptr, [](ZynBaseUnknown*) { return 1; }, 1);
         ZynContract::Take();  // the missing classes are not the point here
         ZynFillDictionary::Register(
             ZynIMpgDump::MetaObject(), ZynIMpgDump::MetaObject(),
             [](ZynBaseUnknown*, ZynBaseUnknown*) -> IUnknown* { return nullptr; },
             [](ZynBaseUnknown*) { return 1; }, 1);
       }},
      {"ZynFillDictionary::Register: expected the flag 1 (1 call)",
       [] {
         ZynFillDictionary::Register(
             ZynIMpgDump::MetaObject(), ZynIMpgDump::MetaObject(),
             [](ZynBaseUnknown*, ZynBaseUnknown*) -> IUnknown* { return nullptr; }, nullptr, 0);
       }},
      {"ToCreateBOA: expected the meta-class of a class that implements the interface "
       "identifier (1 call)",
       [] {
         zyn::mem::Table table;
         ToCreateBOA(table.Create(zyn::mem::Type::DummyComponent)->Unknown(), nullptr,
                     ZynIMpgDump::MetaObject(), IID_ZynIDCIMpgManager, &BuildBareDump);
       }},
      {"kvr::internal::fct_RetrieveMetaObject: expected the kind DataExtension for an "
       "extension (1 call)",
       [] {
         kvr::internal::fct_RetrieveMetaObject("ZynContractCodeExtension", CodeExtension,
                                               ZynIMpgDump::MetaObject(), "ZynDCIMpgDMTRow",
                                               "Tests", sizeof(ZynBaseExtension));
       }},
      {"ZynMetaClass::SetExtensionOf: expected the meta-class of a type (1 call)",
       [] { ZynIMpgDump::MetaObject()->SetExtensionOf(nullptr); }},
      {"ZynOMModule: expected the begin and end of a table of registration routines, each end a "
       "null entry (1 call)",
       [] {
         const ZynClassRegistrationRoutine table[] = {nullptr, []() -> void* { return nullptr; }};
         ZynOMModule module(ZynOMModuleInfo{&table[0], &table[1]});
       }},
      {"ZynTrace: expected the mode 0 (1 call)",
       [] { ZynTrace("ZynContractTrace", "d", static_cast<ZynTraMode>(1), "STDOUT", 1024); }},
      {"ZynTrace: expected the output name \"STDOUT\" (1 call)",
       [] { ZynTrace("ZynContractTrace", "d", ZynTraModeDefault, "TDOUT", 1024); }},
      {"ZynTrace: expected the size 1024 (1 call)",
       [] { ZynTrace("ZynContractTrace", "d", ZynTraModeDefault, "STDOUT", 1023); }},
      {"ZynTrace::TraPut: expected the level 2 (1 call)",
       [] { ZynTrace("ZynContractTrace", "d", ZynTraModeDefault, "STDOUT", 1024).TraPut(1, ""); }},
      {"ZynDCIMpgTraceTool::TraPut: expected the level 2 (1 call)",
       [] { ZynDCIMpgTraceTool::TraPut(3, ""); }},
      {"ZynDCIMpgTraceTool::TraPrint: expected the level 2 (1 call)",
       [] { ZynDCIMpgTraceTool::TraPrint(0, "%s", ""); }},
      {"ZynUuid::UUID_to_chaine: expected the flag 0 (1 call)",
       [] {
         char buffer[ZynUuid::kBufferBytes] = {};
         ZynUuid().UUID_to_chaine(buffer, 1);
       }},
      {"ZynUuid::UUID_to_chaine: expected a buffer of 36 zero bytes (1 call)",
       [] {
         char buffer[ZynUuid::kBufferBytes] = {};
         buffer[35] = 'x';
         ZynUuid().UUID_to_chaine(buffer, 0);
       }},
      {"ZynUuid::UUID_to_chaine: expected a buffer of 36 zero bytes (1 call)",
       [] {
         char buffer[ZynUuid::kBufferBytes] = {};
         buffer[17] = 'x';  // inside, not only at the end
         ZynUuid().UUID_to_chaine(buffer, 0);
       }},
      {"ZynListVal::RemoveAll: expected the MemoryHandling value 1 (1 call)",
       [] { ZynListValZynIDCIMpgComponent_var().RemoveAll(ZynCollec::DoNothing); }},
      {"ZynListVal::operator[]: expected a position from 1 to Size() (1 call)",
       [] { ZynListValZynIDCIMpgComponent_var()[0]; }},
      {"_SEQUENCE_octet::operator[]: expected a position from 0 to length() - 1 among the "
       "octets held (1 call)",
       [] {
         const std::uint8_t octets[] = {1, 2};
         _SEQUENCE_octet(octets, 2)[2];
       }},
      {"ZynTime::ConvertToString: expected the flag 0 (1 call)",
       [] { ZynTime(0).ConvertToString("%Y", 1); }},
      {"ZynTime::ConvertToString: expected a set time (1 call)",
       [] { ZynTime().ConvertToString("%Y", 0); }},
      {"ZynDbCharToHexa: expected a buffer of 2 x count + 1 zero bytes (1 call)",
       [] {
         const std::uint8_t bytes[] = {1, 2};
         char buffer[6] = {};
         ZynDbCharToHexa(bytes, 2, buffer, 6);
       }},
      {"ZynUnicodeString: expected a text and its byte count (1 call)",
       [] { ZynUnicodeString("abc", -1); }},
  };
  return breaches;
}

TEST(Contract, EachBreachRecordsItsOperationAndWhatItExpected) {
  ZynContract::Take();
  for (const Breach& breach : Breaches()) {
    breach.call();
    EXPECT_EQ(ZynContract::Count(), 1) << breach.recorded;
    EXPECT_EQ(ZynContract::Take(), std::vector<std::string>{breach.recorded});
  }
}

TEST(Contract, RepeatedBreachesAreCountedOnOneLine) {
  ZynContract::Take();
  for (int i = 0; i < 3; ++i) ZynDCIMpgTraceTool::TraPut(1, "");
  ZynDCIMpgTraceTool::TraPut(2, nullptr);
  EXPECT_EQ(ZynContract::Count(), 4);
  EXPECT_EQ(ZynContract::Take(),
            (std::vector<std::string>{"ZynDCIMpgTraceTool::TraPut: expected the level 2 (3 calls)",
                                      "ZynDCIMpgTraceTool::TraPut: expected a text (1 call)"}));
  EXPECT_EQ(ZynContract::Count(), 0);
  EXPECT_TRUE(ZynContract::Take().empty());
}

}  // namespace
