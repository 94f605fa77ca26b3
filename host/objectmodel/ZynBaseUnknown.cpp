// The root identifiers, host-object storage with injected failures, the live-object count, the
// base of extension objects, and the creation service that builds them.
#include "zyn/ZynBaseUnknown.h"

#include <cstdlib>
#include <mutex>
#include <utility>

#include "ZynBlockCache.h"
#include "ZynObjectModelInternal.h"
#include "zyn/ZynCallLog.h"

const IID IID_IUnknown = {
    0x5a590000u, 0x0001, 0x4d4f, {0x80, 0x00, 0x5a, 0x59, 0x4e, 0x4f, 0x4d, 0x01}};
const IID IID_ZynBaseUnknown = {
    0x5a590000u, 0x0002, 0x4d4f, {0x80, 0x00, 0x5a, 0x59, 0x4e, 0x4f, 0x4d, 0x02}};

HRESULT IDispatch::GetTypeInfoCount(unsigned int*) { return E_FAIL; }
HRESULT IDispatch::GetTypeInfo(unsigned int, unsigned int, void**) { return E_FAIL; }
HRESULT IDispatch::GetIDsOfNames(const IID&, char**, unsigned int, unsigned int, int*) {
  return E_FAIL;
}
HRESULT IDispatch::Invoke(int, const IID&, unsigned int, unsigned short, void*, void*, void*,
                          unsigned int*) {
  return E_FAIL;
}

namespace {

/// Answered by extension objects alone, with themselves: how ToCreateBOA recognises them.
const IID kExtensionProbe = {
    0x5a590000u, 0x00ff, 0x4d4f, {0x80, 0x00, 0x5a, 0x59, 0x45, 0x58, 0x54, 0xff}};

std::atomic<long> gLiveObjects{0};

/// The extension whose base was built last on this thread: how ToCreateBOA finds the extension
/// its constructor function built without asking the object.
__attribute__((tls_model("initial-exec"))) thread_local ZynBaseExtension* tBuiltExtension = nullptr;

/// Whether an extension of class iClass answers iIid itself (rather than through the object it
/// extends): the root interfaces, and those of its class and bases.
bool ExtensionAnswers(const ZynMetaClass* iClass, const IID& iIid) {
  // The class's own interface first: the one an extension is built for, as a rule.
  return zyn_om::ClassImplements(iClass, iIid) || iIid == IID_IUnknown ||
         iIid == IID_ZynBaseUnknown;
}

/// The injected allocation failures. `armed` keeps the ordinary allocation free of any lock;
/// the countdown itself runs under the mutex, so that concurrent allocations take turns.
struct AllocationFaults {
  std::atomic<bool> armed{false};
  std::mutex mutex;
  int skip = 0;
  int failures = 0;

