// The dump of an mpgdump run: each step from the sinks' installation to the answer's report.
#include "DumpRun.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Complain.h"
#include "DumpProgress.h"
#include "DumpStats.h"
#include "ModuleIdentity.h"
#include "zyn/ZynTrace.h"
#include "zyn/ZynVar.h"

namespace mpgdump {
namespace {

using zyn_mpg_identity::kModuleFileName;
using zyn_mpg_identity::kModuleMarker;

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

/// The trace tool's validity, trace type and sink, the trace log, and the named traces to
/// activate: set before the module loads, since the module builds its named traces then.
void InstallSinks(const Options& iOptions, Session& ioSession) {
  const RunSettings& settings = ioSession.table.settings;
  ZynDCIMpgTraceTool::SetValidity(iOptions.trace ? std::vector<bool>{true} : settings.validity);
  ZynDCIMpgTraceTool::_traceType = settings.traceType;
  ZynDCIMpgTraceTool::SetOutput(&ioSession.outputs.ToolSink());
  ZynTrace::SetObserver(ioSession.outputs.Log());
  for (const std::string& name : settings.activeTraces) ZynTrace::SetActive(name.c_str(), true);
  for (const std::string& name : iOptions.activate) ZynTrace::SetActive(name.c_str(), true);
}

/// Loads the module and finds the target's dump handle (ioSession.dump), through which Dump is
/// called. Answers 0, or the status after saying why.
int LoadModuleAndFindDump(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget) {
  const std::string modulePath = iOptions.module.empty() ? DefaultModulePath() : iOptions.module;
  std::string error;
  if (!ioSession.loader.Load(modulePath, kModuleMarker, &error)) {
    Complain("cannot load the module ", modulePath, ": ", error);
    return kExitModule;
  }
  ioSession.dump = ZynIMpgDump_var(iTarget.object->Unknown());
  if (!ioSession.dump) {
    Complain(iTarget.source, ": ", iTarget.objectPlace, ": \"", iTarget.objectId, "\" (",
             zyn::mem::TypeName(iTarget.object->GetType()), ") has no dump in the module");
    return kExitUsage;
  }
  return 0;
}

/// Starts the progress line when it is wanted: by default only when the dump walks DMT rows
/// and the trace text cannot come to standard error, which the line would tear.
void StartProgress(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget,
                   std::optional<DumpProgress>* oProgress) {
  const std::vector<bool>& validity = ioSession.table.settings.validity;
  const bool traceOnStandardError =
      iOptions.traceOut.empty() &&
      (iOptions.trace || std::find(validity.begin(), validity.end(), true) != validity.end());
  if (!zyn::toolio::WantsProgress(iOptions.progress, traceOnStandardError)) return;
  const std::uint64_t rows = DumpProgress::RowsToWalk(*iTarget.object, iTarget.level, iTarget.mode);
  if (rows > 0 || iOptions.progress == zyn::toolio::ProgressChoice::On)
    oProgress->emplace(*ioSession.table.loaded.table, rows);
}

/// Calls Dump, with the progress line when wanted. Answers 0 with Dump's answer in oResult and
/// the seconds it took in oSeconds, or the status after saying which error escaped the dump.
int CallDump(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget,
             HRESULT* oResult, double* oSeconds) {
  std::optional<DumpProgress> progress;
  StartProgress(iOptions, ioSession, iTarget, &progress);
  const auto start = std::chrono::steady_clock::now();
  try {
    const CallLogInstalled calls(ioSession.outputs.Calls());
    *oResult = ioSession.dump->Dump(iTarget.level, iTarget.mode, iTarget.index);
  } catch (const ZynNullVarError& nullHandle) {
    progress.reset();
    std::cout.flush();
    Complain("the host's null-handle error escaped the dump of \"", iTarget.objectId,
             "\": ", nullHandle.what());
    return kExitNullHandle;
  } catch (const std::exception& other) {
    progress.reset();
    std::cout.flush();
    Complain("an error escaped the dump of \"", iTarget.objectId, "\": ", other.what());
    return kExitDumpFailed;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  *oSeconds = seconds.count();
  progress.reset();
  std::cout.flush();
  return 0;
}

/// The status for Dump's answer, after saying what it was when not S_OK.
int ReportAnswer(const DumpTarget& iTarget, HRESULT iResult) {
  if (iResult == S_OK) return 0;
  if (iResult == E_FAIL) {
    Complain("Dump of \"", iTarget.objectId, "\" failed: E_FAIL (", Hex(iResult), ")");
  } else {
    Complain("Dump of \"", iTarget.objectId, "\" answered ", Hex(iResult));
  }
  return kExitDumpFailed;
}

}  // namespace

void Session::UninstallSinks() {
  ZynDCIMpgTraceTool::SetOutput(nullptr);
  ZynTrace::SetObserver(nullptr);
}

int Dump(const Options& iOptions, Session& ioSession, const DumpTarget& iTarget) {
  InstallSinks(iOptions, ioSession);
  if (const int status = LoadModuleAndFindDump(iOptions, ioSession, iTarget)) return status;

  std::optional<CountingStreambuf> counter;
  long residentBefore = 0;
  if (iOptions.stats) {
    residentBefore = ResidentKiB();
    ResetPeakResident();
    counter.emplace(std::cout);
  }
  HRESULT result = S_OK;
  double seconds = 0;
  if (const int status = CallDump(iOptions, ioSession, iTarget, &result, &seconds)) return status;
  if (counter) {
    WriteStats(*ioSession.table.loaded.table, *counter, seconds, residentBefore);
    counter.reset();
  }
  return ReportAnswer(iTarget, result);
}

}  // namespace mpgdump
