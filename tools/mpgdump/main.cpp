// mpgdump: loads the dump module into the host, reads a mapping table and dumps one object.
//
// Exit status: 0 when Dump answered S_OK; 1 when it answered anything else; 2 for bad usage or
// a bad table; 3 when the module cannot be loaded; 4 when the host's null-handle error escaped
// the dump; 6 when the host recorded calls against its contract (listed on standard error),
// whatever the dump answered; 5 when an output could not be written, which wins over the
// others (their message still comes). Every output is checked: standard output, the trace
// text, the trace log and the --stats report; the trace log is replaced only once complete.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "DumpOutputs.h"
#include "DumpProgress.h"
#include "DumpStats.h"
#include "ModuleIdentity.h"
#include "Options.h"
#include "SampleTable.h"
#include "zyn/ZynContract.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"
#include "zyn/ZynTrace.h"
#include "zyn/ZynVar.h"
#include "zyntoolio/SignalCleanup.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {
namespace {

using zyn_mpg_identity::kModuleFileName;
using zyn_mpg_identity::kModuleMarker;

/// Reports a failure on standard error, prefixed with the tool's name, after the trace text
/// that standard error may hold.
template <class... Pieces>
void Complain(const Pieces&... iPieces) {
  std::ostringstream message;
  (message << ... << iPieces);
  zyn::toolio::Say("mpgdump", message.str());
}

/// Reads a whole file, or standard input for "-".
bool ReadText(const std::string& iPath, std::string* oText, std::string* oError) {
  if (iPath == "-") {
    oText->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      *oError = "cannot read standard input";
      return false;
    }
    return true;
  }
  std::error_code ignored;
  if (std::filesystem::is_directory(iPath, ignored)) {
    *oError = "cannot read: it is a directory";
    return false;
  }
  std::ifstream file(iPath, std::ios::binary);
  if (!file) {
    *oError = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  try {
    oText->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure& failure) {
    *oError = std::string("cannot read: ") + failure.what();
    return false;
  }
  if (file.bad()) {
    *oError = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  return true;
}

/// Parses "N" or "NxK" (both non-negative); K is 2 when absent.
bool ParseGenerateSpec(const std::string& iSpec, long* oRows, int* oRmtPerRow) {
  const std::size_t cross = iSpec.find('x');
  const std::string rows = iSpec.substr(0, cross);
  const std::string rmt = cross == std::string::npos ? "2" : iSpec.substr(cross + 1);
  auto digitsOnly = [](const std::string& iText) {
    return !iText.empty() && iText.size() <= 9 &&
           std::all_of(iText.begin(), iText.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digitsOnly(rows) || !digitsOnly(rmt)) return false;
  *oRows = std::stol(rows);
  *oRmtPerRow = std::stoi(rmt);
  return true;
}

bool IsTraceName(const std::string& iName) {
  return std::any_of(kTraceNames.begin(), kTraceNames.end(),
                     [&](const char* known) { return iName == known; });
}

/// The module built or installed beside the tool: ../lib/ in a build tree, the installed
/// module directory (ZYN_INSTALLED_MODULE_DIR, relative to the tool's), then the tool's own
/// directory. When none exists, the first, so that the loader names the place it looked.
std::string DefaultModulePath() {
  std::error_code error;
  const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path directory = error ? std::filesystem::path(".") : tool.parent_path();
  const std::filesystem::path candidates[] = {
      (directory / ".." / "lib" / kModuleFileName).lexically_normal(),
      (directory / ZYN_INSTALLED_MODULE_DIR / kModuleFileName).lexically_normal(),
      directory / kModuleFileName};
  for (const auto& candidate : candidates) {
    if (std::filesystem::exists(candidate, error)) return candidate.string();
  }
  return candidates[0].string();
}

std::string Hex(HRESULT iResult) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<std::uint32_t>(iResult));
  return text;
}

/// Where the table came from, and what to dump with which arguments.
struct DumpTarget {
  std::string source;  // how messages call the table
  std::string objectId;
  const char* objectPlace;  // where the object was chosen: "dump.object" or "--object"
  zyn::mem::MemObject* object = nullptr;
  int level = 0, mode = 0, index = 0;
};

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
  void UninstallSinks() {
    ZynDCIMpgTraceTool::SetOutput(nullptr);
    ZynTrace::SetObserver(nullptr);
  }

  zyn::mem::LoadedTable table;
  DumpOutputs outputs;
  ZynModuleLoader loader;
  ZynIMpgDump_var dump;
};

