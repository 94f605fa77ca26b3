// mpgdump's exit statuses, the one list that its help, its manual page and the README state in
// words.
#pragma once

namespace mpgdump {

/// Dump answered S_OK, the module called the host within its contract and every output was
/// written.
constexpr int kExitOk = 0;
/// Dump answered E_FAIL or another code that is not S_OK.
constexpr int kExitDumpFailed = 1;
/// Bad usage, a bad table, or an object to dump that has no dump in the module.
constexpr int kExitUsage = 2;
/// The module cannot be loaded.
constexpr int kExitModule = 3;
/// The host's null-handle error escaped a dump.
constexpr int kExitNullHandle = 4;
/// An output could not be written (standard output, the trace text, the trace log, the call
/// log, the --stats report); wins over the other statuses, whose message still comes.
constexpr int kExitOutputFailed = 5;
/// The module called the host against its contract (each violation listed on standard error),
/// whatever the dump answered.
constexpr int kExitContract = 6;

}  // namespace mpgdump
