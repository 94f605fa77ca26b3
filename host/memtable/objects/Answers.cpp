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

HRESULT AnswerInto(const Slot& iSlot, ZynUnicodeString& oText) {
  return Answer(iSlot, [&](const Slot& iGiven) {
    const std::string_view text = TextOf(iGiven);
    oText.Assign(text.data(), text.size());
  });
}

HRESULT AnswerInto(const Slot& iSlot, ZynUuid& oUuid) {
  return Answer(iSlot, [&](const Slot& iGiven) { oUuid = Pointed<ZynUuid>(iGiven); });
}

HRESULT AnswerInto(const Slot& iSlot, ZynBinary& oBinary) {
  return Answer(iSlot, [&](const Slot& iGiven) {
    const TaggedBytes stored = ReadTagged(TextOf(iGiven), kHollowTag);
    // The bytes are lent from the table's storage, which outlives every answer.
    if (!stored.withLength)
      oBinary = ZynBinary::Lending(stored.bytes, stored.count, stored.count);
    else if (stored.count == 0)
      oBinary = ZynBinary::Hollow(stored.length);
    else
      oBinary = ZynBinary::Lending(stored.bytes, stored.count, stored.length);
  });
}

HRESULT AnswerInto(const Slot& iSlot, _SEQUENCE_octet& oOctets) {
  return Answer(iSlot, [&](const Slot& iGiven) {
    const TaggedBytes stored = ReadTagged(TextOf(iGiven), kOversizedTag);
    oOctets = _SEQUENCE_octet::Lending(stored.bytes, stored.count);
    if (stored.length >= 0) oOctets.ReportLengthForTests(stored.length);
  });
}

HRESULT AnswerInto(const Slot& iSlot, ZynPLMID& oId) {
  return Answer(iSlot, [&](const Slot& iGiven) { oId = Pointed<ZynPLMID>(iGiven); });
}

HRESULT AnswerInto(const Slot& iSlot, ZynPLMCEStamp& oStamp) {
  return Answer(iSlot, [&](const Slot& iGiven) {
    // The text is lent from the table's storage, which outlives every answer.
    oStamp = iGiven.p ? ZynPLMCEStamp::Lending(TextOf(iGiven)) : ZynPLMCEStamp();
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
