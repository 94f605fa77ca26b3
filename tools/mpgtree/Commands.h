// What the subcommands of mpgtree share: the exit statuses, the options of every subcommand,
// and one function per subcommand that adds it to the command line (each in its own file).
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "Io.h"
#include "zyn/reader/DiffFilter.h"
#include "zyn/reader/DumpReader.h"
#include "zyntoolio/ProgressMeter.h"

namespace mpgtree {

/// Exit statuses, the same for every subcommand: the one list that the help, the manual page
/// and the subcommands' files state in words.
/// Done: check: whole; find: found; diff: same, where compared.
inline constexpr int kExitOk = 0;
/// check: not whole; find: nothing found; diff: different; html: no row passed its filter; and
/// with --lenient, a dump that is not whole (lines kept raw).
inline constexpr int kExitNo = 1;
/// Trouble: bad usage, an input that cannot be read, a dump that is not whole (without
/// --lenient), a dump split between its two sinks or read with the wrong --form.
inline constexpr int kExitTrouble = 2;
/// An output could not be written; wins over the other statuses.
inline constexpr int kExitOutput = 4;

/// The options that every subcommand takes.
struct CommonOptions {
  std::string form = "auto";  // auto, stdout or trace
  bool lenient = false;
  /// A progress line while a long command reads its dump: --progress, --no-progress, or when
  /// standard error is a terminal that nothing else writes to.
  zyn::toolio::ProgressChoice progress = zyn::toolio::ProgressChoice::Automatic;
  zyn::reader::ReadOptions ReadOptions() const;
};

/// The dump that a subcommand reads and the text that it writes.
struct DumpAndOutput {
  std::unique_ptr<DumpInput> input;
  std::unique_ptr<TextOutput> output;
};

/// Opens, for a subcommand that reads one dump, the dump iDump and the output iOutput ("" or
/// "-" for standard output), having refused an output that names the dump
/// (OutputsDistinctFromInputs), and shows the progress line that iCommon asks for. Answers
/// kExitOk with both open; else, with a message, kExitTrouble when the output is refused or the
/// dump cannot be opened, kExitOutput when the output cannot be opened.
int OpenDumpAndOutput(const CommonOptions& iCommon, const std::string& iDump,
                      const std::string& iOutput, DumpAndOutput* oOpened);

/// The run of the subcommand chosen on the command line.
using Run = std::function<int()>;

/// Each adds its subcommand to iApp; when the command line chooses it, oRun is set to run it.
void AddJsonCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddCheckCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddFindCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddDiffCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddHtmlCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddTableCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddRedactCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);

/// Adds the subcommand iName, described by iHelp, to ioApp with options of type Options made for
/// it; when the command line chooses it, oRun is set to run iRun on them. Answers the
/// subcommand and its options, for the adder to declare the options.
template <class Options>
std::pair<CLI::App*, std::shared_ptr<Options>> AddSubcommand(
    CLI::App& ioApp, const std::string& iName, const std::string& iHelp,
    const CommonOptions& iCommon, int (*iRun)(const CommonOptions&, const Options&), Run* oRun) {
  auto options = std::make_shared<Options>();
  CLI::App* command = ioApp.add_subcommand(iName, iHelp);
  command->callback([&iCommon, options, iRun, oRun] {
    *oRun = [&iCommon, options, iRun] { return iRun(iCommon, *options); };
  });
  return {command, options};
}

/// Adds --ignore PATTERN (repeatable) to ioCommand, and --only KIND when iWithOnly: the options
/// of diff and html --diff that set differences aside.
void AddDiffFilterOptions(CLI::App& ioCommand, zyn::reader::DiffFilterOptions* oFilter,
                          bool iWithOnly);

}  // namespace mpgtree
