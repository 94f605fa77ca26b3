// Meta-classes, the interface table, the extension dictionary and the object-model guard.
//
// Meta-classes are created under one registry mutex and never destroyed. The dictionary is read
// on every QueryInterface that an object's own class cannot answer, millions of times per dump
// and from several threads at once, while it changes only when a module is loaded or unloaded.
// Each type therefore publishes its entries as an immutable list behind an atomic pointer: a
// lookup reads the pointer and walks the list without any lock; a change builds a new list
// under the registry mutex and keeps the old one, since a reader may still be walking it.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ZynObjectModelInternal.h"
#include "zyn/ZynBaseUnknown.h"
#include "zyn/ZynCallLog.h"

/// One extension of one type: asked for `iid`, an object of the type is given what `create`
/// builds. `moduleTag` names the module load that registered it.
struct ZynDictionaryEntry {
  IID iid;
  ZynCreateFunction create;
  ZynCheckFunction check;
  ZynMetaClass* extensionClass;
  const void* moduleTag;
};

namespace {
using EntryList = std::vector<ZynDictionaryEntry>;
}  // namespace

struct ZynMetaClass::Data {
  std::string name;
  std::string framework;
  ENUMTypeOfClass kind = Implementation;
  ZynMetaClass* base = nullptr;
  std::size_t objectSize = 0;
  /// The types this class extends, with a null after the last (guarded by the registry mutex).
  std::vector<ZynMetaClass*> extendedTypes{nullptr};
  bool hasIid = false;
  IID iid{};
  /// The identifiers of this class and of its bases, nearest first: set when the class is
  /// created (its base never changes), read without a lock at every extension's creation.
  std::vector<IID> implemented;
  /// The extensions registered for this type; replaced, never changed in place.
  std::atomic<const EntryList*> entries{nullptr};
};

namespace {

/// Every meta-class by name, and the call counts of fct_RetrieveMetaObject.
struct Registry {
  std::mutex mutex;
  std::map<std::string, ZynMetaClass*, std::less<>> byName;
  std::map<std::string, int, std::less<>> retrieveCalls;
  /// The class names whose retrieval is refused, with the number of refusals of each.
  std::map<std::string, int, std::less<>> refusedRetrievals;
  /// Entry lists replaced while a lock-free reader may still hold them.
  std::vector<std::unique_ptr<const EntryList>> retiredEntries;

  Registry();
  ZynMetaClass* FindLocked(const char* iName) const;
  ZynMetaClass* CreateLocked(const char* iName, ENUMTypeOfClass iKind, ZynMetaClass* iBase,
                             const char* iFramework, std::size_t iObjectSize);
  ZynMetaClass* RegisterInterfaceLocked(const char* iName, const IID& iIid, const char* iBaseName);
  void ReplaceEntriesLocked(ZynMetaClass* iType, EntryList iEntries);
};

/// Built on first use and never destroyed: modules unloaded during process exit still reach it.
Registry& TheRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}

Registry::Registry() {
  // The root interfaces, so that every interface registered later has its base at hand.
  std::lock_guard<std::mutex> lock(mutex);
  RegisterInterfaceLocked("IUnknown", IID_IUnknown, nullptr);
  RegisterInterfaceLocked("ZynBaseUnknown", IID_ZynBaseUnknown, "IUnknown");
}

ZynMetaClass* Registry::FindLocked(const char* iName) const {
  if (!iName) return nullptr;
  auto found = byName.find(iName);
  return found == byName.end() ? nullptr : found->second;
}

ZynMetaClass* Registry::CreateLocked(const char* iName, ENUMTypeOfClass iKind, ZynMetaClass* iBase,
                                     const char* iFramework, std::size_t iObjectSize) {
  auto* data = new ZynMetaClass::Data;
  data->name = iName;
  data->framework = iFramework ? iFramework : "";
  data->kind = iKind;
  data->base = iBase;
  data->objectSize = iObjectSize;
  if (iBase) data->implemented = iBase->data()->implemented;
  auto* meta = new ZynMetaClass(data);
  byName.emplace(iName, meta);
  return meta;
}

ZynMetaClass* Registry::RegisterInterfaceLocked(const char* iName, const IID& iIid,
                                                const char* iBaseName) {
  if (ZynMetaClass* existing = FindLocked(iName)) return existing;
  ZynMetaClass* meta = CreateLocked(iName, Implementation, FindLocked(iBaseName), "", 0);
  meta->data()->hasIid = true;
  meta->data()->iid = iIid;
  std::vector<IID>& implemented = meta->data()->implemented;
  implemented.insert(implemented.begin(), iIid);
  return meta;
}

void Registry::ReplaceEntriesLocked(ZynMetaClass* iType, EntryList iEntries) {
  auto* fresh = new EntryList(std::move(iEntries));
  const EntryList* old = iType->data()->entries.exchange(fresh, std::memory_order_acq_rel);
  if (old) retiredEntries.emplace_back(old);
}

/// The tag of the module whose registration routines run on this thread.
thread_local const void* tCurrentModuleTag = nullptr;

}  // namespace

