// The table an mpgdump run dumps from, its run settings, and the object it dumps.
#pragma once

#include <string>

#include "Options.h"
#include "RunSettings.h"
#include "zyn/ZynMemTable.h"

namespace mpgdump {

/// The table of a run and what its file asks of the run.
struct RunTable {
  zyn::mem::LoadedTable loaded;
  RunSettings settings;
};

/// What to dump with which arguments, and where the table came from.
struct DumpTarget {
  std::string source;  // how messages call the table
  std::string objectId;
  const char* objectPlace = "";  // where the object was chosen: "dump.object" or "--object"
  zyn::mem::MemObject* object = nullptr;
  int level = 0, mode = 0, index = 0;
};

/// Reads the table (--generate, a file, standard input or the bundled sample), picks the object
/// to dump with its arguments, and checks the traces that --activate and ZYN_TRACE_ACTIVE name.
/// Answers 0, or kExitUsage after saying why.
int PrepareTable(const Options& iOptions, RunTable* oTable, DumpTarget* oTarget);

}  // namespace mpgdump
