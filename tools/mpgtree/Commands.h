// What the subcommands of mpgtree share: the exit statuses, the options of every subcommand,
// and one function per subcommand that adds it to the command line (each in its own file).
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

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

/// The run of the subcommand chosen on the command line.
using Run = std::function<int()>;

/// Each adds its subcommand to iApp; when the command line chooses it, oRun is set to run it.
void AddJsonCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddCheckCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddFindCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddDiffCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);
void AddHtmlCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun);

/// Adds --ignore PATTERN (repeatable) to ioCommand, and --only KIND when iWithOnly: the options
/// of diff and html --diff that set differences aside.
void AddDiffFilterOptions(CLI::App& ioCommand, zyn::reader::DiffFilterOptions* oFilter,
                          bool iWithOnly);

}  // namespace mpgtree
