// The one shape of the module's ten dump classes: an extension of ZynIMpgDump with no data of
// its own, whose meta-class is retrieved once, under the object-model guard, on first use.
#pragma once

#include <atomic>
#include <cstring>
#include <new>

#include "zyn/ZynMappingInfra.h"

namespace zyn_mpg {

/// The framework every dump class is registered in.
inline constexpr char kFramework[] = "ZynMappingInfraStructure";

/// Base of every dump class. Derived states only what differs: kClassName, kExtendedType,
/// kAlsoExtends (a second extended type, or null), kCreate (its exported creation function)
/// and Dump.
template <class Derived>
class DumpExtension : public ZynIMpgDump {
 public:
  ~DumpExtension() override = default;

  ZynMetaClass* GetMetaObject() const override { return MetaClass(); }
  const char* IsA() const override { return MetaClass()->GetName(); }
  int IsAKindOf(const char* iClassName) const override {
    return MetaClass()->IsAKindOf(iClassName);
  }

  /// The class's meta-class. A filled cache is read without a lock; the first use retrieves it
  /// under the guard, testing the cache again inside, so that racing first uses retrieve once.
  /// A retrieval that yields null leaves the cache empty, to be tried again.
  static ZynMetaClass* MetaClass() {
    if (ZynMetaClass* cached = metaClass_.load(std::memory_order_acquire)) return cached;
    kvr::internal::om_guard guard;
    if (ZynMetaClass* cached = metaClass_.load(std::memory_order_relaxed)) return cached;
    ZynMetaClass* interfaceMeta = ZynIMpgDump::MetaObject();
    ZynMetaClass* meta =
        kvr::internal::fct_RetrieveMetaObject(Derived::kClassName, DataExtension, interfaceMeta,
                                              Derived::kExtendedType, kFramework, sizeof(Derived));
    if (meta && Derived::kAlsoExtends)
      meta->SetExtensionOf(kvr::internal::fct_FindMetaObject(Derived::kAlsoExtends));
    metaClass_.store(meta, std::memory_order_release);
    return meta;
  }

  /// The constructor function handed to ToCreateBOA: a zeroed object from the class-level
  /// storage, or null when that storage cannot be had.
  static ZynBaseUnknown* Construct() {
    void* storage = ZynBaseUnknown::operator new(sizeof(Derived));
    if (!storage) return nullptr;
    std::memset(storage, 0, sizeof(Derived));
    try {
      return ::new (storage) Derived();
    } catch (...) {
      ZynBaseUnknown::operator delete(storage);
      throw;
    }
  }

  /// The body of the exported creation function.
  static IUnknown* Create(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter) {
    return ToCreateBOA(iExtended, iOuter, MetaClass(), IID_ZynIMpgDump, &Construct);
  }

  /// The class-registration routine: registers the class for every type it extends.
  static void* Register();

 private:
  static inline std::atomic<ZynMetaClass*> metaClass_{nullptr};
};

/// The exported creation function of a dump class (the build writes the same names into the
/// module's export map).
#define ZYN_MPG_CREATION_FUNCTION_NAME(Class) CreateBOAZynIMpgDump##Class

/// The module object, whose address every registration routine returns.
ZynOMModule& ModuleObject();

template <class Derived>
void* DumpExtension<Derived>::Register() {
  ZynMetaClass* interfaceMeta = ZynIMpgDump::MetaObject();
  ZynFillDictionary::Register(MetaClass(), interfaceMeta, Derived::kCreate, nullptr, 1);
  return &ModuleObject();
}

}  // namespace zyn_mpg
