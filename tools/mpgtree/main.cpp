// mpgtree: reads dumps back into a tree of typed nodes. main only wires the subcommands, each
// of which lives in its own file.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "Io.h"
#include "zyntoolio/SignalCleanup.h"
#include "zyntoolio/StandardStreams.h"

namespace {

/// The options that every subcommand takes, before its name.
void AddCommonOptions(CLI::App& ioApp, mpgtree::CommonOptions* oCommon) {
  ioApp
      .add_option("--form", oCommon->form,
                  "The form of the dump: stdout, trace, or auto (decided from the text)")
      ->check(CLI::IsMember({"auto", "stdout", "trace"}))
      ->capture_default_str();
  ioApp.add_flag("--lenient", oCommon->lenient,
                 "Read a dump that is not whole: keep lines that cannot be placed as raw nodes "
                 "and go on, instead of refusing it; exit 1 (not 0) when it is not whole, with "
                 "the count of faults and of lines kept raw on standard error");
  ioApp.add_flag_callback(
      "--progress", [oCommon] { oCommon->progress = zyn::toolio::ProgressChoice::On; },
      "Show the bytes read of the dump on standard error, even when it is not a terminal");
  ioApp.add_flag_callback(
      "--no-progress", [oCommon] { oCommon->progress = zyn::toolio::ProgressChoice::Off; },
      "Never show progress (shown by default when standard error is a terminal)");
}

/// Parses the command line and runs the subcommand it chooses; the exit status.
int ParseAndRun(int argc, char** argv) {
  CLI::App app{
      "Reads a dump of a mapping table, in the standard-output form or as the trace "
      "tool's text, back into a tree of typed nodes.",
      "mpgtree"};
  // The statuses of Commands.h, in words.
  app.footer(
      "DUMP is a file, or '-' for standard input.\n"
      "Exit status: 0 done (check: whole; find: found; diff: same, where compared); 1 check: not "
      "whole, find: nothing found, diff: different, html: no row passed its filter, and with "
      "--lenient a dump that is not whole (lines kept raw); 2 trouble: bad usage, an input that "
      "cannot be read, a dump that is not whole (without --lenient), a dump split between its "
      "two sinks or read with the wrong --form; 4 an output could not be written (wins over the "
      "others).");
  app.set_version_flag("--version", "mpgtree " ZYN_VERSION, "Print the version and exit");
  app.require_subcommand(1);
  app.fallthrough();

  mpgtree::CommonOptions common;
  AddCommonOptions(app, &common);

  mpgtree::Run run;
#define ZYN_MPGTREE_SUBCOMMAND(Adder, name, description) \
  mpgtree::Add##Adder##Command(app, common, &run);
#include "Subcommands.def"
#undef ZYN_MPGTREE_SUBCOMMAND

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    zyn::toolio::ReportBadUsage(
        "mpgtree", error.what(),
        chosen.empty() ? std::string("mpgtree") : "mpgtree " + chosen.back()->get_name());
    return mpgtree::kExitTrouble;
  }
  try {
    return run ? run() : mpgtree::kExitTrouble;
  } catch (const std::exception& failure) {
    mpgtree::Complain(failure.what());
    return mpgtree::kExitTrouble;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything opens a file: closed standard descriptors get /dev/null.
  const auto atStart = zyn::toolio::GuardStandardDescriptors(mpgtree::kExitOutput);
  std::ios::sync_with_stdio(false);
  zyn::toolio::InstallStandardStreams(atStart);
  zyn::toolio::InstallSignalCleanup();
  int status = ParseAndRun(argc, argv);
  if (!zyn::toolio::FinishStandardStreams("mpgtree")) status = mpgtree::kExitOutput;
  return status;
}
