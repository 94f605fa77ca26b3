// The names of the table's types, interfaces and operations, and which type offers which
// interface and answers which operation.
#include <array>
#include <string_view>

#include "objects/Vocabulary.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {
namespace {

using namespace vocabulary;

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

bool TypeOffers(Type iType, Iface iIface) { return vocabulary::Offers(iType, iIface); }

bool TypeHasOp(Type iType, Op iOp) { return vocabulary::Answers(iType, iOp); }

Iface OpIface(Type iType, Op iOp) {
  const unsigned through =
      kTypeIfaces[static_cast<int>(iType)] & kOps[static_cast<int>(iOp)].ifaces;
  for (int i = 0; i < kIfaceCount; ++i)
    if (through & (1u << i)) return static_cast<Iface>(i);
  return Iface::ZynIMpgDump;
}

Iface TargetIface(Op iOp) { return kOps[static_cast<int>(iOp)].target; }

}  // namespace zyn::mem
