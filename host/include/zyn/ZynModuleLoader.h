// Loading a module into the host at run time and registering its classes.
#pragma once

#include <string>

#include "zyn/ZynBaseUnknown.h"

/// A module loaded with dlopen whose class-registration routines have run. Unloading removes
/// the module's dictionary entries before the library is closed, so that no creation function
/// of an unloaded module stays reachable.
class ZYN_EXPORT ZynModuleLoader {
 public:
  ZynModuleLoader() = default;
  ~ZynModuleLoader() { Unload(); }
  ZynModuleLoader(const ZynModuleLoader&) = delete;
  ZynModuleLoader& operator=(const ZynModuleLoader&) = delete;

  /// Loads the shared library at iPath, checks that it exports the marker iMarker (when not
  /// null), and runs the routines of the table that its module object handed over. On failure
  /// answers false with the reason in oError and leaves nothing loaded.
  bool Load(const std::string& iPath, const char* iMarker, std::string* oError);
  /// Removes the module's dictionary entries, then closes the library. Safe to call twice.
  void Unload();
  bool IsLoaded() const { return handle_ != nullptr; }
  /// An exported symbol of the loaded module, or null.
  void* Symbol(const char* iName) const;
  /// Number of class-registration routines that were run.
  int CountRoutines() const { return routines_; }

 private:
  void* handle_ = nullptr;
  int routines_ = 0;
};