namespace zyn_om {
const void* ExchangeCurrentModuleTag(const void* iTag) {
  const void* previous = tCurrentModuleTag;
  tCurrentModuleTag = iTag;
  return previous;
}

thread_local const Creation* tCreationInProgress = nullptr;

bool ClassImplements(const ZynMetaClass* iClass, const IID& iIid) {
  if (!iClass) return false;
  for (const IID& iid : iClass->data()->implemented)
    if (iid == iIid) return true;
  return false;
}

}  // namespace zyn_om

// ---- ZynMetaClass ----

const char* ZynMetaClass::GetName() const { return data_->name.c_str(); }
ENUMTypeOfClass ZynMetaClass::GetKind() const { return data_->kind; }
const ZynMetaClass* ZynMetaClass::GetBase() const { return data_->base; }
std::size_t ZynMetaClass::GetObjectSize() const { return data_->objectSize; }
const char* ZynMetaClass::GetFramework() const { return data_->framework.c_str(); }
const IID* ZynMetaClass::GetIid() const { return data_->hasIid ? &data_->iid : nullptr; }

int ZynMetaClass::IsAKindOf(const char* iClassName) const {
  ZYN_CONTRACT(iClassName != nullptr, "ZynMetaClass::IsAKindOf", "a class name");
  if (!iClassName) return 0;
  for (const ZynMetaClass* meta = this; meta; meta = meta->data_->base)
    if (meta->data_->name == iClassName) return 1;
  return 0;
}

void ZynMetaClass::SetExtensionOf(ZynMetaClass* iType) {
  ZYN_CONTRACT(iType != nullptr, "ZynMetaClass::SetExtensionOf", "the meta-class of a type");
  if (!iType) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::vector<ZynMetaClass*>& types = data_->extendedTypes;
  for (ZynMetaClass* known : types)
    if (known == iType) return;
  types.insert(types.end() - 1, iType);
}

int ZynMetaClass::CountExtendedTypes() const {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return static_cast<int>(data_->extendedTypes.size()) - 1;
}

ZynMetaClass* ZynMetaClass::GetExtendedType(int iPosition) const {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const std::vector<ZynMetaClass*>& types = data_->extendedTypes;
  if (iPosition < 0 || iPosition >= static_cast<int>(types.size())) return nullptr;
  return types[static_cast<std::size_t>(iPosition)];
}

// ---- Retrieval ----

namespace kvr::internal {

ZynMetaClass* fct_RetrieveMetaObject(const char* iClassName, int iKind, ZynMetaClass* iBase,
                                     const char* iExtendedType, const char* iFramework,
                                     std::size_t iObjectSize) {
  constexpr const char* kOperation = "kvr::internal::fct_RetrieveMetaObject";
  ZYN_CONTRACT(iClassName && *iClassName, kOperation, "a class name");
  ZYN_CONTRACT(iKind >= Implementation && iKind <= CodeExtension, kOperation,
               "an ENUMTypeOfClass value");
  // A class that names a type it extends is an extension, which ToCreateBOA builds: a data
  // extension implementing an interface, with room for the extension base.
  if (iExtendedType && *iExtendedType) {
    ZYN_CONTRACT(iKind == DataExtension, kOperation, "the kind DataExtension for an extension");
    ZYN_CONTRACT(iBase && iBase->GetIid(), kOperation,
                 "the interface's meta-class as the base of an extension");
    ZYN_CONTRACT(iFramework && *iFramework, kOperation, "a framework name for an extension");
    ZYN_CONTRACT(iObjectSize >= sizeof(ZynBaseExtension), kOperation,
                 "the byte size of the extension's objects");
  }
  if (!iClassName) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  ++registry.retrieveCalls[iClassName];
  if (registry.refusedRetrievals.count(iClassName)) return nullptr;
  if (ZynMetaClass* existing = registry.FindLocked(iClassName)) return existing;
  ZynMetaClass* meta = registry.CreateLocked(iClassName, static_cast<ENUMTypeOfClass>(iKind), iBase,
                                             iFramework, iObjectSize);
  if (iExtendedType && *iExtendedType) {
    // A type not yet described gets a bare meta-class, which its own retrieval later answers.
    ZynMetaClass* type = registry.FindLocked(iExtendedType);
    if (!type) type = registry.CreateLocked(iExtendedType, Implementation, nullptr, "", 0);
    std::vector<ZynMetaClass*>& types = meta->data()->extendedTypes;
    types.insert(types.end() - 1, type);
  }
  return meta;
}

ZynMetaClass* fct_FindMetaObject(const char* iClassName) {
  ZYN_CONTRACT(iClassName != nullptr, "kvr::internal::fct_FindMetaObject", "a class name");
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.FindLocked(iClassName);
}

int fct_RetrieveMetaObjectCalls(const char* iClassName) {
  if (!iClassName) return 0;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.retrieveCalls.find(iClassName);
  return found == registry.retrieveCalls.end() ? 0 : found->second;
}

namespace {
std::recursive_mutex& GuardMutex() {
  static auto* mutex = new std::recursive_mutex;
  return *mutex;
}
}  // namespace

om_guard::om_guard() { GuardMutex().lock(); }
om_guard::~om_guard() { GuardMutex().unlock(); }

}  // namespace kvr::internal

