// The answering classes of the in-memory objects, one per interface, made from the list of
// operations: AnswersOf<K, Self> implements interface K's operations for the object class Self
// by reading its answers. For the table's units only.
#pragma once

#include "objects/Answers.h"
#include "objects/Vocabulary.h"

namespace zyn::mem {

/// The class of each interface.
template <Iface K>
struct InterfaceOf;
#define ZYN_MAPPING_INTERFACE(Name, Serial) \
  template <>                               \
  struct InterfaceOf<Iface::Name> {         \
    using type = ::Name;                    \
  };
#include "zyn/ZynMappingInterfaces.def"

/// The root of interface K's answering class: how an answer is asked of the object and told
/// to the call observer. Self states its type as Self::kType: the slot of each operation is
/// known when the class is compiled.
template <class Self, Iface K>
class Answers : public InterfaceOf<K>::type {
 public:
  using Interface = typename InterfaceOf<K>::type;
  static constexpr Iface kIface = K;

 protected:
  template <Op O, class Out>
  HRESULT Ask(Out& oValue) {
    const ZynObservedCall observed;
    const HRESULT result = AnswerInto(SlotOf<O>(), oValue);
    if (observed)
      TellQuery(observed, static_cast<Self&>(*this), K, O, ZynCall::Answer::Result, result);
    return result;
  }
  template <Op O>
  bool AskFlag() {
    const ZynObservedCall observed;
    const bool answer = AnswerFlag(SlotOf<O>());
    if (observed)
      TellQuery(observed, static_cast<Self&>(*this), K, O, ZynCall::Answer::Flag, answer);
    return answer;
  }

 private:
  template <Op O>
  const Slot& SlotOf() {
    static_assert(vocabulary::Declares(K, O), "an answer to an operation the interface lacks");
    constexpr int kIndex = vocabulary::SlotIndex(Self::kType, O);
    static_assert(kIndex >= 0, "an answer to an operation the type does not answer");
    return static_cast<Self&>(*this).SlotAt(kIndex);
  }
};

/// Interface K's answers to the operations from the N-th on, added to Base one class each, in
/// the order of the list: each operation K declares gets a class of its own that overrides it.
template <int N, Iface K, class Base>
struct AnswersFrom {
  using type = Base;  // past the last operation
};

// For each operation: Answer<Operation><Base, Signature> overrides it on Base, its out-argument
// (or its bool answered directly) taken from the interface's own declaration, so that an
// operation the list gives an interface that does not declare it fails to compile, and one the
// interface declares that the list does not give leaves the object's class abstract.
#define ZYN_MAPPING_OPERATION(Operation, Kind, Target, ...)                              \
  template <class Base, class Signature>                                                 \
  class Answer##Operation;                                                               \
  template <class Base, class Interface, class Out>                                      \
  class Answer##Operation<Base, HRESULT (Interface::*)(Out&)> : public Base {            \
   public:                                                                               \
    HRESULT Operation(Out& o) override { return this->template Ask<Op::Operation>(o); }  \
  };                                                                                     \
  template <class Base, class Interface>                                                 \
  class Answer##Operation<Base, bool (Interface::*)()> : public Base {                   \
   public:                                                                               \
    bool Operation() override { return this->template AskFlag<Op::Operation>(); }        \
  };                                                                                     \
  template <Iface K, class Base, bool = vocabulary::Declares(K, Op::Operation)>          \
  struct Through##Operation {                                                            \
    using type = Base;                                                                   \
  };                                                                                     \
  template <Iface K, class Base>                                                         \
  struct Through##Operation<K, Base, true> {                                             \
    using type = Answer##Operation<Base, decltype(&InterfaceOf<K>::type::Operation)>;    \
  };                                                                                     \
  template <Iface K, class Base>                                                         \
  struct AnswersFrom<static_cast<int>(Op::Operation), K, Base> {                         \
    using type = typename AnswersFrom<static_cast<int>(Op::Operation) + 1, K,            \
                                      typename Through##Operation<K, Base>::type>::type; \
  };
#include "zyn/ZynMappingOperations.def"

/// Interface K's answering class for the object class Self: every operation the list gives K.
template <Iface K, class Self>
class AnswersOf : public AnswersFrom<0, K, Answers<Self, K>>::type {};

}  // namespace zyn::mem
