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
/// dump cannot be opened, kExitOutput when the output cannot be opened. iUse kHeldUntilWhole is
/// for a subcommand that refuses a dump found not whole at its end: standard output then gets
/// nothing from a refused run (TextOutput::OpenHeld).
enum class OutputUse { kStreamed, kHeldUntilWhole };
int OpenDumpAndOutput(const CommonOptions& iCommon, const std::string& iDump,
                      const std::string& iOutput, DumpAndOutput* oOpened,
                      OutputUse iUse = OutputUse::kStreamed);

/// OpenDumpAndOutput with standard output held until the dump is read whole, for a subcommand
/// whose Options name the dump and the output.
template <class Options>
int OpenDumpAndHeldOutput(const CommonOptions& iCommon, const Options& iOptions,
                          DumpAndOutput* oOpened) {
  return OpenDumpAndOutput(iCommon, iOptions.dump, iOptions.output, oOpened,
                           OutputUse::kHeldUntilWhole);
}

/// Closes the output of a run whose status is iStatus; answers kExitOutput when a write failed
/// or the text could not be finished (iFinished false), else iStatus.
inline int CloseOutput(TextOutput& ioOutput, bool iFinished, int iStatus) {
  return ioOutput.Close() && iFinished ? iStatus : kExitOutput;
}

/// The run of the subcommand chosen on the command line.
using Run = std::function<int()>;

/// A subcommand's name and its description in --help.
struct SubcommandWords {
  const char* name;
  const char* description;
};

/// Each subcommand of Subcommands.def: its words (kJsonSubcommand), and the function that adds
/// it to iApp (AddJsonCommand); when the command line chooses it, oRun is set to run it.
#define ZYN_MPGTREE_SUBCOMMAND(Adder, name, description)                       \
  inline constexpr SubcommandWords k##Adder##Subcommand = {name, description}; \
  void Add##Adder##Command(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
#include "Subcommands.def"
#undef ZYN_MPGTREE_SUBCOMMAND

/// Adds the subcommand iWords to ioApp with options of type Options made for it; when the
/// command line chooses it, oRun is set to run iRun on them. Answers the subcommand and its
/// options, for the adder to declare the options.
template <class Options>
std::pair<CLI::App*, std::shared_ptr<Options>> AddSubcommand(
    CLI::App& ioApp, const SubcommandWords& iWords, const CommonOptions& iCommon,
    int (*iRun)(const CommonOptions&, const Options&), Run* oRun) {
  auto options = std::make_shared<Options>();
  CLI::App* command = ioApp.add_subcommand(iWords.name, iWords.description);
  command->callback([&iCommon, options, iRun, oRun] {
    *oRun = [&iCommon, options, iRun] { return iRun(iCommon, *options); };
  });
  return {command, options};
}

/// Adds the argument DUMP, required, to ioCommand: the dump to read, '-' for standard input.
void AddDumpArgument(CLI::App& ioCommand, std::string* oDump);

/// Adds -o,--output FILE to ioCommand: the file to write instead of standard output.
void AddOutputOption(CLI::App& ioCommand, std::string* oOutput);

/// Adds DUMP, then -o,--output FILE, to ioCommand: for a subcommand that writes one dump again
/// in another shape.
inline void AddDumpAndOutput(CLI::App& ioCommand, std::string* oDump, std::string* oOutput) {
  AddDumpArgument(ioCommand, oDump);
  AddOutputOption(ioCommand, oOutput);
}

/// Adds --ignore PATTERN (repeatable) to ioCommand, and --only KIND when iWithOnly: the options
/// of diff and html --diff that set differences aside.
void AddDiffFilterOptions(CLI::App& ioCommand, zyn::reader::DiffFilterOptions* oFilter,
                          bool iWithOnly);

}  // namespace mpgtree
