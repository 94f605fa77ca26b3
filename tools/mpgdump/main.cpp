// mpgdump: loads the dump module into the host, reads a mapping table and dumps one object.
//
// Exit status: 0 when Dump answered S_OK; 1 when it answered anything else; 2 for bad usage or
// a bad table; 3 when the module cannot be loaded; 4 when the host's null-handle error escaped
// the dump; 6 when the host recorded calls against its contract (listed on standard error),
// whatever the dump answered.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
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

#include "DumpStats.h"
#include "SampleTable.h"
#include "TraceSinks.h"
#include "zyn/ZynContract.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"
#include "zyn/ZynTrace.h"
#include "zyn/ZynVar.h"

namespace mpgdump {
namespace {

constexpr int kExitDumpFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitModule = 3;
constexpr int kExitNullHandle = 4;
constexpr int kExitContract = 6;

constexpr char kModuleFileName[] = "ZynDCMpgDUMP.so";
constexpr char kModuleMarker[] = "VORNEX_QBX2_INTERNAL_ZynDCMpgDUMP";

/// The named traces the module builds; only these may be activated.
constexpr std::array<const char*, 5> kTraceNames = {"ZynMpgFullMappingTrace", "ZynMpgMappingTrace",
                                                    "ZynMpgProviderComponentTrace",
                                                    "ZynMpgFullSaveTrace", "ZynMpgEnvQueryTrace"};

/// What the command line asked for.
struct Options {
  std::string table;  // empty: the bundled sample; "-": standard input
  std::string object;
  std::optional<int> level, mode, index;
  bool trace = false;
  std::string traceOut;  // empty: standard error
  std::vector<std::string> activate;
  std::string traceLog;                 // empty: no log
  std::string module;                   // empty: the module beside the tool
  std::optional<std::string> generate;  // "N" or "NxK": a synthetic table
  bool stats = false;
};

/// Reports a failure on standard error, prefixed with the tool's name.
template <class... Pieces>
void Complain(const Pieces&... iPieces) {
  std::ostringstream message;
  message << "mpgdump: ";
  (message << ... << iPieces);
  message << '\n';
  const std::string text = message.str();
  std::fwrite(text.data(), 1, text.size(), stderr);
}

/// Parses the command line. Answers an exit status when the tool is to stop here (help,
/// version or bad usage), nothing when it is to go on.
std::optional<int> ParseArguments(int argc, char** argv, Options* oOptions) {
  CLI::App app{
      "Loads the dump module, reads a mapping table and writes the dump of one of its objects "
      "on standard output.",
      "mpgdump"};
  app.footer(
      "Exit status: 0 when Dump answered S_OK; 1 when it answered E_FAIL or another code; 2 for "
      "bad usage or a bad table; 3 when the module cannot be loaded; 4 when the host's "
      "null-handle error escaped the dump; 6 when the module called the host against its "
      "contract (each violation listed on standard error), whatever the dump answered.");
  app.set_version_flag("--version", "mpgdump 1.0.0", "Print the version and exit");

  int level = 0, mode = 0, index = 0;
  app.add_option("TABLE", oOptions->table,
                 "A table file; '-' reads standard input; none: the bundled sample table");
  app.add_option("--object", oOptions->object, "Dump the object of this id (overrides the file)")
      ->type_name("ID");
  CLI::Option* levelOption =
      app.add_option("--level", level, "Dump level (overrides the file)")->type_name("N");
  CLI::Option* modeOption =
      app.add_option("--mode", mode, "Dump mode (overrides the file)")->type_name("N");
  CLI::Option* indexOption =
      app.add_option("--index", index, "Dump index (overrides the file)")->type_name("N");
  app.add_flag("--trace", oOptions->trace,
               "The trace tool reports itself valid (instead of the file's schedule)");
  app.add_option("--trace-out", oOptions->traceOut,
                 "Where the trace tool's text goes (default: standard error)")
      ->type_name("FILE");
  app.add_option("--activate", oOptions->activate,
                 "Activate a named trace (repeatable): ZynMpgFullMappingTrace, "
                 "ZynMpgMappingTrace, ZynMpgProviderComponentTrace, ZynMpgFullSaveTrace, "
                 "ZynMpgEnvQueryTrace")
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--trace-log", oOptions->traceLog,
                 "Write a JSON Lines record of every write on the trace tool and on the named "
                 "traces to FILE")
      ->type_name("FILE");
  app.add_option("--module", oOptions->module,
                 "The module to load (default: the one built or installed beside the tool)")
      ->type_name("PATH");
  std::string generate;
  CLI::Option* generateOption =
      app.add_option("--generate", generate,
                     "Instead of a file, dump a synthetic table of N DMT rows with K RMT rows "
                     "each (K 2 by default); the object dumped is \"manager\" unless --object")
          ->type_name("N[xK]");
  app.add_flag("--stats", oOptions->stats,
               "After the dump, on standard error: objects, lines, bytes, dump seconds, peak "
               "resident memory");
  generateOption->excludes(app.get_option("TABLE"));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    return status == 0 ? 0 : kExitUsage;
  }
  if (levelOption->count()) oOptions->level = level;
  if (modeOption->count()) oOptions->mode = mode;
  if (indexOption->count()) oOptions->index = index;
  if (generateOption->count()) oOptions->generate = generate;
  return std::nullopt;
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

std::string KnownTraceNames() {
  std::string names;
  for (const char* name : kTraceNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return names;
}

/// The module built or installed beside the tool: ../lib/ then the tool's own directory. When
/// neither exists, the first, so that the loader names the place it looked.
std::string DefaultModulePath() {
  std::error_code error;
  const std::filesystem::path tool = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path directory = error ? std::filesystem::path(".") : tool.parent_path();
  const std::filesystem::path candidates[] = {
      (directory / ".." / "lib" / kModuleFileName).lexically_normal(), directory / kModuleFileName};
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

/// Everything the run sets up, torn down in the order that keeps each piece valid while the
/// pieces after it still use it: the dump handle first (its code lives in the module), then the
/// sinks are uninstalled, then the module goes, then the sinks are flushed, then the table.
class Session {
 public:
  ~Session() {
    dump = nullptr;
    ZynDCIMpgTraceTool::SetOutput(nullptr);
    ZynTrace::SetObserver(nullptr);
    loader.Unload();
    toolSink.reset();
    log.reset();
    std::cout.flush();
    table = zyn::mem::LoadedTable();
  }

  zyn::mem::LoadedTable table;
  std::unique_ptr<TraceLog> log;
  std::unique_ptr<TraceToolSink> toolSink;
  ZynModuleLoader loader;
  ZynIMpgDump_var dump;
};

int Run(const Options& iOptions) {
  Session session;

  // The table: a file, standard input, a synthetic table or the bundled sample.
  std::string source;
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
    if (!zyn::mem::GenerateTable(rows, rmtPerRow, &session.table, &error)) {
      Complain(source, ": ", error);
      return kExitUsage;
    }
    if (session.table.dumpObject.empty()) session.table.dumpObject = "manager";
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
    if (!zyn::mem::LoadTable(text, &session.table, &error)) {
      Complain(source, ": ", error);
      return kExitUsage;
    }
  }

  // The object to dump and the arguments of Dump. The loader has checked the file's own choice;
  // --object is checked here, in the same terms.
  const std::string objectId = iOptions.object.empty() ? session.table.dumpObject : iOptions.object;
  const char* objectPlace = iOptions.object.empty() ? "dump.object" : "--object";
  if (objectId.empty()) {
    Complain(source, ": no object to dump: the table's \"dump\" names none and --object is absent");
    return kExitUsage;
  }
  zyn::mem::MemObject* object = session.table.Find(objectId);
  if (!object) {
    Complain(source, ": ", objectPlace, ": unknown id \"", objectId, "\"");
    return kExitUsage;
  }
  if (!object->Offers(zyn::mem::Iface::ZynIMpgDump)) {
    Complain(source, ": ", objectPlace, ": \"", objectId, "\" (",
             zyn::mem::TypeName(object->GetType()), ") offers no ZynIMpgDump");
    return kExitUsage;
  }
  const int level = iOptions.level.value_or(session.table.dumpLevel);
  const int mode = iOptions.mode.value_or(session.table.dumpMode);
  const int index = iOptions.index.value_or(session.table.dumpIndex);

  // The named traces: activation applies to the traces the module builds when it loads.
  for (const std::string& name : session.table.activeTraces) {
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

  // The sinks: the trace tool's text, and the log when asked for.
  if (!iOptions.traceLog.empty()) {
    std::unique_ptr<OutputFile> file = OutputFile::Open(iOptions.traceLog, &error);
    if (!file) {
      Complain(iOptions.traceLog, ": cannot write the trace log: ", error);
      return kExitUsage;
    }
    session.log = std::make_unique<TraceLog>(std::move(file));
  }
  std::unique_ptr<OutputFile> traceFile;
  if (iOptions.traceOut.empty()) {
    traceFile = OutputFile::StandardError();
  } else {
    traceFile = OutputFile::Open(iOptions.traceOut, &error);
    if (!traceFile) {
      Complain(iOptions.traceOut, ": cannot write the trace output: ", error);
      return kExitUsage;
    }
  }
  session.toolSink = std::make_unique<TraceToolSink>(std::move(traceFile), session.log.get());

  ZynDCIMpgTraceTool::SetValidity(iOptions.trace ? std::vector<bool>{true}
                                                 : session.table.validity);
  ZynDCIMpgTraceTool::_traceType = session.table.traceType;
  ZynDCIMpgTraceTool::SetOutput(session.toolSink.get());
  ZynTrace::SetObserver(session.log.get());
  for (const std::string& name : session.table.activeTraces)
    ZynTrace::SetActive(name.c_str(), true);
  for (const std::string& name : iOptions.activate) ZynTrace::SetActive(name.c_str(), true);

  // The module.
  const std::string modulePath = iOptions.module.empty() ? DefaultModulePath() : iOptions.module;
  if (!session.loader.Load(modulePath, kModuleMarker, &error)) {
    Complain("cannot load the module ", modulePath, ": ", error);
    return kExitModule;
  }

  // The dump.
  session.dump = ZynIMpgDump_var(object->Unknown());
  if (!session.dump) {
    Complain(source, ": ", objectPlace, ": \"", objectId, "\" (",
             zyn::mem::TypeName(object->GetType()), ") has no dump in the module");
    return kExitUsage;
  }
  std::optional<CountingStreambuf> counter;
  long residentBefore = 0;
  if (iOptions.stats) {
    residentBefore = ResidentKiB();
    ResetPeakResident();
    counter.emplace(std::cout);
  }
  const auto start = std::chrono::steady_clock::now();
  HRESULT result = S_OK;
  try {
    result = session.dump->Dump(level, mode, index);
  } catch (const ZynNullVarError& nullHandle) {
    std::cout.flush();
    Complain("the host's null-handle error escaped the dump of \"", objectId,
             "\": ", nullHandle.what());
    return kExitNullHandle;
  } catch (const std::exception& other) {
    std::cout.flush();
    Complain("an error escaped the dump of \"", objectId, "\": ", other.what());
    return kExitDumpFailed;
  }
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  std::cout.flush();

  if (counter) {
    char line[160];
    std::string report;
    std::snprintf(line, sizeof line, "objects: %zu\n", session.table.table->CountObjects());
    report += line;
    std::snprintf(line, sizeof line, "lines: %" PRIu64 "\n", counter->Lines());
    report += line;
    std::snprintf(line, sizeof line, "bytes: %" PRIu64 "\n", counter->Bytes());
    report += line;
    std::snprintf(line, sizeof line, "dump seconds: %.6f\n", seconds.count());
    report += line;
    std::snprintf(line, sizeof line, "peak resident memory: %ld KiB\n", PeakResidentKiB());
    report += line;
    std::snprintf(line, sizeof line, "resident memory before dump: %ld KiB\n", residentBefore);
    report += line;
    std::snprintf(line, sizeof line, "peak resident memory during dump: %ld KiB\n",
                  PeakResidentSinceResetKiB());
    report += line;
    std::snprintf(line, sizeof line, "table bytes: %zu\n", session.table.table->BytesUsed());
    report += line;
    counter.reset();
    std::fwrite(report.data(), 1, report.size(), stderr);
  }

  if (result == S_OK) return 0;
  if (result == E_FAIL) {
    Complain("Dump of \"", objectId, "\" failed: E_FAIL (", Hex(result), ")");
  } else {
    Complain("Dump of \"", objectId, "\" answered ", Hex(result));
  }
  return kExitDumpFailed;
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
  // Standard output is written only through std::cout (the dumps and the named traces), so it
  // needs no lock-step with C stdio: each insertion then lands in the stream's own buffer, and
  // std::endl still writes the line out at once.
  std::ios::sync_with_stdio(false);
  mpgdump::Options options;
  if (const std::optional<int> status = mpgdump::ParseArguments(argc, argv, &options)) {
    return *status;
  }
  int status = 0;
  try {
    status = mpgdump::Run(options);
  } catch (const std::exception& failure) {
    // Out of memory while building a table, for one: say so rather than abort.
    std::fprintf(stderr, "mpgdump: %s\n", failure.what());
    status = 1;
  }
  return mpgdump::WithContractChecked(status);
}