/// Reads or builds the table and picks the object to dump. Answers 0, or kExitUsage after
/// saying why.
int PrepareTable(const Options& iOptions, zyn::mem::LoadedTable* oTable, DumpTarget* oTarget) {
  std::string& source = oTarget->source;
  std::string error;
  if (iOptions.generate) {
    source = "--generate " + *iOptions.generate;
    long rows = 0;
    int rmtPerRow = 0;
    if (!ParseGenerateSpec(*iOptions.generate, &rows, &rmtPerRow)) {
      Complain("--generate: expected N or NxK (N DMT rows, K RMT rows each), not \"",
               *iOptions.generate, "\"");
      return kExitUsage;
    }
    if (!zyn::mem::GenerateTable(rows, rmtPerRow, oTable, &error)) {
      Complain(source, ": ", error);
      return kExitUsage;
    }
    if (oTable->dumpObject.empty()) oTable->dumpObject = "manager";
  } else {
    std::string text;
    if (iOptions.table.empty()) {
      source = "sample table";
      text = std::string(SampleTable());
    } else {
      source = iOptions.table == "-" ? "standard input" : iOptions.table;
      if (!ReadText(iOptions.table, &text, &error)) {
        Complain(source, ": ", error);
        return kExitUsage;
      }
    }
    if (!zyn::mem::LoadTable(text, oTable, &error)) {
      Complain(source, ": ", error);
      return kExitUsage;
    }
  }

  // The object to dump and the arguments of Dump. The loader has checked the file's own choice;
  // --object is checked here, in the same terms.
  const std::string& objectId = oTarget->objectId =
      iOptions.object.empty() ? oTable->dumpObject : iOptions.object;
  const char* objectPlace = oTarget->objectPlace =
      iOptions.object.empty() ? "dump.object" : "--object";
  if (objectId.empty()) {
    Complain(source, ": no object to dump: the table's \"dump\" names none and --object is absent");
    return kExitUsage;
  }
  zyn::mem::MemObject* object = oTarget->object = oTable->Find(objectId);
  if (!object) {
    Complain(source, ": ", objectPlace, ": unknown id \"", objectId, "\"");
    return kExitUsage;
  }
  if (!object->Offers(zyn::mem::Iface::ZynIMpgDump)) {
    Complain(source, ": ", objectPlace, ": \"", objectId, "\" (",
             zyn::mem::TypeName(object->GetType()), ") offers no ZynIMpgDump");
    return kExitUsage;
  }
  oTarget->level = iOptions.level.value_or(oTable->dumpLevel);
  oTarget->mode = iOptions.mode.value_or(oTable->dumpMode);
  oTarget->index = iOptions.index.value_or(oTable->dumpIndex);

  // The named traces: activation applies to the traces the module builds when it loads.
  for (const std::string& name : oTable->activeTraces) {
    if (!IsTraceName(name)) {
      Complain(source, ": active_traces: unknown trace \"", name, "\" (known: ", KnownTraceNames(),
               ")");
      return kExitUsage;
    }
  }
  for (const std::string& name : iOptions.activate) {
    if (!IsTraceName(name)) {
      Complain("--activate: unknown trace \"", name, "\" (known: ", KnownTraceNames(), ")");
      return kExitUsage;
    }
  }
  return 0;
}

/// The --stats report, on standard error.
void WriteStats(const zyn::mem::Table& iTable, const CountingStreambuf& iCounter, double iSeconds,
                long iResidentBefore) {
  char line[160];
  std::string report;
  std::snprintf(line, sizeof line, "objects: %zu\n", iTable.CountObjects());
  report += line;
  std::snprintf(line, sizeof line, "lines: %" PRIu64 "\n", iCounter.Lines());
  report += line;
  std::snprintf(line, sizeof line, "bytes: %" PRIu64 "\n", iCounter.Bytes());
  report += line;
  std::snprintf(line, sizeof line, "dump seconds: %.6f\n", iSeconds);
  report += line;
  std::snprintf(line, sizeof line, "peak resident memory: %ld KiB\n", PeakResidentKiB());
  report += line;
  std::snprintf(line, sizeof line, "resident memory before dump: %ld KiB\n", iResidentBefore);
  report += line;
  std::snprintf(line, sizeof line, "peak resident memory during dump: %ld KiB\n",
                PeakResidentSinceResetKiB());
  report += line;
  std::snprintf(line, sizeof line, "table bytes: %zu\n", iTable.BytesUsed());
  report += line;
  zyn::toolio::OutputBuffer& standardError = zyn::toolio::StandardError();
  standardError.Write(report.data(), report.size());
  standardError.Flush();
}

/// Starts the progress line when it is wanted: by default only when the dump walks DMT rows
/// and the trace text cannot come to standard error, which the line would tear.
void StartProgress(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget,
                   std::optional<DumpProgress>* oProgress) {
  const std::vector<bool>& validity = ioSession.table.validity;
  const bool traceOnStandardError =
      iOptions.traceOut.empty() &&
      (iOptions.trace || std::find(validity.begin(), validity.end(), true) != validity.end());
  if (!zyn::toolio::WantsProgress(iOptions.progress, traceOnStandardError)) return;
  const std::uint64_t rows = DumpProgress::RowsToWalk(*iTarget.object, iTarget.level, iTarget.mode);
  if (rows > 0 || iOptions.progress == zyn::toolio::ProgressChoice::On)
    oProgress->emplace(*ioSession.table.table, rows);
}

