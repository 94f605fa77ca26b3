// mpgdump's command line: its options, their help, and the exit statuses the help lists.
#include "Options.h"

#include <CLI/CLI.hpp>

#include "RunSettings.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

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
                 "Where the trace tool's text goes, written as it comes: FILE (created even "
                 "when no text comes), '-' for standard output (default: standard error)")
      ->type_name("FILE");
  app.add_option("--activate", oOptions->activate,
                 "Activate a named trace (repeatable): " + KnownTraceNames())
      ->type_name("NAME")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--trace-log", oOptions->traceLog,
                 "Write a JSON Lines record of every write on the trace tool and on the named "
                 "traces to FILE, as a whole: FILE is replaced once the run is over, and is left "
                 "as it was when the run is cut short")
      ->type_name("FILE");
  app.add_option("--call-log", oOptions->callLog,
                 "Write a JSON Lines record of every call the module makes into the host (each "
                 "query of a table object, interface request, GetImpl, call on the trace tool "
                 "and on the named traces), in order, to FILE, as a whole, like --trace-log")
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
  CLI::Option* progressOption = app.add_flag(
      "--progress",
      "Show the DMT rows done, rows per second and time left on standard error while dumping "
      "(default: only when standard error is a terminal that nothing else writes to)");
  CLI::Option* noProgressOption = app.add_flag("--no-progress", "Never show progress");
  progressOption->excludes(noProgressOption);
  generateOption->excludes(app.get_option("TABLE"));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    zyn::toolio::ReportBadUsage("mpgdump", error.what(), "mpgdump");
    return kExitUsage;
  }
  if (levelOption->count()) oOptions->level = level;
  if (modeOption->count()) oOptions->mode = mode;
  if (indexOption->count()) oOptions->index = index;
  if (generateOption->count()) oOptions->generate = generate;
  if (progressOption->count()) oOptions->progress = zyn::toolio::ProgressChoice::On;
  if (noProgressOption->count()) oOptions->progress = zyn::toolio::ProgressChoice::Off;
  return std::nullopt;
}

}  // namespace mpgdump
