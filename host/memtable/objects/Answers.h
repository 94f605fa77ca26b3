// Reading the answers of an in-memory object: each AnswerInto writes the slot's value into the
// out-argument when one was given and answers the slot's result; E_FAIL when the object's type
// does not answer the operation. For the table's units only.
#pragma once

#include <new>

#include "objects/AnswerStorage.h"
#include "zyn/ZynCallLog.h"

namespace zyn::mem {

/// The shape of every answer: E_FAIL when the object's type does not answer iOp; otherwise the
/// slot's value written into the out-argument by iWrite when one was given, and the slot's
/// result.
template <class Write>
HRESULT Answer(MemObject& iObject, Op iOp, Write&& iWrite) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) iWrite(*slot);
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUnicodeString& oText);
HRESULT AnswerInto(MemObject& iObject, Op iOp, int& oValue);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingMaster& oValue);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingClient& oValue);
HRESULT AnswerInto(MemObject& iObject, Op iOp, unsigned int& oValue);
HRESULT AnswerInto(MemObject& iObject, Op iOp, bool& oValue);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUuid& oUuid);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynBinary& oBinary);
HRESULT AnswerInto(MemObject& iObject, Op iOp, _SEQUENCE_octet& oOctets);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynTime& oTime);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMID& oId);
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMCEStamp& oStamp);
/// The two queries that answer their bool directly: false unless a value was given.
bool AnswerFlag(MemObject& iObject, Op iOp);

/// Tells the call observer of the query iOp made on iObject through iIface, and its answer.
void TellQuery(const ZynObservedCall& iObserved, MemObject& iObject, Iface iIface, Op iOp,
               ZynCall::Answer iAnswer, long iResult);

template <class I>
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynVar<I>& oHandle) {
  return Answer(iObject, iOp, [&](const Slot& iSlot) {
    MemObject* target = static_cast<MemObject*>(const_cast<void*>(iSlot.p));
    oHandle.__CastTo(target ? target->Unknown() : nullptr);
  });
}

template <class I>
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynListVal<I>& oList) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  // The list borrows the table's record: handles are built only when the list is read.
  if (slot->given) oList.Lend(static_cast<ListRecord*>(const_cast<void*>(slot->p)));
  return slot->result;
}

}  // namespace zyn::mem
