// Interface handles that hold one reference, the host's null-handle error, and host lists.
#pragma once

#include <stdexcept>
#include <utility>
#include <vector>

#include "zyn/ZynBaseUnknown.h"

/// The host's null-handle error: raised by a call through a handle that holds nothing.
class ZYN_EXPORT ZynNullVarError : public std::logic_error {
 public:
  explicit ZynNullVarError(const char* iInterfaceName);
  /// Out of line, so that the error's type information lives in the host library alone.
  ~ZynNullVarError() override;
};

/// Raises ZynNullVarError naming the interface; does not return.
[[noreturn]] ZYN_EXPORT void ThrowErrorNullVar(const char* iInterfaceName);

/// The identifier and name of an interface class, for handles and QueryInterface.
/// Every interface declares `static const IID& ClassIid()` and `static const char* ClassName()`.
template <class I>
struct ZynInterfaceTraits {
  static const IID& Iid() { return I::ClassIid(); }
  static const char* Name() { return I::ClassName(); }
};

/// A handle holding one reference to interface I of an object, or nothing.
///
/// Building or assigning a handle from any object (or another handle) asks that object for I;
/// the handle holds null when the object is null or lacks I. `operator->` raises the host's
/// null-handle error on a null handle, so that no call is ever made through null.
template <class I>
class ZynVar {
 public:
  ZynVar() = default;
  ZynVar(std::nullptr_t) {}
  ZynVar(const ZynVar& iOther) : ptr_(iOther.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ZynVar(ZynVar&& iOther) noexcept : ptr_(std::exchange(iOther.ptr_, nullptr)) {}
  /// Asks iObject for I.
  explicit ZynVar(const ZynBaseUnknown* iObject) { __CastTo(iObject); }
  template <class J>
  explicit ZynVar(const ZynVar<J>& iOther) {
    __CastTo(iOther.get());
  }
  ~ZynVar() { Clear(); }

  ZynVar& operator=(const ZynVar& iOther) {
    ZynVar copy(iOther);
    std::swap(ptr_, copy.ptr_);
    return *this;
  }
  ZynVar& operator=(ZynVar&& iOther) noexcept {
    ZynVar taken(std::move(iOther));
    std::swap(ptr_, taken.ptr_);
    return *this;
  }
  ZynVar& operator=(std::nullptr_t) {
    Clear();
    return *this;
  }

  /// Replaces the content by interface I of iObject, or by null when iObject is null or
  /// lacks I.
  void __CastTo(const ZynBaseUnknown* iObject) {
    I* found = nullptr;
    if (iObject) {
      void* out = nullptr;
      if (const_cast<ZynBaseUnknown*>(iObject)->QueryInterface(ZynInterfaceTraits<I>::Iid(),
                                                               &out) >= 0)
        found = static_cast<I*>(out);
    }
    Clear();
    ptr_ = found;
  }
  template <class J>
  void __CastTo(const ZynVar<J>& iOther) {
    __CastTo(static_cast<const ZynBaseUnknown*>(iOther.get()));
  }

  /// Takes over a pointer that already carries one reference.
  void Attach(I* iPointer) {
    Clear();
    ptr_ = iPointer;
  }

  I* operator->() const {
    if (!ptr_) ThrowErrorNullVar(ZynInterfaceTraits<I>::Name());
    return ptr_;
  }
  int operator!() const { return ptr_ == nullptr; }
  explicit operator bool() const { return ptr_ != nullptr; }
  I* get() const { return ptr_; }

 private:
  void Clear() {
    if (ptr_) std::exchange(ptr_, nullptr)->Release();
  }
  I* ptr_ = nullptr;
};

namespace ZynCollec {
/// What RemoveAll does with the elements: 1 releases them.
enum MemoryHandling { DoNothing = 0, ReleaseElements = 1 };
}  // namespace ZynCollec

/// The source of a list's elements that a host object lends without copying them: Size
/// elements, reached by position from 0. The lender keeps its elements alive while the list
/// lives.
class ZYN_EXPORT ZynListSource {
 public:
  virtual ~ZynListSource() = default;
  virtual int Size() const = 0;
  /// The element at iPosition (0-based); may be null.
  virtual ZynBaseUnknown* At(int iPosition) const = 0;
  virtual void AddRef() = 0;
  virtual void Release() = 0;
};

/// A host list of handles to I, with positions from 1 to Size().
///
/// A list either owns its handles or reads them from a lent ZynListSource, building each handle
/// when it is asked for; the second kind costs no memory per element, so that a list of a
/// million rows can be walked in constant memory.
template <class I>
class ZynListVal {
 public:
  ZynListVal() = default;
  ZynListVal(const ZynListVal&) = delete;
  ZynListVal& operator=(const ZynListVal&) = delete;
  ~ZynListVal() { RemoveAll(ZynCollec::ReleaseElements); }

  int Size() const { return source_ ? source_->Size() : static_cast<int>(owned_.size()); }

  /// The element at iPosition, from 1 to Size(); a null handle outside that range.
  /// Contract: iPosition is from 1 to Size().
  ZynVar<I> operator[](int iPosition) const {
    const bool inRange = iPosition >= 1 && iPosition <= Size();
    ZYN_CONTRACT(inRange, "ZynListVal::operator[]", "a position from 1 to Size()");
    if (!inRange) return ZynVar<I>();
    if (source_) return ZynVar<I>(source_->At(iPosition - 1));
    return owned_[static_cast<std::size_t>(iPosition - 1)];
  }

  void Append(ZynVar<I> iElement) { owned_.push_back(std::move(iElement)); }

  /// Lends the list iSource's elements instead of its own (iSource gains one reference).
  void Lend(ZynListSource* iSource) {
    RemoveAll(ZynCollec::ReleaseElements);
    source_ = iSource;
    if (source_) source_->AddRef();
  }

  /// Empties the list. Contract: iHandling is ReleaseElements (1), the one way this host's
  /// lists hold their elements.
  void RemoveAll(ZynCollec::MemoryHandling iHandling) {
    ZYN_CONTRACT(iHandling == ZynCollec::ReleaseElements, "ZynListVal::RemoveAll",
                 "the MemoryHandling value 1");
    owned_.clear();
    if (source_) std::exchange(source_, nullptr)->Release();
  }

 private:
  std::vector<ZynVar<I>> owned_;
  ZynListSource* source_ = nullptr;
};

/// Declares the interface class I with its handle I_var and its list ZynListValI_var.
#define ZYN_DECLARE_HANDLES(I) \
  class I;                     \
  using I##_var = ZynVar<I>;   \
  using ZynListVal##I##_var = ZynListVal<I>;

/// Inside an interface class: its identifier and name.
#define ZYN_DECLARE_INTERFACE(I)                   \
 public:                                           \
  static const IID& ClassIid() { return IID_##I; } \
  static const char* ClassName() { return #I; }
