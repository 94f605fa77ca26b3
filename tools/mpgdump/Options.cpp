// mpgdump's command line: its options, their help, and the exit statuses the help lists.
#include "Options.h"

#include <CLI/CLI.hpp>

#include "RunSettings.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

namespace {

/// The options whose values count only when given, kept apart until the parse is over.
struct GivenOnly {
  int level = 0, mode = 0, index = 0;
  std::string generate;
  CLI::Option* levelOption = nullptr;
  CLI::Option* modeOption = nullptr;
  CLI::Option* indexOption = nullptr;
  CLI::Option* generateOption = nullptr;
  CLI::Option* progressOption = nullptr;
  CLI::Option* noProgressOption = nullptr;

  /// Sets in ioOptions the values of the options given.
  void Apply(Options* ioOptions) const {
    if (levelOption->count()) ioOptions->level = level;
    if (modeOption->count()) ioOptions->mode = mode;
    if (indexOption->count()) ioOptions->index = index;
    if (generateOption->count()) ioOptions->generate = generate;
    if (progressOption->count()) ioOptions->progress = zyn::toolio::ProgressChoice::On;
    if (noProgressOption->count()) ioOptions->progress = zyn::toolio::ProgressChoice::Off;
  }
};

/// What to dump: the table, the object and the dump's settings.
void AddDumpOptions(CLI::App& ioApp, Options* oOptions, GivenOnly* oGiven) {
  ioApp.add_option("TABLE", oOptions->table,
                   "A table file; '-' reads standard input; none: the bundled sample table");
  ioApp.add_option("--object", oOptions->object, "Dump the object of this id (overrides the file)")
      ->type_name("ID");
  oGiven->levelOption =
      ioApp.add_option("--level", oGiven->level, "Dump level (overrides the file)")->type_name("N");
  oGiven->modeOption =
      ioApp.add_option("--mode", oGiven->mode, "Dump mode (overrides the file)")->type_name("N");
  oGiven->indexOption =
      ioApp.add_option("--index", oGiven->index, "Dump index (overrides the file)")->type_name("N");
}

/// The trace tool, the named traces and the logs of the calls.
void AddTraceOptions(CLI::App& ioApp, Options* oOptions) {
  ioApp.add_flag("--trace", oOptions->trace,
                 "The trace tool reports itself valid (instead of the file's schedule)");
  ioApp
      .add_option("--trace-out", oOptions->traceOut,
                  "Where the trace tool's text goes, written as it comes: FILE (created even "
                  "when no text comes), '-' for standard output (default: standard error)")
      ->type_name("FILE");
  ioApp
      .add_option("--activate", oOptions->activate,
                  "Activate a named trace (repeatable): " + KnownTraceNames())
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  ioApp
      .add_option("--trace-log", oOptions->traceLog,
                  "Write a JSON Lines record of every write on the trace tool and on the named "
                  "traces to FILE, as a whole: FILE is replaced once the run is over, and is left "
                  "as it was when the run is cut short")
      ->type_name("FILE");
  ioApp
      .add_option("--call-log", oOptions->callLog,
                  "Write a JSON Lines record of every call the module makes into the host (each "
                  "query of a table object, interface request, GetImpl, call on the trace tool "
                  "and on the named traces), in order, to FILE, as a whole, like --trace-log")
      ->type_name("FILE");
}

/// The module, a synthetic table, and what the run shows of itself.
void AddRunOptions(CLI::App& ioApp, Options* oOptions, GivenOnly* oGiven) {
  ioApp
      .add_option("--module", oOptions->module,
                  "The module to load (default: the one built or installed beside the tool)")
      ->type_name("PATH");
  oGiven->generateOption =
      ioApp
          .add_option("--generate", oGiven->generate,
                      "Instead of a file, dump a synthetic table of N DMT rows with K RMT rows "
                      "each (K 2 by default); the object dumped is \"manager\" unless --object")
          ->type_name("N[xK]");
  ioApp.add_flag("--stats", oOptions->stats,
                 "After the dump, on standard error: objects, lines, bytes, dump seconds, peak "
                 "resident memory");
  oGiven->progressOption = ioApp.add_flag(
      "--progress",
      "Show the DMT rows done, rows per second and time left on standard error while dumping "
      "(default: only when standard error is a terminal that nothing else writes to)");
  oGiven->noProgressOption = ioApp.add_flag("--no-progress", "Never show progress");
  oGiven->progressOption->excludes(oGiven->noProgressOption);
  oGiven->generateOption->excludes(ioApp.get_option("TABLE"));
}

}  // namespace

std::optional<int> ParseArguments(int argc, char** argv, Options* oOptions) {
  CLI::App app{
      "Loads the dump module, reads a mapping table and writes the dump of one of its objects "
      "on standard output.",
      "mpgdump"};
  // The statuses of ExitStatus.h, in words.
  app.footer(
      "Exit status: 0 when Dump answered S_OK; 1 when it answered E_FAIL or another code; 2 for "
      "bad usage or a bad table; 3 when the module cannot be loaded; 4 when the host's "
      "null-handle error escaped the dump; 6 when the module called the host against its "
      "contract (each violation listed on standard error), whatever the dump answered; 5 when "
      "an output could not be written (standard output, the trace text, the trace log, the "
      "call log, the --stats report): this wins over the others, whose message still comes.");
  app.set_version_flag("--version", "mpgdump " ZYN_VERSION, "Print the version and exit");
  GivenOnly given;
  AddDumpOptions(app, oOptions, &given);
  AddTraceOptions(app, oOptions);
  AddRunOptions(app, oOptions, &given);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    zyn::toolio::ReportBadUsage("mpgdump", error.what(), "mpgdump");
    return kExitUsage;
  }
  given.Apply(oOptions);
  return std::nullopt;
}

}  // namespace mpgdump
