// The answering classes of the in-memory objects, one per interface: AnswersOf<K, Self>
// implements interface K's operations for the object class Self by reading its answers. For
// the table's units only.
#pragma once

#include "objects/Answers.h"
#include "objects/Vocabulary.h"

namespace zyn::mem {

// One answering class per interface, AnswersOf<K, Self>, Self being the object's class. Each
// answer names its operation, and the compiler checks that the list of operations has the
// interface declare it; an interface operation without an answer leaves the object's class
// abstract.

/// The class of each interface.
template <Iface K>
struct InterfaceOf;
#define ZYN_MAPPING_INTERFACE(Name, Serial) \
  template <>                               \
  struct InterfaceOf<Iface::Name> {         \
    using type = ::Name;                    \
  };
#include "zyn/ZynMappingInterfaces.def"

template <Iface K, class Self>
class AnswersOf;

/// The answer to Operation, whose out-argument is an Out.
#define ZYN_ANSWER(Operation, Out) \
  HRESULT Operation(Out& o) override { return this->template Ask<Op::Operation>(o); }
/// The answer to Operation, which answers its bool directly.
#define ZYN_ANSWER_FLAG(Operation) \
  bool Operation() override { return this->template AskFlag<Op::Operation>(); }

template <class Self, Iface K>
class Answers : public InterfaceOf<K>::type {
 public:
  using Interface = typename InterfaceOf<K>::type;
  static constexpr Iface kIface = K;

 protected:
  template <Op O, class Out>
  HRESULT Ask(Out& oValue) {
    static_assert(vocabulary::Declares(K, O), "an answer to an operation the interface lacks");
    const ZynObservedCall observed;
    const HRESULT result = AnswerInto(static_cast<Self&>(*this), O, oValue);
    if (observed)
      TellQuery(observed, static_cast<Self&>(*this), K, O, ZynCall::Answer::Result, result);
    return result;
  }
  template <Op O>
  bool AskFlag() {
    static_assert(vocabulary::Declares(K, O), "an answer to an operation the interface lacks");
    const ZynObservedCall observed;
    const bool answer = AnswerFlag(static_cast<Self&>(*this), O);
    if (observed)
      TellQuery(observed, static_cast<Self&>(*this), K, O, ZynCall::Answer::Flag, answer);
    return answer;
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgManager, Self> : public Answers<Self, Iface::ZynIDCIMpgManager> {
 public:
  ZYN_ANSWER(GetContext, ZynIDCIMpgContext_var)
  ZYN_ANSWER_FLAG(IsPLMIDCompletionActive)
  ZYN_ANSWER(GetDMTElements, ZynListValZynIDCIMpgDMTElement_var)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgManagerPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgManagerPrivate> {
 public:
  ZYN_ANSWER(GetDMTElementsToBeSaved, ZynListValZynIDCIMpgDMTElement_var)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgContext, Self> : public Answers<Self, Iface::ZynIDCIMpgContext> {
 public:
  ZYN_ANSWER(GetName, ZynUnicodeString)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgEnvironment, Self>
    : public Answers<Self, Iface::ZynIDCIMpgEnvironment> {
 public:
  ZYN_ANSWER(GetName, ZynUnicodeString)
  ZYN_ANSWER(GetMappingClient, ZynDCIMpgMappingClient)
  ZYN_ANSWER(GetMappingMaster, ZynDCIMpgMappingMaster)
  ZYN_ANSWER(GetDirectory, ZynUnicodeString)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgElementPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgElementPrivate> {
 public:
  ZYN_ANSWER(GetUuid, ZynUuid)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgDMTElement, Self>
    : public Answers<Self, Iface::ZynIDCIMpgDMTElement> {
 public:
  ZYN_ANSWER(GetMappingMaster, ZynDCIMpgMappingMaster)
  ZYN_ANSWER(GetM1Component, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetNonM1Component, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetRMTElements, ZynListValZynIDCIMpgRMTElement_var)
  ZYN_ANSWER(GetAlreadyExists, bool)
  ZYN_ANSWER(GetModificationState, int)
  ZYN_ANSWER(GetM1ComponentVersion, ZynBinary)
  ZYN_ANSWER(GetM1ComponentMajorID, ZynBinary)
  ZYN_ANSWER(GetNonM1ComponentVersion, ZynBinary)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgRMTElement, Self>
    : public Answers<Self, Iface::ZynIDCIMpgRMTElement> {
 public:
  ZYN_ANSWER(GetM1Components, ZynListValZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetNonM1Component, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetMigrationState, bool)
  ZYN_ANSWER(GetOwner, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetRef, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetPointed, ZynIDCIMpgComponent_var)
  ZYN_ANSWER(GetAlreadyExists, bool)
  ZYN_ANSWER(GetModificationState, int)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgComponent> {
 public:
  ZYN_ANSWER(GetComponentType, int)
  ZYN_ANSWER(GetExposedIdentifier, ZynBinary)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgComponentPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgComponentPrivate> {
 public:
  HRESULT GetHashKey(unsigned int& o) override { return this->template Ask<Op::GetHashKey>(o); }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgFileComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgFileComponent> {
 public:
  ZYN_ANSWER(GetName, ZynUnicodeString)
  ZYN_ANSWER(GetUuid, ZynUuid)
  ZYN_ANSWER(GetPathName, ZynUnicodeString)
  ZYN_ANSWER(GetDocType, ZynUnicodeString)
  ZYN_ANSWER(GetLastSavePath, ZynUnicodeString)
  ZYN_ANSWER(GetLastSaveName, ZynUnicodeString)
  ZYN_ANSWER(GetLastSaveTime, ZynTime)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgRMTFileBasedComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgRMTFileBasedComponent> {
 public:
  ZYN_ANSWER(GetPX1Id, _SEQUENCE_octet)
  ZYN_ANSWER(GetAlias, ZynUnicodeString)
  ZYN_ANSWER(GetTechnoString, ZynUnicodeString)
  ZYN_ANSWER(GetLinkSequence, _SEQUENCE_octet)
  ZYN_ANSWER_FLAG(IsBrokenLink)
  ZYN_ANSWER(GetObjectType, ZynUnicodeString)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgOrvComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgOrvComponent> {
 public:
  ZYN_ANSWER(GetModelPLMID, ZynPLMID)
  ZYN_ANSWER(GetWorkspaceId, int)
  ZYN_ANSWER(GetElementId, int)
  ZYN_ANSWER(GetWorkspaceUuid, ZynUnicodeString)
  ZYN_ANSWER(GetElementUuid, ZynUnicodeString)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgPellComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgPellComponent> {
 public:
  ZYN_ANSWER(GetPLMID, ZynPLMID)
  ZYN_ANSWER(GetCEStamp, ZynPLMCEStamp)
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgProviderComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgProviderComponent> {
 public:
  ZYN_ANSWER(GetBinaryIdentifier, ZynBinary)
  ZYN_ANSWER(GetProviderName, ZynUnicodeString)
};

#undef ZYN_ANSWER
#undef ZYN_ANSWER_FLAG

}  // namespace zyn::mem
