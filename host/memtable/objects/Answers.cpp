// Reading the answers of an in-memory object from its slots and the table's storage.
#include "objects/Answers.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace zyn::mem {
namespace {

std::string_view TextOf(const Slot& iSlot) {
  return *static_cast<const std::string_view*>(iSlot.p);
}

/// What a value kept as a pointer in its slot points at.
template <class T>
const T& Pointed(const Slot& iSlot) {
  return *static_cast<const T*>(iSlot.p);
}

template <class IntLike>
HRESULT AnswerInt(MemObject& iObject, Op iOp, IntLike& oValue) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oValue = static_cast<IntLike>(iSlot.i); });
}

/// A stored byte run (see the tags): whether its tag is iLengthTag, the length kept after such
/// a tag (-1 after another), and the bytes after them.
struct TaggedBytes {
  bool withLength = false;
  std::int32_t length = -1;
  const std::uint8_t* bytes;
  int count;
};
TaggedBytes ReadTagged(std::string_view iStored, char iLengthTag) {
  TaggedBytes read{};
  std::size_t held = 1;
  if (iStored[0] == iLengthTag) {
    read.withLength = true;
    std::memcpy(&read.length, iStored.data() + 1, sizeof(read.length));
    held += sizeof(read.length);
  }
  read.bytes = reinterpret_cast<const std::uint8_t*>(iStored.data() + held);
  read.count = static_cast<int>(iStored.size() - held);
  return read;
}

}  // namespace

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUnicodeString& oText) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) {
    const std::string_view text = TextOf(iSlot);
    oText = ZynUnicodeString(text.data(), static_cast<int>(text.size()));
  });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, int& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingMaster& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingClient& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, unsigned int& oValue) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oValue = iSlot.u; });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, bool& oValue) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oValue = iSlot.b; });
}

bool AnswerFlag(MemObject& iObject, Op iOp) {
  const Slot* slot = iObject.FindSlot(iOp);
  return slot && slot->given && slot->b;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUuid& oUuid) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oUuid = Pointed<ZynUuid>(iSlot); });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynBinary& oBinary) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) {
    const TaggedBytes stored = ReadTagged(TextOf(iSlot), kHollowTag);
    // The bytes are lent from the table's storage, which outlives every answer.
    if (!stored.withLength)
      oBinary = ZynBinary::Lending(stored.bytes, stored.count, stored.count);
    else if (stored.count == 0)
      oBinary = ZynBinary::Hollow(stored.length);
    else
      oBinary = ZynBinary::Lending(stored.bytes, stored.count, stored.length);
  });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, _SEQUENCE_octet& oOctets) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) {
    const TaggedBytes stored = ReadTagged(TextOf(iSlot), kOversizedTag);
    oOctets = _SEQUENCE_octet::Lending(stored.bytes, stored.count);
    if (stored.length >= 0) oOctets.ReportLengthForTests(stored.length);
  });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynTime& oTime) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oTime = ZynTime(iSlot.t); });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMID& oId) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) { oId = Pointed<ZynPLMID>(iSlot); });
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMCEStamp& oStamp) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) {
    oStamp = iSlot.p ? ZynPLMCEStamp(std::string(TextOf(iSlot))) : ZynPLMCEStamp();
  });
}

void TellQuery(const ZynObservedCall& iObserved, MemObject& iObject, Iface iIface, Op iOp,
               ZynCall::Answer iAnswer, long iResult) {
  ZynCall call;
  call.object = iObject.Unknown();
  call.interfaceName = IfaceName(iIface);
  call.operation = OpName(iOp);
  call.answer = iAnswer;
  call.result = iResult;
  iObserved.Tell(call);
}

}  // namespace zyn::mem
