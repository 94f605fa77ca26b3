// What mpgdump's command line asks for; the exit statuses it answers with are in ExitStatus.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ExitStatus.h"
#include "zyntoolio/ProgressMeter.h"

namespace mpgdump {

/// What the command line asked for.
struct Options {
  std::string table;  // empty: the bundled sample; "-": standard input
  std::string object;
  std::optional<int> level, mode, index;
  bool trace = false;
  std::string traceOut;  // empty: standard error; "-": standard output
  std::vector<std::string> activate;
  std::string traceLog;                 // empty: no log
  std::string callLog;                  // empty: no log
  std::string module;                   // empty: the module beside the tool
  std::optional<std::string> generate;  // "N" or "NxK": a synthetic table
  bool stats = false;
  zyn::toolio::ProgressChoice progress = zyn::toolio::ProgressChoice::Automatic;
};

/// Parses the command line. Answers an exit status when the tool is to stop here (help,
/// version or bad usage), nothing when it is to go on.
std::optional<int> ParseArguments(int argc, char** argv, Options* oOptions);

}  // namespace mpgdump
