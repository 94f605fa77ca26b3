// Guarding the standard descriptors, the checked buffers of standard output and standard
// error, and the tool's messages.
#include "zyntoolio/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace zyn::toolio {

namespace {

bool IsClosed(int iDescriptor) { return ::fcntl(iDescriptor, F_GETFD) < 0 && errno == EBADF; }

struct Streams {
  OutputBuffer output;
  OutputBuffer error;
};

/// Never destroyed: std::cout is flushed once more after main returns and must still find its
/// buffer then.
Streams*& TheStreams() {
  static Streams* streams = nullptr;
  return streams;
}

Streams& Installed() {
  Streams* streams = TheStreams();
  if (!streams) {
    // Used before InstallStandardStreams: the descriptors as they are.
    InstallStandardStreams(StandardDescriptors{});
    streams = TheStreams();
  }
  return *streams;
}

/// Writes the whole text on descriptor 2, ignoring failures.
void WriteToStandardError(const std::string& iText) {
  const char* text = iText.data();
  std::size_t left = iText.size();
  while (left > 0) {
    const ssize_t written = ::write(2, text, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace

StandardDescriptors GuardStandardDescriptors(int iFailureStatus) {
  StandardDescriptors closed;
  bool* flags[] = {&closed.inputClosed, &closed.outputClosed, &closed.errorClosed};
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (!IsClosed(descriptor)) continue;
    *flags[descriptor] = true;
    // The lowest free descriptor is the closed one: open lands exactly there.
    const int opened = ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (opened != descriptor) std::_Exit(iFailureStatus);
  }
  return closed;
}

void InstallStandardStreams(const StandardDescriptors& iAtStart) {
  if (TheStreams()) return;
  TheStreams() = new Streams{OutputBuffer(iAtStart.outputClosed ? -1 : 1, "standard output", false),
                             OutputBuffer(iAtStart.errorClosed ? -1 : 2, "standard error", false)};
  std::cout.rdbuf(&TheStreams()->output);
}

OutputBuffer& StandardOutput() { return Installed().output; }
OutputBuffer& StandardError() { return Installed().error; }

void Say(std::string_view iTool, std::string_view iText) {
  StandardError().Flush();
  std::string line;
  line.reserve(iTool.size() + iText.size() + 3);
  line.append(iTool).append(": ").append(iText).push_back('\n');
  WriteToStandardError(line);
}

void ReportCannotCreate(std::string_view iTool, const std::string& iName, int iError) {
  Say(iTool, iName + ": cannot create: " + std::strerror(iError));
}

void ReportWriteError(std::string_view iTool, const std::string& iName, int iError) {
  Say(iTool, iName + ": write error: " + std::strerror(iError));
}

void ReportBadUsage(std::string_view iTool, std::string_view iText, std::string_view iCommand) {
  Say(iTool, iText);
  Say(iTool, "run '" + std::string(iCommand) + " --help' for more information");
}

bool ReportIfFailed(std::string_view iTool, const OutputBuffer& iOutput) {
  if (iOutput.Error() == 0) return false;
  ReportWriteError(iTool, iOutput.Name(), iOutput.Error());
  return true;
}

bool FinishStandardStreams(std::string_view iTool) {
  Streams& streams = Installed();
  std::cout.flush();
  streams.output.Close(true);
  streams.error.Flush();
  const bool outputFailed = ReportIfFailed(iTool, streams.output);
  const bool errorFailed = ReportIfFailed(iTool, streams.error);
  return !outputFailed && !errorFailed;
}

}  // namespace zyn::toolio
