// mpgdump's run settings: what a table file's "dump", "trace_tool" and "active_traces" ask for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ModuleIdentity.h"
#include "zyn/ZynMemTable.h"

namespace mpgdump {

/// What a table file asks of a run, with the defaults of a file that says nothing.
struct RunSettings {
  // "dump": which object to dump, and the arguments of Dump(level, mode, index).
  std::string dumpObject;  // empty when the file names none
  int dumpLevel = 1;
  int dumpMode = 1;
  int dumpIndex = 0;
  // "trace_tool": the trace tool's answers to whether it is valid, the last one repeated, and
  // its trace type.
  std::vector<bool> validity{false};
  int traceType = 0;
  // "active_traces": the named traces to activate, each one of kTraceNames.
  std::vector<std::string> activeTraces;
};

/// The named traces the module builds; only these may be activated.
using zyn_mpg_identity::kTraceNames;
/// Whether iName is one of kTraceNames.
bool IsTraceName(std::string_view iName);
/// The names of kTraceNames, joined by ", ".
std::string KnownTraceNames();

/// Reads one of a table file's tool members into ioSettings. False, with the message that
/// refuses the table naming the place ("dump.level: expected ..."), when it is not what a run
/// can use.
bool ReadRunSetting(const zyn::mem::ToolMember& iMember, RunSettings* ioSettings,
                    std::string* oMessage);

/// Loads a table file with its run settings, refusing it as the loader refuses the rest: each
/// setting where it stands in the file, and the object to dump once every id is known (it must
/// exist and offer ZynIMpgDump). On a refusal, oTable and oSettings are left alone.
bool LoadTableWithSettings(std::string_view iText, zyn::mem::LoadedTable* oTable,
                           RunSettings* oSettings, std::string* oError);

}  // namespace mpgdump
