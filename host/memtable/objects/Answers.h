// Reading the answers of an in-memory object: each AnswerInto writes the value of the slot of
// the operation asked into the out-argument when one was given, and answers the slot's result.
// The answering classes find the slot by the object's type and the operation, both known when
// they are compiled. For the table's units only.
#pragma once

#include <new>

#include "objects/AnswerStorage.h"
#include "zyn/ZynCallLog.h"

namespace zyn::mem {

/// The shape of every answer: the slot's value written into the out-argument by iWrite when
/// one was given, and the slot's result.
template <class Write>
HRESULT Answer(const Slot& iSlot, Write&& iWrite) {
  if (iSlot.given) iWrite(iSlot);
  return iSlot.result;
}

HRESULT AnswerInto(const Slot& iSlot, ZynUnicodeString& oText);
HRESULT AnswerInto(const Slot& iSlot, ZynUuid& oUuid);
HRESULT AnswerInto(const Slot& iSlot, ZynBinary& oBinary);
HRESULT AnswerInto(const Slot& iSlot, _SEQUENCE_octet& oOctets);
HRESULT AnswerInto(const Slot& iSlot, ZynPLMID& oId);
HRESULT AnswerInto(const Slot& iSlot, ZynPLMCEStamp& oStamp);

/// The answers kept in the slot itself.
template <class IntLike>
HRESULT AnswerInto(const Slot& iSlot, IntLike& oValue) {
  static_assert(sizeof(IntLike) == sizeof(int), "an int, an unsigned int or an enumeration");
  return Answer(iSlot, [&](const Slot& iGiven) { oValue = static_cast<IntLike>(iGiven.i); });
}
inline HRESULT AnswerInto(const Slot& iSlot, unsigned int& oValue) {
  return Answer(iSlot, [&](const Slot& iGiven) { oValue = iGiven.u; });
}
inline HRESULT AnswerInto(const Slot& iSlot, bool& oValue) {
  return Answer(iSlot, [&](const Slot& iGiven) { oValue = iGiven.b; });
}
inline HRESULT AnswerInto(const Slot& iSlot, ZynTime& oTime) {
  return Answer(iSlot, [&](const Slot& iGiven) { oTime = ZynTime(iGiven.t); });
}
/// The two queries that answer their bool directly: false unless a value was given.
inline bool AnswerFlag(const Slot& iSlot) { return iSlot.given && iSlot.b; }

/// Tells the call observer of the query iOp made on iObject through iIface, and its answer.
void TellQuery(const ZynObservedCall& iObserved, MemObject& iObject, Iface iIface, Op iOp,
               ZynCall::Answer iAnswer, long iResult);

/// An object answer: the target's interface I, as the handle would ask it (a request that is
/// part of the answer).
template <class I>
HRESULT AnswerInto(const Slot& iSlot, ZynVar<I>& oHandle) {
  return Answer(iSlot, [&](const Slot& iGiven) {
    MemObject* target = static_cast<MemObject*>(const_cast<void*>(iGiven.p));
    void* found = nullptr;
    if (target && target->AnswerInterface(ZynInterfaceTraits<I>::Iid(), &found) < 0)
      found = nullptr;
    oHandle.Attach(static_cast<I*>(found));
  });
}

template <class I>
HRESULT AnswerInto(const Slot& iSlot, ZynListVal<I>& oList) {
  // The list borrows the table's record: handles are built only when the list is read.
  return Answer(iSlot, [&](const Slot& iGiven) {
    oList.Lend(static_cast<ListRecord*>(const_cast<void*>(iGiven.p)));
  });
}

}  // namespace zyn::mem
