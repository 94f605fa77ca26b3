// The mapping infrastructure's identifiers, its interfaces and object types as the object model
// knows them, the dump interface, and its text services.
#include "zyn/ZynMappingInfra.h"

#include <atomic>
#include <mutex>
#include <string>

// Each interface's identifier: its serial in the first word and the last byte.
#define ZYN_MAPPING_INTERFACE(Name, Serial) \
  const IID IID_##Name = {                  \
      0x5a594d00u | (Serial),               \
      0x4d50,                               \
      0x4749,                               \
      {0x80, 0x01, 0x5a, 0x59, 0x4d, 0x50, 0x47, static_cast<std::uint8_t>(Serial)}};

#include "zyn/ZynMappingInterfaces.def"

const char* const kZynDCIMpgTypeNames[kZynDCIMpgTypeCount] = {
#define ZYN_MAPPING_TYPE(Type, Name, Dumpable, ...) Name,
#include "zyn/ZynMappingTypes.def"
};

namespace {

constexpr char kFramework[] = "ZynMappingInfraStructure";

std::atomic<ZynMetaClass*> gDumpInterface{nullptr};

/// Describes the infrastructure to the object model: its interfaces, then its object types.
/// Runs once, at library load or at the first use that comes before it.
void DescribeInfrastructure() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct Interface {
      const char* name;
      const IID* iid;
    };
    const Interface interfaces[] = {
#define ZYN_MAPPING_INTERFACE(Name, Serial) {#Name, &IID_##Name},
#include "zyn/ZynMappingInterfaces.def"
    };
    for (const Interface& interface : interfaces) {
      ZynMetaClass* meta = ZynRegisterInterface(interface.name, *interface.iid, "ZynBaseUnknown");
      if (interface.iid == &IID_ZynIMpgDump) gDumpInterface.store(meta, std::memory_order_release);
    }
    for (const char* type : kZynDCIMpgTypeNames)
      kvr::internal::fct_RetrieveMetaObject(type, Implementation, nullptr, nullptr, kFramework, 0);
  });
}

/// Described at library load, so that the types are known before any module asks for them.
const bool gDescribedAtLoad = (DescribeInfrastructure(), true);

}  // namespace

// ---- ZynIMpgDump ----

ZynIMpgDump::ZynIMpgDump() = default;
ZynIMpgDump::~ZynIMpgDump() = default;

ZynMetaClass* ZynIMpgDump::MetaObject() {
  if (ZynMetaClass* meta = gDumpInterface.load(std::memory_order_acquire)) return meta;
  DescribeInfrastructure();
  return gDumpInterface.load(std::memory_order_acquire);
}

// ---- Text services ----

HRESULT ZynDCIMpgServices::GetMappingMasterDump(ZynDCIMpgMappingMaster iMaster,
                                                ZynUnicodeString& oText) {
  switch (static_cast<int>(iMaster)) {
    case ZynDCIMpgMasterNone:
      oText = "None";
      break;
    case ZynDCIMpgMasterM1:
      oText = "M1";
      break;
    case ZynDCIMpgMasterNonM1:
      oText = "NonM1";
      break;
    default:
      oText = ("Unknown(" + std::to_string(static_cast<int>(iMaster)) + ")").c_str();
      break;
  }
  return S_OK;
}

HRESULT ZynDCIMpgServicesForTests::GetBinaryHexaName(const ZynBinary& iBinary,
                                                     ZynUnicodeString& oText) {
  const std::uint8_t* bytes = iBinary.getArray();
  if (!bytes || iBinary.getLength() <= 0) {
    oText = "";
    return S_OK;
  }
  std::string hexa(2 * static_cast<std::size_t>(iBinary.getLength()) + 1, '\0');
  ZynDbCharToHexa(bytes, iBinary.getLength(), &hexa[0], static_cast<int>(hexa.size()));
  oText = hexa.c_str();
  return S_OK;
}
