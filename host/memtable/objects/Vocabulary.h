// The vocabulary of the in-memory tables as compile-time tables, made from the lists in
// zyn/ZynMapping*.def: each interface's bit, each operation's name, kind, target and declaring
// interfaces, each type's interface set. For the table's units only.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "zyn/ZynMemTable.h"

namespace zyn::mem::vocabulary {

/// A set of interfaces, one bit per Iface.
using Mask = std::uint16_t;
static_assert(kIfaceCount <= 16, "a Mask holds one bit per interface");

constexpr Mask Bit(Iface iIface) { return static_cast<Mask>(1u << static_cast<int>(iIface)); }

constexpr Mask Union(std::initializer_list<Mask> iMasks) {
  Mask all = 0;
  for (Mask mask : iMasks) all = static_cast<Mask>(all | mask);
  return all;
}

/// Each interface's bit under the interface's own name, so that the rows of the lists can name
/// their interfaces as they are written there.
namespace bits {
#define ZYN_MAPPING_INTERFACE(Name, Serial) inline constexpr Mask Name = Bit(Iface::Name);
#include "zyn/ZynMappingInterfaces.def"
}  // namespace bits

inline constexpr std::array<std::string_view, kIfaceCount> kIfaceNames = {
#define ZYN_MAPPING_INTERFACE(Name, Serial) #Name,
#include "zyn/ZynMappingInterfaces.def"
};

/// What each operation is called, what it answers, and the interfaces that declare it.
struct OpInfo {
  std::string_view name;  // of a literal, so also NUL-terminated
  Kind kind;
  Mask ifaces;
  Iface target;  // for Object and List operations; ZynIMpgDump for the others
};

/// In the order of Op.
inline constexpr std::array<OpInfo, kOpCount> kOps = {{
#define ZYN_MAPPING_OPERATION(Operation, KindName, Target, ...) \
  {#Operation, Kind::KindName,                                  \
   [] {                                                         \
     using namespace bits;                                      \
     return Union({__VA_ARGS__});                               \
   }(),                                                         \
   Iface::Target},
#include "zyn/ZynMappingOperations.def"
}};

/// In the order of Type.
inline constexpr std::array<Mask, kTypeCount> kTypeIfaces = {
#define ZYN_MAPPING_TYPE(Type, Name, Dumpable, ...)                  \
  [] {                                                               \
    using namespace bits;                                            \
    return Union({(Dumpable) ? ZynIMpgDump : Mask{0}, __VA_ARGS__}); \
  }(),
#include "zyn/ZynMappingTypes.def"
};

/// Whether iIface declares iOp.
constexpr bool Declares(Iface iIface, Op iOp) {
  return (kOps[static_cast<int>(iOp)].ifaces & Bit(iIface)) != 0;
}

/// Whether objects of iType offer iIface before anything is withheld.
constexpr bool Offers(Type iType, Iface iIface) {
  return (kTypeIfaces[static_cast<int>(iType)] & Bit(iIface)) != 0;
}

/// Whether objects of iType answer iOp (through one of the interfaces they offer).
constexpr bool Answers(Type iType, Op iOp) {
  return (kTypeIfaces[static_cast<int>(iType)] & kOps[static_cast<int>(iOp)].ifaces) != 0;
}

/// Where objects of iType keep the answer of iOp: their slots follow the order of Op, one per
/// operation the type answers; -1 when the type does not answer iOp.
constexpr int SlotIndex(Type iType, Op iOp) {
  if (!Answers(iType, iOp)) return -1;
  int index = 0;
  for (int o = 0; o < static_cast<int>(iOp); ++o)
    if (Answers(iType, static_cast<Op>(o))) ++index;
  return index;
}

/// The number of slots of an object of iType: one per operation the type answers.
constexpr int SlotCount(Type iType) {
  int count = 0;
  for (int o = 0; o < kOpCount; ++o)
    if (Answers(iType, static_cast<Op>(o))) ++count;
  return count;
}

/// Each type answers each of its operations through exactly one interface.
constexpr bool OneInterfacePerOperation() {
  for (Mask offered : kTypeIfaces)
    for (const OpInfo& op : kOps) {
      const Mask through = static_cast<Mask>(offered & op.ifaces);
      if (through & (through - 1)) return false;
    }
  return true;
}
static_assert(OneInterfacePerOperation(), "an operation answered through two interfaces");

}  // namespace zyn::mem::vocabulary
