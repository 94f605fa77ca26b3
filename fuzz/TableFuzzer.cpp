// Fuzz target: a table file through the loader, then a dump of every object of the loaded table
// at several levels and modes on both sinks.
#include <dlfcn.h>
#include <libgen.h>
#include <linux/limits.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>

#include "ModuleIdentity.h"
#include "RunSettings.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"

namespace {

/// Swallows everything, so that standard output does not drown the fuzzer's own report.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int iChar) override { return iChar; }
  std::streamsize xsputn(const char*, std::streamsize iCount) override { return iCount; }
};

class NullTraceOutput : public ZynTraceToolOutput {
 public:
  void OnTraPut(int, const char*) override {}
  void OnTraPrint(int, const char*, const char*) override {}
};

NullBuffer gNullBuffer;
NullTraceOutput gNullTrace;
ZynModuleLoader* gLoader = nullptr;

std::string ModuleBesideExecutable() {
  char path[PATH_MAX] = {};
  if (readlink("/proc/self/exe", path, sizeof(path) - 1) <= 0)
    return zyn_mpg_identity::kModuleFileName;
  return std::string(dirname(path)) + "/../lib/" + zyn_mpg_identity::kModuleFileName;
}

/// Sequences asked to repeat a pattern very many times only measure memory, not the code: the
/// fuzzer skips tables that ask for more than this many repetitions.
constexpr long kMaxTimes = 100000;
bool AsksForHugeRepeats(const std::string& iText) {
  for (std::size_t at = iText.find("\"times\""); at != std::string::npos;
       at = iText.find("\"times\"", at + 1)) {
    std::size_t digits = iText.find_first_of("0123456789", at);
    if (digits != std::string::npos && std::strtol(iText.c_str() + digits, nullptr, 10) > kMaxTimes)
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* path = std::getenv("ZYN_MODULE");
  const std::string module = path ? path : ModuleBesideExecutable();
  gLoader = new ZynModuleLoader;
  std::string error;
  if (!gLoader->Load(module, zyn_mpg_identity::kModuleMarker, &error)) {
    std::cerr << "cannot load " << module << ": " << error << "\n";
    std::abort();
  }
  std::cout.rdbuf(&gNullBuffer);
  ZynDCIMpgTraceTool::SetOutput(&gNullTrace);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* iData, std::size_t iSize) {
  const std::string text(reinterpret_cast<const char*>(iData), iSize);
  if (AsksForHugeRepeats(text)) return -1;
  zyn::mem::LoadedTable table;
  mpgdump::RunSettings settings;
  std::string error;
  if (!mpgdump::LoadTableWithSettings(text, &table, &settings, &error)) return 0;
  ZynDCIMpgTraceTool::_traceType = settings.traceType;
  for (const std::string& name : settings.activeTraces) ZynTrace::SetActive(name.c_str(), true);
  const long liveBefore = ZynLiveObjectCount();
  for (bool valid : {false, true}) {
    ZynDCIMpgTraceTool::SetValid(valid);
    for (const auto& [id, object] : table.objects) {
      for (int level : {-1, 0, 1, 2, 3}) {
        for (int mode : {1, 3}) {
          ZynIMpgDump_var dump(object->Unknown());
          if (!dump) continue;
          try {
            dump->Dump(level, mode, level + 1);
          } catch (const ZynNullVarError&) {
            // The exposed-identifier step of a component lacking its component interface.
          }
        }
      }
    }
  }
  ZynTrace::ResetActivation();
  if (ZynLiveObjectCount() != liveBefore) {
    std::cerr << "host objects leaked by a dump\n";
    std::abort();
  }
  return 0;
}