// ---- Injected retrieval failures ----

void ZynMetaClassFaults::Refuse(const char* iClassName) {
  if (!iClassName) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  ++registry.refusedRetrievals[iClassName];
}

void ZynMetaClassFaults::Allow(const char* iClassName) {
  if (!iClassName) return;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto refused = registry.refusedRetrievals.find(iClassName);
  if (refused != registry.refusedRetrievals.end() && --refused->second == 0)
    registry.refusedRetrievals.erase(refused);
}

namespace {
/// Whether some retrieval is refused now: a null class meta-class may then be the host's doing.
bool AnyRetrievalRefused() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return !registry.refusedRetrievals.empty();
}
}  // namespace

// ---- Interfaces ----

ZynMetaClass* ZynRegisterInterface(const char* iName, const IID& iIid, const char* iBaseName) {
  if (!iName) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return registry.RegisterInterfaceLocked(iName, iIid, iBaseName);
}

const IID* ZynFindInterfaceIid(const char* iName) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  ZynMetaClass* meta = registry.FindLocked(iName);
  return meta ? meta->GetIid() : nullptr;
}

const char* ZynFindInterfaceName(const IID& iIid) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const auto& [name, meta] : registry.byName) {
    const IID* iid = meta->GetIid();
    if (iid && *iid == iIid) return meta->GetName();
  }
  return nullptr;
}

HRESULT ZynQueryInterfaceByName(IUnknown& iObject, const char* iName, void** oInterface) {
  if (oInterface) *oInterface = nullptr;
  const IID* iid = iName ? ZynFindInterfaceIid(iName) : nullptr;
  if (!iid) return E_NOINTERFACE;
  return iObject.QueryInterface(*iid, oInterface);
}

// ---- Dictionary ----

HRESULT ZynFillDictionary::Register(ZynMetaClass* iClass, ZynMetaClass* iInterface,
                                    ZynCreateFunction iCreate, ZynCheckFunction iCheck, int iFlag) {
  constexpr const char* kOperation = "ZynFillDictionary::Register";
  ZYN_CONTRACT((iClass || AnyRetrievalRefused()) && iInterface && iInterface->GetIid() && iCreate,
               kOperation, "a class meta-class, an interface meta-class and a creation function");
  ZYN_CONTRACT(iCheck == nullptr, kOperation, "a null checking function");
  ZYN_CONTRACT(iFlag == 1, kOperation, "the flag 1");
  if (!iClass || !iInterface || !iCreate || !iInterface->GetIid()) return E_FAIL;
  const ZynDictionaryEntry entry{*iInterface->GetIid(), iCreate, iCheck, iClass, tCurrentModuleTag};
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (ZynMetaClass* type : iClass->data()->extendedTypes) {
    if (!type) break;
    const EntryList* current = type->data()->entries.load(std::memory_order_acquire);
    EntryList entries = current ? *current : EntryList();
    entries.push_back(entry);
    registry.ReplaceEntriesLocked(type, std::move(entries));
  }
  return S_OK;
}

void* ZynFillDictionary::CreateExtension(ZynBaseUnknown* iObject, const IID& iIid) {
  if (!iObject) return nullptr;
  return CreateExtensionOfType(iObject, iObject->GetMetaObject(), iIid);
}

void* ZynFillDictionary::CreateExtensionOfType(ZynBaseUnknown* iObject, const ZynMetaClass* iType,
                                               const IID& iIid) {
  if (!iObject) return nullptr;
  for (const ZynMetaClass* type = iType; type; type = type->data()->base) {
    const EntryList* entries = type->data()->entries.load(std::memory_order_acquire);
    if (!entries) continue;
    for (const ZynDictionaryEntry& entry : *entries) {
      if (entry.iid != iIid) continue;
      if (entry.check && !entry.check(iObject)) continue;
      const zyn_om::ScopedCreation creation({iObject, nullptr});
      return entry.create(iObject, nullptr);
    }
  }
  return nullptr;
}

void ZynFillDictionary::RemoveModuleEntries(const void* iModuleTag) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (auto& named : registry.byName) {
    ZynMetaClass* type = named.second;
    const EntryList* current = type->data()->entries.load(std::memory_order_acquire);
    if (!current) continue;
    EntryList kept;
    for (const ZynDictionaryEntry& entry : *current)
      if (entry.moduleTag != iModuleTag) kept.push_back(entry);
    if (kept.size() != current->size()) registry.ReplaceEntriesLocked(type, std::move(kept));
  }
}

int ZynFillDictionary::CountEntries() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::size_t count = 0;
  for (const auto& named : registry.byName)
    if (const EntryList* entries = named.second->data()->entries.load(std::memory_order_acquire))
      count += entries->size();
  return static_cast<int>(count);
}
