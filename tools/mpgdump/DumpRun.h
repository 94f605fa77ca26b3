// The dump of an mpgdump run: the sinks installed, the module loaded, Dump called and answered.
#pragma once

#include "DumpOutputs.h"
#include "Options.h"
#include "RunTable.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynModuleLoader.h"

namespace mpgdump {

/// Everything the run sets up, torn down in the order that keeps each piece valid while the
/// pieces after it still use it: the dump handle first (its code lives in the module), then the
/// sinks are uninstalled, then the module goes, then the outputs, then the table.
class Session {
 public:
  ~Session() {
    dump = nullptr;
    UninstallSinks();
    loader.Unload();
  }
  void UninstallSinks();

  RunTable table;
  DumpOutputs outputs;
  ZynModuleLoader loader;
  ZynIMpgDump_var dump;
};

/// Installs the sinks, loads the module and dumps iTarget, with progress and statistics when
/// asked. Answers the run's exit status, after saying why when it is not 0.
int Dump(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget);

}  // namespace mpgdump
