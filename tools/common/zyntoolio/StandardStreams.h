// The standard descriptors of a command-line tool, guarded at start and checked at exit, and
// the tool's messages on standard error.
#pragma once

#include <string>
#include <string_view>

#include "zyntoolio/OutputBuffer.h"

namespace zyn::toolio {

/// Which of the standard descriptors were closed when the tool started.
struct StandardDescriptors {
  bool inputClosed = false;
  bool outputClosed = false;
  bool errorClosed = false;
};

/// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so that no file the tool
/// opens later takes the place of a standard stream and receives what was meant for it (the
/// dump's text in a trace log, say). Call it first in main, before anything opens a file.
/// Answers which descriptors were closed. When /dev/null itself cannot be opened the tool cannot
/// run safely: it exits at once with iFailureStatus.
StandardDescriptors GuardStandardDescriptors(int iFailureStatus);

/// Makes std::cout write through a checked buffer on descriptor 1 (StandardOutput) and sets up
/// a checked buffer on descriptor 2 (StandardError) for the tool's outputs that go there (a
/// trace text, a report). A descriptor that was closed at start gets a buffer whose first write
/// fails with "Bad file descriptor": what is written there is reported lost, as it is, rather
/// than silently written to /dev/null. Call once, after GuardStandardDescriptors and before
/// anything writes to std::cout. The buffers live until the process ends.
void InstallStandardStreams(const StandardDescriptors& iAtStart);
OutputBuffer& StandardOutput();
OutputBuffer& StandardError();

/// Writes one message line on standard error, "<tool>: <text>\n", after whatever the tool has
/// buffered there, so that messages keep their place among the tool's other output. A message
/// that cannot be written is lost silently: there is nowhere left to say so.
void Say(std::string_view iTool, std::string_view iText);

/// The message for an output that could not be opened: "<tool>: <name>: cannot create:
/// <reason>".
void ReportCannotCreate(std::string_view iTool, const std::string& iName, int iError);
/// The message for an output whose text was lost: "<tool>: <name>: write error: <reason>".
void ReportWriteError(std::string_view iTool, const std::string& iName, int iError);
/// The message for a command line the tool cannot run: "<tool>: <text>", then "<tool>: run
/// '<command> --help' for more information", where iCommand is the tool, or the tool and the
/// subcommand whose options were wrong ("mpgtree find").
void ReportBadUsage(std::string_view iTool, std::string_view iText, std::string_view iCommand);
/// ReportWriteError for a buffer that failed; nothing when it did not. Answers whether it
/// failed.
bool ReportIfFailed(std::string_view iTool, const OutputBuffer& iOutput);

/// At the end of the run: flushes std::cout and closes standard output (as GNU tools do, so
/// that a failure the system reports only at close is seen), flushes standard error, and
/// reports each that failed. Answers false when one did: the tool must then exit with its
/// failed-output status.
bool FinishStandardStreams(std::string_view iTool);

}  // namespace zyn::toolio