/// Installs the sinks, loads the module and dumps, with progress and statistics when asked.
int Dump(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget) {
  ZynDCIMpgTraceTool::SetValidity(iOptions.trace ? std::vector<bool>{true}
                                                 : ioSession.table.validity);
  ZynDCIMpgTraceTool::_traceType = ioSession.table.traceType;
  ZynDCIMpgTraceTool::SetOutput(&ioSession.outputs.ToolSink());
  ZynTrace::SetObserver(ioSession.outputs.Log());
  for (const std::string& name : ioSession.table.activeTraces)
    ZynTrace::SetActive(name.c_str(), true);
  for (const std::string& name : iOptions.activate) ZynTrace::SetActive(name.c_str(), true);

  const std::string modulePath = iOptions.module.empty() ? DefaultModulePath() : iOptions.module;
  std::string error;
  if (!ioSession.loader.Load(modulePath, kModuleMarker, &error)) {
    Complain("cannot load the module ", modulePath, ": ", error);
    return kExitModule;
  }
  const std::string& objectId = iTarget.objectId;
  ioSession.dump = ZynIMpgDump_var(iTarget.object->Unknown());
  if (!ioSession.dump) {
    Complain(iTarget.source, ": ", iTarget.objectPlace, ": \"", objectId, "\" (",
             zyn::mem::TypeName(iTarget.object->GetType()), ") has no dump in the module");
    return kExitUsage;
  }

  std::optional<CountingStreambuf> counter;
  long residentBefore = 0;
  if (iOptions.stats) {
    residentBefore = ResidentKiB();
    ResetPeakResident();
    counter.emplace(std::cout);
  }
  std::optional<DumpProgress> progress;
  StartProgress(iOptions, ioSession, iTarget, &progress);
  const auto start = std::chrono::steady_clock::now();
  HRESULT result = S_OK;
  try {
    result = ioSession.dump->Dump(iTarget.level, iTarget.mode, iTarget.index);
  } catch (const ZynNullVarError& nullHandle) {
    progress.reset();
    std::cout.flush();
    Complain("the host's null-handle error escaped the dump of \"", objectId,
             "\": ", nullHandle.what());
    return kExitNullHandle;
  } catch (const std::exception& other) {
    progress.reset();
    std::cout.flush();
    Complain("an error escaped the dump of \"", objectId, "\": ", other.what());
    return kExitDumpFailed;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  progress.reset();
  std::cout.flush();

  if (counter) {
    WriteStats(*ioSession.table.table, *counter, seconds.count(), residentBefore);
    counter.reset();
  }
  if (result == S_OK) return 0;
  if (result == E_FAIL) {
    Complain("Dump of \"", objectId, "\" failed: E_FAIL (", Hex(result), ")");
  } else {
    Complain("Dump of \"", objectId, "\" answered ", Hex(result));
  }
  return kExitDumpFailed;
}

int Run(const Options& iOptions) {
  if (!CheckDistinctOutputs(iOptions)) return kExitUsage;
  Session session;
  DumpTarget target;
  if (const int status = PrepareTable(iOptions, &session.table, &target)) return status;
  if (!session.outputs.Open(iOptions)) return kExitOutputFailed;
  int status = Dump(iOptions, session, target);
  session.UninstallSinks();
  if (!session.outputs.Finish()) status = kExitOutputFailed;
  return status;
}

/// The run's status, unless the host recorded calls against its contract while the module was
/// loaded, dumping or unloaded: then each is listed on standard error and the run fails with
/// its own status, since the output cannot be trusted to be what a real host would give.
int WithContractChecked(int iStatus) {
  const std::vector<std::string> violations = ZynContract::Take();
  if (violations.empty()) return iStatus;
  for (const std::string& violation : violations) Complain("contract violation: ", violation);
  return kExitContract;
}

}  // namespace
}  // namespace mpgdump

int main(int argc, char** argv) {
  // Before anything is opened: no file of the tool's may take a standard descriptor's place.
  const zyn::toolio::StandardDescriptors atStart =
      zyn::toolio::GuardStandardDescriptors(mpgdump::kExitOutputFailed);
  // Standard output is written only through std::cout (the dumps and the named traces), into
  // a checked buffer of its own, so it needs no lock-step with C stdio: each insertion lands in
  // that buffer, and std::endl still writes the line out at once.
  std::ios::sync_with_stdio(false);
  zyn::toolio::InstallStandardStreams(atStart);
  zyn::toolio::InstallSignalCleanup();

  mpgdump::Options options;
  int status = 0;
  if (const std::optional<int> stop = mpgdump::ParseArguments(argc, argv, &options)) {
    status = *stop;
  } else {
    try {
      status = mpgdump::Run(options);
    } catch (const std::exception& failure) {
      // Out of memory while building a table, for one: say so rather than abort.
      zyn::toolio::Say("mpgdump", failure.what());
      status = mpgdump::kExitDumpFailed;
    }
  }
  status = mpgdump::WithContractChecked(status);
  if (!zyn::toolio::FinishStandardStreams("mpgdump")) status = mpgdump::kExitOutputFailed;
  return status;
}
