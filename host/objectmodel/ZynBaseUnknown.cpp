// The root identifiers, host-object storage with injected failures, the live-object count, the
// base of extension objects, and the creation service that builds them.
#include "zyn/ZynBaseUnknown.h"

#include <cstdlib>
#include <mutex>

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

AllocationFaults& Faults() {
  static auto* faults = new AllocationFaults;
  return *faults;
}

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

void ZynBaseUnknown::operator delete(void* iStorage) noexcept {
  if (iStorage && zyn::om::KeepFreedBlock(iStorage)) return;
  std::free(iStorage);
}

// ---- ZynBaseExtension ----

ZynBaseExtension::ZynBaseExtension() : references_(1), extended_(nullptr), class_(nullptr) {
  ZynLiveObjectCreated();
}

ZynBaseExtension::~ZynBaseExtension() {
  if (extended_) extended_->Release();
  ZynLiveObjectDestroyed();
}

void ZynBaseExtension::AttachExtended(ZynBaseUnknown* iExtended, ZynMetaClass* iClass) {
  if (iExtended) iExtended->AddRef();
  if (extended_) extended_->Release();
  extended_ = iExtended;
  class_ = iClass;
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
  bool own = iIid == IID_IUnknown || iIid == IID_ZynBaseUnknown;
  for (const ZynMetaClass* meta = class_; meta && !own; meta = meta->GetBase())
    if (const IID* iid = meta->GetIid()) own = *iid == iIid;
  if (own) {
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

IUnknown* ToCreateBOA(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter, ZynMetaClass* iClass,
                      const IID& iIid, ZynConstructorFunction iConstructor) {
  ZYN_CONTRACT(iExtended != nullptr, "ToCreateBOA", "the object to extend");
  if (const zyn_om::Creation* creation = zyn_om::CreationInProgress()) {
    ZYN_CONTRACT(iExtended == creation->extended && iOuter == creation->outer, "ToCreateBOA",
                 "the two objects the creation function was given, unchanged and in order");
  }
  ZYN_CONTRACT(iConstructor != nullptr, "ToCreateBOA", "a constructor function");
  if (!iConstructor) return nullptr;
  ZynBaseUnknown* built = iConstructor();
  if (!built) return nullptr;
  // Asking for the extension probe costs one virtual call where a dynamic_cast would compare
  // type names across libraries.
  void* probe = nullptr;
  built->QueryInterface(kExtensionProbe, &probe);
  auto* extension = static_cast<ZynBaseExtension*>(probe);
  if (!extension) {
    delete built;
    return nullptr;
  }
  extension->AttachExtended(iExtended, iClass);
  void* found = nullptr;
  const HRESULT result = extension->QueryInterface(iIid, &found);
  // The class implements iIid when the extension answers it itself rather than through the
  // object it extends.
  ZYN_CONTRACT(found == static_cast<ZynBaseUnknown*>(extension), "ToCreateBOA",
               "the meta-class of a class that implements the interface identifier");
  // The constructor's reference goes; the one QueryInterface took, if any, stays with the caller.
  extension->Release();
  if (result < 0 || !found) return nullptr;
  return static_cast<IUnknown*>(static_cast<ZynBaseUnknown*>(found));
}
