// Loading modules: the module object that hands over a module's registration routines, the
// loader that runs them and removes their dictionary entries at unload, and the lifecycle log.
#include "zyn/ZynModuleLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "ZynObjectModelInternal.h"

namespace {

/// The module objects alive in the process, and the one built by the latest dlopen.
struct ModuleObjects {
  std::mutex mutex;
  const ZynOMModuleInfo* beingLoaded = nullptr;
  std::vector<const ZynOMModuleInfo*> resident;
  /// The module object that handed over each resident table.
  std::map<const ZynOMModuleInfo*, const ZynOMModule*> objectOf;
  /// What each library handed over when first loaded: opening a library that is still resident
  /// builds no module object again.
  std::map<void*, const ZynOMModuleInfo*> byHandle;
};

ModuleObjects& Modules() {
  static auto* modules = new ModuleObjects;
  return *modules;
}

struct LifecycleLog {
  std::mutex mutex;
  std::atomic<bool> enabled{false};
  std::string entries;
};

LifecycleLog& Lifecycle() {
  static auto* log = new LifecycleLog;
  return *log;
}

}  // namespace

namespace zyn_om {

void ClearModuleBeingLoaded() {
  ModuleObjects& modules = Modules();
  std::lock_guard<std::mutex> lock(modules.mutex);
  modules.beingLoaded = nullptr;
}

const ZynOMModuleInfo* ModuleBeingLoaded() {
  ModuleObjects& modules = Modules();
  std::lock_guard<std::mutex> lock(modules.mutex);
  return modules.beingLoaded;
}

bool IsModuleResident(const ZynOMModuleInfo* iInfo) {
  ModuleObjects& modules = Modules();
  std::lock_guard<std::mutex> lock(modules.mutex);
  return std::find(modules.resident.begin(), modules.resident.end(), iInfo) !=
         modules.resident.end();
}

}  // namespace zyn_om

// ---- ZynOMModule ----

namespace {

/// Whether iInfo frames a table as the loader walks it: a null entry at begin and at end, and
/// only routines between them.
bool IsFramedTable(const ZynOMModuleInfo& iInfo) {
  if (!iInfo.begin || !iInfo.end || iInfo.end < iInfo.begin) return false;
  if (*iInfo.begin || *iInfo.end) return false;
  for (const ZynClassRegistrationRoutine* routine = iInfo.begin + 1; routine < iInfo.end; ++routine)
    if (!*routine) return false;
  return true;
}

}  // namespace

ZynOMModule::ZynOMModule(const ZynOMModuleInfo& iInfo) : info_(iInfo) {
  ZYN_CONTRACT(IsFramedTable(iInfo), "ZynOMModule",
               "the begin and end of a table of registration routines, each end a null entry");
  ZynLifecycleLog::Record("module+", nullptr);
  ModuleObjects& modules = Modules();
  std::lock_guard<std::mutex> lock(modules.mutex);
  modules.beingLoaded = &info_;
  modules.resident.push_back(&info_);
  modules.objectOf[&info_] = this;
}

ZynOMModule::~ZynOMModule() {
  ZynLifecycleLog::Record("module-", nullptr);
  ModuleObjects& modules = Modules();
  std::lock_guard<std::mutex> lock(modules.mutex);
  if (modules.beingLoaded == &info_) modules.beingLoaded = nullptr;
  modules.resident.erase(std::remove(modules.resident.begin(), modules.resident.end(), &info_),
                         modules.resident.end());
  modules.objectOf.erase(&info_);
  for (auto it = modules.byHandle.begin(); it != modules.byHandle.end();)
    it = it->second == &info_ ? modules.byHandle.erase(it) : std::next(it);
}

// ---- ZynLifecycleLog ----

void ZynLifecycleLog::Enable(bool iOn) { Lifecycle().enabled.store(iOn); }

void ZynLifecycleLog::Record(const char* iEvent, const char* iName) {
  LifecycleLog& log = Lifecycle();
  if (!log.enabled.load()) return;
  std::lock_guard<std::mutex> lock(log.mutex);
  log.entries += iEvent ? iEvent : "";
  log.entries += iName ? iName : "";
  log.entries += '\n';
}

std::string ZynLifecycleLog::Take() {
  LifecycleLog& log = Lifecycle();
  std::lock_guard<std::mutex> lock(log.mutex);
  std::string taken;
  taken.swap(log.entries);
  return taken;
}

// ---- ZynModuleLoader ----

bool ZynModuleLoader::Load(const std::string& iPath, const char* iMarker, std::string* oError) {
  Unload();
  std::string error;
  zyn_om::ClearModuleBeingLoaded();
  void* handle = dlopen(iPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : "cannot load " + iPath;
  } else if (iMarker && !dlsym(handle, iMarker)) {
    error = std::string("no marker ") + iMarker + " in " + iPath;
  }

  ZynOMModuleInfo info{nullptr, nullptr};
  const ZynOMModule* moduleObject = nullptr;
  if (error.empty()) {
    ModuleObjects& modules = Modules();
    std::lock_guard<std::mutex> lock(modules.mutex);
    const ZynOMModuleInfo* built = modules.beingLoaded;
    modules.beingLoaded = nullptr;
    if (built) {
      modules.byHandle[handle] = built;
    } else {
      auto known = modules.byHandle.find(handle);
      if (known != modules.byHandle.end()) built = known->second;
    }
    if (built) {
      info = *built;
      moduleObject = modules.objectOf[built];
    } else {
      error = iPath + " built no module object";
    }
  }

  if (!error.empty()) {
    if (handle) dlclose(handle);
    if (oError) *oError = error;
    return false;
  }

  handle_ = handle;
  routines_ = 0;
  // Entries registered now carry this loader as their tag, so that unloading removes exactly
  // them, even when another loader holds the same library.
  zyn_om::ScopedModuleTag tag(this);
  if (info.begin && info.end) {
    for (const ZynClassRegistrationRoutine* routine = info.begin + 1; routine < info.end;
         ++routine) {
      if (!*routine) continue;
      const void* answered = (*routine)();
      ZYN_CONTRACT(answered == moduleObject, "class-registration routine",
                   "the address of the module object");
      ++routines_;
    }
  }
  return true;
}

void ZynModuleLoader::Unload() {
  if (!handle_) return;
  ZynFillDictionary::RemoveModuleEntries(this);
  dlclose(handle_);
  handle_ = nullptr;
  routines_ = 0;
}

void* ZynModuleLoader::Symbol(const char* iName) const {
  if (!handle_ || !iName) return nullptr;
  return dlsym(handle_, iName);
}
