// Measures the memory a dump itself takes: the process's high-water mark is reset just before
// the dump (Linux /proc/self/clear_refs) and read just after, so that the building of the table
// cannot stand in for the dump, as it can in a peak taken over the whole process.
//
// Usage: dump_memory ROWS [--trace FILE]
// Builds the synthetic table of ROWS DMT rows (two RMT rows each) as mpgdump --generate does,
// loads the module, and dumps the manager at level 1: on standard output, or with --trace on the
// trace tool into FILE through mpgdump's own file output. On standard error: "resident before
// dump: N KiB", "peak during dump: N KiB", "dump's own: N KiB".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "ModuleIdentity.h"
#include "TraceSinks.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"

namespace {

using zyn_mpg_identity::kModuleMarker;

/// A "Name:   N kB" line of /proc/self/status, in KiB; -1 when absent.
long StatusKiB(const char* iName) {
  std::ifstream status("/proc/self/status");
  const std::size_t length = std::strlen(iName);
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, length, iName) == 0 && line.size() > length && line[length] == ':')
      return std::atol(line.c_str() + length + 1);
  return -1;
}

/// Sets the high-water mark of the resident memory to the resident memory now.
bool ResetPeak() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.flush();
  return static_cast<bool>(clearRefs);
}

/// Sends the trace tool's text into the file iPath through mpgdump's own file output; false,
/// with a message, when the file cannot be written.
bool TraceInto(const char* iPath, std::unique_ptr<zyn::toolio::OutputBuffer>* oFile,
               std::unique_ptr<mpgdump::TraceToolSink>* oSink) {
  int openError = 0;
  *oFile = zyn::toolio::OutputBuffer::OpenFile(iPath, &openError);
  if (!*oFile) {
    std::fprintf(stderr, "dump_memory: cannot write %s: %s\n", iPath, std::strerror(openError));
    return false;
  }
  *oSink = std::make_unique<mpgdump::TraceToolSink>(**oFile, nullptr);
  ZynDCIMpgTraceTool::SetOutput(oSink->get());
  return true;
}

/// Dumps the manager of ioTable at level 1: the resident memory just before in oBefore, its
/// high-water mark just after in oPeak. False, with a message, when it cannot be measured.
bool MeasureDump(zyn::mem::LoadedTable& ioTable, long* oBefore, long* oPeak) {
  ZynIMpgDump_var dump(ioTable.Find("manager")->Unknown());
  if (!dump) {
    std::fprintf(stderr, "dump_memory: the manager offers no ZynIMpgDump\n");
    return false;
  }
  *oBefore = StatusKiB("VmRSS");
  if (!ResetPeak()) {
    std::fprintf(stderr, "dump_memory: cannot reset the peak through /proc/self/clear_refs\n");
    return false;
  }
  dump->Dump(1, 1, 0);
  *oPeak = StatusKiB("VmHWM");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const char* tracePath = nullptr;
  if (argc == 4 && std::strcmp(argv[2], "--trace") == 0) {
    tracePath = argv[3];
  } else if (argc != 2) {
    std::fprintf(stderr, "usage: dump_memory ROWS [--trace FILE]\n");
    return 2;
  }
  const long rows = std::atol(argv[1]);

  zyn::mem::LoadedTable table;
  std::string error;
  if (rows < 0 || !zyn::mem::GenerateTable(rows, 2, &table, &error)) {
    std::fprintf(stderr, "dump_memory: cannot generate the table: %s\n", error.c_str());
    return 2;
  }

  std::unique_ptr<zyn::toolio::OutputBuffer> file;
  std::unique_ptr<mpgdump::TraceToolSink> sink;
  if (tracePath && !TraceInto(tracePath, &file, &sink)) return 2;
  ZynDCIMpgTraceTool::SetValid(tracePath != nullptr);

  ZynModuleLoader loader;
  const char* modulePath = std::getenv("ZYN_BENCH_MODULE");
  if (!loader.Load(modulePath ? modulePath : ZYN_BENCH_MODULE_PATH, kModuleMarker, &error)) {
    std::fprintf(stderr, "dump_memory: cannot load the module: %s\n", error.c_str());
    return 3;
  }
  long before = 0, peak = 0;
  if (!MeasureDump(table, &before, &peak)) return 2;
  std::cout.flush();
  ZynDCIMpgTraceTool::SetOutput(nullptr);
  loader.Unload();

  std::fprintf(stderr,
               "resident before dump: %ld KiB\npeak during dump: %ld KiB\ndump's own: %ld KiB\n",
               before, peak, peak - before);
  return 0;
}
