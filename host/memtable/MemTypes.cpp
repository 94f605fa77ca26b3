// The names of the table's types, interfaces and operations, and which type offers which
// interface and answers which operation.
#include <array>
#include <cstdint>
#include <string_view>

#include "zyn/ZynMemTable.h"

namespace zyn::mem {
namespace {

using Mask = std::uint16_t;

constexpr Mask Bit(Iface iIface) { return static_cast<Mask>(1u << static_cast<int>(iIface)); }

static_assert(kTypeCount == kZynDCIMpgTypeCount, "the table types are the infrastructure's");

constexpr std::array<std::string_view, kIfaceCount> kIfaceNames = {
    "ZynIMpgDump",
    "ZynIDCIMpgManager",
    "ZynIDCIMpgManagerPrivate",
    "ZynIDCIMpgContext",
    "ZynIDCIMpgEnvironment",
    "ZynIDCIMpgElementPrivate",
    "ZynIDCIMpgDMTElement",
    "ZynIDCIMpgRMTElement",
    "ZynIDCIMpgComponent",
    "ZynIDCIMpgComponentPrivate",
    "ZynIDCIMpgFileComponent",
    "ZynIDCIMpgRMTFileBasedComponent",
    "ZynIDCIMpgOrvComponent",
    "ZynIDCIMpgPellComponent",
    "ZynIDCIMpgProviderComponent",
};

/// What each operation is called, what it answers, and the interfaces that declare it.
struct OpInfo {
  std::string_view name;  // of a literal, so also NUL-terminated
  Kind kind;
  Mask ifaces;
  Iface target;  // for Object and List operations; ZynIMpgDump for the others
};

constexpr Mask kManager = Bit(Iface::ZynIDCIMpgManager);
constexpr Mask kManagerPrivate = Bit(Iface::ZynIDCIMpgManagerPrivate);
constexpr Mask kContext = Bit(Iface::ZynIDCIMpgContext);
constexpr Mask kEnvironment = Bit(Iface::ZynIDCIMpgEnvironment);
constexpr Mask kElementPrivate = Bit(Iface::ZynIDCIMpgElementPrivate);
constexpr Mask kDMT = Bit(Iface::ZynIDCIMpgDMTElement);
constexpr Mask kRMT = Bit(Iface::ZynIDCIMpgRMTElement);
constexpr Mask kComponent = Bit(Iface::ZynIDCIMpgComponent);
constexpr Mask kComponentPrivate = Bit(Iface::ZynIDCIMpgComponentPrivate);
constexpr Mask kFile = Bit(Iface::ZynIDCIMpgFileComponent);
constexpr Mask kRMTFile = Bit(Iface::ZynIDCIMpgRMTFileBasedComponent);
constexpr Mask kOrv = Bit(Iface::ZynIDCIMpgOrvComponent);
constexpr Mask kPell = Bit(Iface::ZynIDCIMpgPellComponent);
constexpr Mask kProvider = Bit(Iface::ZynIDCIMpgProviderComponent);

constexpr Iface kNoTarget = Iface::ZynIMpgDump;
constexpr Iface kToContext = Iface::ZynIDCIMpgContext;
constexpr Iface kToDMT = Iface::ZynIDCIMpgDMTElement;
constexpr Iface kToRMT = Iface::ZynIDCIMpgRMTElement;
constexpr Iface kToComponent = Iface::ZynIDCIMpgComponent;

// In the order of Op.
constexpr std::array<OpInfo, kOpCount> kOps = {{
    {"GetContext", Kind::Object, kManager, kToContext},
    {"IsPLMIDCompletionActive", Kind::Bool, kManager, kNoTarget},
    {"GetDMTElements", Kind::List, kManager, kToDMT},
    {"GetDMTElementsToBeSaved", Kind::List, kManagerPrivate, kToDMT},
    {"GetName", Kind::Text, kContext | kEnvironment | kFile, kNoTarget},
    {"GetMappingClient", Kind::Int, kEnvironment, kNoTarget},
    {"GetMappingMaster", Kind::Int, kEnvironment | kDMT, kNoTarget},
    {"GetDirectory", Kind::Text, kEnvironment, kNoTarget},
    {"GetUuid", Kind::Uuid, kElementPrivate | kFile, kNoTarget},
    {"GetM1Component", Kind::Object, kDMT, kToComponent},
    {"GetNonM1Component", Kind::Object, kDMT | kRMT, kToComponent},
    {"GetRMTElements", Kind::List, kDMT, kToRMT},
    {"GetAlreadyExists", Kind::Bool, kDMT | kRMT, kNoTarget},
    {"GetModificationState", Kind::Int, kDMT | kRMT, kNoTarget},
    {"GetM1ComponentVersion", Kind::Binary, kDMT, kNoTarget},
    {"GetM1ComponentMajorID", Kind::Binary, kDMT, kNoTarget},
    {"GetNonM1ComponentVersion", Kind::Binary, kDMT, kNoTarget},
    {"GetM1Components", Kind::List, kRMT, kToComponent},
    {"GetMigrationState", Kind::Bool, kRMT, kNoTarget},
    {"GetOwner", Kind::Object, kRMT, kToComponent},
    {"GetRef", Kind::Object, kRMT, kToComponent},
    {"GetPointed", Kind::Object, kRMT, kToComponent},
    {"GetComponentType", Kind::Int, kComponent, kNoTarget},
    {"GetExposedIdentifier", Kind::Binary, kComponent, kNoTarget},
    {"GetHashKey", Kind::Unsigned, kComponentPrivate, kNoTarget},
    {"GetPathName", Kind::Text, kFile, kNoTarget},
    {"GetDocType", Kind::Text, kFile, kNoTarget},
    {"GetLastSavePath", Kind::Text, kFile, kNoTarget},
    {"GetLastSaveName", Kind::Text, kFile, kNoTarget},
    {"GetLastSaveTime", Kind::Time, kFile, kNoTarget},
    {"GetPX1Id", Kind::Octets, kRMTFile, kNoTarget},
    {"GetAlias", Kind::Text, kRMTFile, kNoTarget},
    {"GetTechnoString", Kind::Text, kRMTFile, kNoTarget},
    {"GetLinkSequence", Kind::Octets, kRMTFile, kNoTarget},
    {"IsBrokenLink", Kind::Bool, kRMTFile, kNoTarget},
    {"GetObjectType", Kind::Text, kRMTFile, kNoTarget},
    {"GetModelPLMID", Kind::PLMID, kOrv, kNoTarget},
    {"GetWorkspaceId", Kind::Int, kOrv, kNoTarget},
    {"GetElementId", Kind::Int, kOrv, kNoTarget},
    {"GetWorkspaceUuid", Kind::Text, kOrv, kNoTarget},
    {"GetElementUuid", Kind::Text, kOrv, kNoTarget},
    {"GetPLMID", Kind::PLMID, kPell, kNoTarget},
    {"GetCEStamp", Kind::CEStamp, kPell, kNoTarget},
    {"GetBinaryIdentifier", Kind::Binary, kProvider, kNoTarget},
    {"GetProviderName", Kind::Text, kProvider, kNoTarget},
}};

constexpr Mask kDump = Bit(Iface::ZynIMpgDump);
constexpr Mask kEveryComponent = kDump | kComponent | kComponentPrivate;

// In the order of Type. The context is the one type without a dump of its own.
constexpr std::array<Mask, kTypeCount> kTypeIfaces = {
    kDump | kManager | kManagerPrivate,
    kContext,
    kDump | kEnvironment,
    kDump | kDMT | kElementPrivate,
    kDump | kRMT | kElementPrivate,
    kEveryComponent | kFile,
    kEveryComponent | kRMTFile,
    kEveryComponent | kOrv,
    kEveryComponent | kPell,
    kEveryComponent | kPell,
    kEveryComponent | kProvider,
    kEveryComponent,
};

// Each type answers each of its operations through exactly one interface.
constexpr bool OneInterfacePerOperation() {
  for (Mask offered : kTypeIfaces)
    for (const OpInfo& op : kOps) {
      const Mask through = static_cast<Mask>(offered & op.ifaces);
      if (through & (through - 1)) return false;
    }
  return true;
}
static_assert(OneInterfacePerOperation(), "an operation answered through two interfaces");

static_assert(kOps[static_cast<int>(Op::GetProviderName)].name == "GetProviderName",
              "operation names out of the order of Op");
static_assert(kOps[static_cast<int>(Op::GetLastSaveTime)].name == "GetLastSaveTime",
              "operation names out of the order of Op");

template <std::size_t N, class E>
bool ParseName(const std::array<std::string_view, N>& iNames, std::string_view iName, E* oValue) {
  for (std::size_t i = 0; i < N; ++i)
    if (iName == iNames[i]) {
      if (oValue) *oValue = static_cast<E>(i);
      return true;
    }
  return false;
}

}  // namespace

const char* TypeName(Type iType) { return kZynDCIMpgTypeNames[static_cast<int>(iType)]; }
const char* IfaceName(Iface iIface) { return kIfaceNames[static_cast<int>(iIface)].data(); }
const char* OpName(Op iOp) { return kOps[static_cast<int>(iOp)].name.data(); }

bool ParseType(std::string_view iName, Type* oType) {
  for (int i = 0; i < kTypeCount; ++i)
    if (iName == kZynDCIMpgTypeNames[i]) {
      if (oType) *oType = static_cast<Type>(i);
      return true;
    }
  return false;
}
bool ParseIface(std::string_view iName, Iface* oIface) {
  return ParseName(kIfaceNames, iName, oIface);
}
bool ParseOp(std::string_view iName, Op* oOp) {
  for (int i = 0; i < kOpCount; ++i)
    if (iName == kOps[i].name) {
      if (oOp) *oOp = static_cast<Op>(i);
      return true;
    }
  return false;
}

Kind OpKind(Op iOp) { return kOps[static_cast<int>(iOp)].kind; }

bool TypeOffers(Type iType, Iface iIface) {
  return (kTypeIfaces[static_cast<int>(iType)] & Bit(iIface)) != 0;
}

bool TypeHasOp(Type iType, Op iOp) {
  return (kTypeIfaces[static_cast<int>(iType)] & kOps[static_cast<int>(iOp)].ifaces) != 0;
}

Iface OpIface(Type iType, Op iOp) {
  const unsigned through =
      kTypeIfaces[static_cast<int>(iType)] & kOps[static_cast<int>(iOp)].ifaces;
  for (int i = 0; i < kIfaceCount; ++i)
    if (through & (1u << i)) return static_cast<Iface>(i);
  return Iface::ZynIMpgDump;
}

Iface TargetIface(Op iOp) { return kOps[static_cast<int>(iOp)].target; }

}  // namespace zyn::mem