  /// True when this allocation is to fail.
  bool Due() {
    if (!armed.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> lock(mutex);
    if (failures <= 0) return false;
    if (skip > 0) {
      --skip;
      return false;
    }
    if (--failures == 0) armed.store(false, std::memory_order_release);
    return true;
  }
};

/// Initialised before any code runs (every member is), and never destroyed by anything but
/// the trivial destructors of its members: read by the first and the last allocations alike.
AllocationFaults gFaults;

AllocationFaults& Faults() { return gFaults; }

}  // namespace

long ZynLiveObjectCount() { return gLiveObjects.load(std::memory_order_acquire); }
void ZynLiveObjectCreated() { gLiveObjects.fetch_add(1, std::memory_order_relaxed); }
void ZynLiveObjectDestroyed() { gLiveObjects.fetch_sub(1, std::memory_order_release); }

void ZynAllocationFaults::FailAfter(int iSkip, int iCount) {
  AllocationFaults& faults = Faults();
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.skip = iSkip > 0 ? iSkip : 0;
  faults.failures = iCount > 0 ? iCount : 0;
  faults.armed.store(faults.failures > 0, std::memory_order_release);
}

void ZynAllocationFaults::Clear() { FailAfter(0, 0); }

void* ZynBaseUnknown::operator new(std::size_t iSize) noexcept {
  ZYN_CONTRACT(iSize >= sizeof(ZynBaseUnknown), "ZynBaseUnknown::operator new",
               "the byte size of an object of a class derived from ZynBaseUnknown");
  if (Faults().Due()) return nullptr;
  if (void* reused = zyn::om::TakeCachedBlock(iSize)) return reused;
  return std::malloc(iSize ? iSize : 1);
}

void ZynBaseUnknown::operator delete(void* iStorage) noexcept { std::free(iStorage); }

void ZynBaseUnknown::operator delete(void* iStorage, std::size_t iSize) noexcept {
  if (iStorage && zyn::om::KeepFreedBlock(iStorage, iSize)) return;
  std::free(iStorage);
}

// ---- ZynBaseExtension ----

ZynBaseExtension::ZynBaseExtension() : references_(1), extended_(nullptr), class_(nullptr) {
  ZynLiveObjectCreated();
  tBuiltExtension = this;
}

ZynBaseExtension::~ZynBaseExtension() {
  if (extended_) extended_->Release();
  ZynLiveObjectDestroyed();
}

ZynCall ZynBaseExtension::Observed(const char* iOperation) const {
  ZynCall call;
  call.object = this;
  call.extended = extended_;
  call.extensionClass = class_ ? class_->GetName() : "";
  call.interfaceName = "ZynBaseUnknown";
  call.operation = iOperation;
  return call;
}

HRESULT ZynBaseExtension::QueryInterface(const IID& iIid, void** oInterface) {
  const ZynObservedCall observed;
  const HRESULT result = AnswerInterface(iIid, oInterface);
  if (observed) {
    ZynCall call = Observed("QueryInterface");
    call.asked = ZynFindInterfaceName(iIid);
    call.result = result;
    observed.Tell(call);
  }
  return result;
}

HRESULT ZynBaseExtension::AnswerInterface(const IID& iIid, void** oInterface) {
  if (!oInterface) return E_FAIL;
  *oInterface = nullptr;
  if (iIid == kExtensionProbe) {
    *oInterface = this;  // no reference: only ToCreateBOA asks, on an object it holds
    return S_OK;
  }
  if (ExtensionAnswers(class_, iIid)) {
    AddRef();
    *oInterface = static_cast<ZynBaseUnknown*>(this);
    return S_OK;
  }
  // Every other interface is the extended object's.
  if (extended_) return extended_->QueryInterface(iIid, oInterface);
  return E_NOINTERFACE;
}

HRESULT ZynBaseExtension::QueryInterface(const char* iInterfaceName, void** oInterface) {
  const ZynObservedCall observed;
  const HRESULT result = ZynQueryInterfaceByName(*this, iInterfaceName, oInterface);
  if (observed) {
    ZynCall call = Observed("QueryInterface");
    call.asked = iInterfaceName;
    call.result = result;
    observed.Tell(call);
  }
  return result;
}

std::uint32_t ZynBaseExtension::AddRef() { return references_.Add(); }

std::uint32_t ZynBaseExtension::Release() {
  const std::uint32_t remaining = references_.Drop();
  if (remaining == 0) delete this;
  return remaining;
}

ZynMetaClass* ZynBaseExtension::GetMetaObject() const { return class_; }
const char* ZynBaseExtension::IsA() const { return class_ ? class_->GetName() : ""; }
int ZynBaseExtension::IsAKindOf(const char* iClassName) const {
  return class_ ? class_->IsAKindOf(iClassName) : 0;
}
ZynBaseUnknown* ZynBaseExtension::GetImpl(int iFlag) const {
  ZYN_CONTRACT(iFlag == 0, "ZynBaseUnknown::GetImpl", "the flag 0");
  if (const ZynObservedCall observed; observed) {
    ZynCall call = Observed("GetImpl");
    call.answer = ZynCall::Answer::Object;
    call.answered = extended_;
    observed.Tell(call);
  }
  return extended_;
}
int ZynBaseExtension::IsNull() const { return 0; }
int ZynBaseExtension::IsEqual(const ZynBaseUnknown* iOther) const { return iOther == this; }
HRESULT ZynBaseExtension::ChangeComponentState(int, int, int) { return E_FAIL; }

// ---- Creation service ----

namespace {

/// The extension that iConstructor builds, with the constructor's reference; null when it
/// builds nothing or an object that is not an extension (which goes at once). Its base's
/// constructor tells which extension it is; an object whose base is not the one built last is
/// asked for the extension probe.
ZynBaseExtension* BuildExtension(ZynConstructorFunction iConstructor) {
  tBuiltExtension = nullptr;
  ZynBaseUnknown* built = iConstructor();
  ZynBaseExtension* last = std::exchange(tBuiltExtension, nullptr);
  if (!built) return nullptr;
  if (last && static_cast<ZynBaseUnknown*>(last) == built) return last;
  void* probe = nullptr;
  built->QueryInterface(kExtensionProbe, &probe);
  if (!probe) delete built;
  return static_cast<ZynBaseExtension*>(probe);
}

/// ToCreateBOA's answer when iExtension's class does not implement iIid (against the contract):
/// whatever the extension answers, through the object it extends; the extension goes.
IUnknown* AnswerForeignInterface(ZynBaseExtension* iExtension, const IID& iIid) {
  void* found = nullptr;
  const HRESULT result = iExtension->QueryInterface(iIid, &found);
  ZYN_CONTRACT(found == static_cast<ZynBaseUnknown*>(iExtension), "ToCreateBOA",
               "the meta-class of a class that implements the interface identifier");
  // The constructor's reference goes; the one QueryInterface took, if any, stays with the caller.
  iExtension->Release();
  if (result < 0 || !found) return nullptr;
  return static_cast<IUnknown*>(static_cast<ZynBaseUnknown*>(found));
}

}  // namespace

IUnknown* ToCreateBOA(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter, ZynMetaClass* iClass,
                      const IID& iIid, ZynConstructorFunction iConstructor) {
  ZYN_CONTRACT(iExtended != nullptr, "ToCreateBOA", "the object to extend");
  if (const zyn_om::Creation* creation = zyn_om::CreationInProgress()) {
    ZYN_CONTRACT(iExtended == creation->extended && iOuter == creation->outer, "ToCreateBOA",
                 "the two objects the creation function was given, unchanged and in order");
  }
  ZYN_CONTRACT(iConstructor != nullptr, "ToCreateBOA", "a constructor function");
  if (!iConstructor) return nullptr;
  ZynBaseExtension* extension = BuildExtension(iConstructor);
  if (!extension) return nullptr;
  extension->AttachExtended(iExtended, iClass);
  if (!ExtensionAnswers(iClass, iIid)) return AnswerForeignInterface(extension, iIid);
  // The extension answers iIid itself: the constructor's reference is the caller's.
  return static_cast<IUnknown*>(static_cast<ZynBaseUnknown*>(extension));
}
