// mpgdump: loads the dump module into the host, reads a mapping table and dumps one object.
//
// Exit statuses: ExitStatus.h. Every output is checked: standard output, the trace text, the
// trace log, the call log and the --stats report; each log is replaced only once complete.
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Complain.h"
#include "DumpOutputs.h"
#include "DumpRun.h"
#include "Options.h"
#include "RunTable.h"
#include "zyn/ZynContract.h"
#include "zyntoolio/SignalCleanup.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {
namespace {

/// The run's steps: the outputs checked, the table prepared, the outputs opened, the dump, the
/// outputs finished.
int Run(const Options& iOptions) {
  if (!CheckDistinctOutputs(iOptions)) return kExitUsage;
  Session session;
  DumpTarget target;
  if (const int status = PrepareTable(iOptions, &session.table, &target)) return status;
  if (!session.outputs.Open(iOptions, session.table.loaded)) return kExitOutputFailed;
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
