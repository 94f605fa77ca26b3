// What the object-model library's units share with each other and with white-box tests: the
// module tag of dictionary entries and the slot through which a module object reaches the loader.
#pragma once

#include "zyn/ZynBaseUnknown.h"

namespace zyn_om {

/// The tag that ZynFillDictionary::Register gives to the entries it records on this thread
/// (null outside module loading). Answers the previous tag.
ZYN_EXPORT const void* ExchangeCurrentModuleTag(const void* iTag);

/// Sets the current module tag for the life of the object, then restores the previous one.
class ScopedModuleTag {
 public:
  explicit ScopedModuleTag(const void* iTag) : previous_(ExchangeCurrentModuleTag(iTag)) {}
  ~ScopedModuleTag() { ExchangeCurrentModuleTag(previous_); }
  ScopedModuleTag(const ScopedModuleTag&) = delete;
  ScopedModuleTag& operator=(const ScopedModuleTag&) = delete;

 private:
  const void* previous_;
};

/// The module object built by the library being loaded: its constructor publishes it here, the
/// loader reads it once dlopen returns. Null when no module object was built since the last
/// clear.
ZYN_EXPORT void ClearModuleBeingLoaded();
ZYN_EXPORT const ZynOMModuleInfo* ModuleBeingLoaded();

/// The two objects that the dictionary hands to a creation function, which passes them on to
/// ToCreateBOA unchanged.
struct Creation {
  const ZynBaseUnknown* extended;
  const ZynBaseUnknown* outer;
};

/// The creation running on this thread under a ScopedCreation, or null. Read at each creation
/// of an extension, hence the fastest model: the host libraries are linked, never opened late.
extern thread_local const Creation* tCreationInProgress __attribute__((tls_model("initial-exec")));

/// Marks, for its life, a creation function running on this thread with iCreation's objects.
class ScopedCreation {
 public:
  explicit ScopedCreation(const Creation& iCreation)
      : previous_(tCreationInProgress), creation_(iCreation) {
    tCreationInProgress = &creation_;
  }
  ~ScopedCreation() { tCreationInProgress = previous_; }
  ScopedCreation(const ScopedCreation&) = delete;
  ScopedCreation& operator=(const ScopedCreation&) = delete;

 private:
  const Creation* previous_;
  Creation creation_;
};

inline const Creation* CreationInProgress() { return tCreationInProgress; }

/// Whether iClass, or one of its bases, is the interface iIid (false for a null class).
bool ClassImplements(const ZynMetaClass* iClass, const IID& iIid);

/// Whether the module object that handed over iInfo is still built (its library not unloaded).
ZYN_EXPORT bool IsModuleResident(const ZynOMModuleInfo* iInfo);

}  // namespace zyn_om
