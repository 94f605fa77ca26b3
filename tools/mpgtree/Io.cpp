// Opening dumps, checked writes and messages for mpgtree.
#include "Io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mpgtree {

void Complain(std::string_view iMessage) {
  std::string text = "mpgtree: ";
  text.append(iMessage);
  text.push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::unique_ptr<DumpInput> DumpInput::Open(const std::string& iPath) {
  if (iPath == "-") return std::unique_ptr<DumpInput>(new DumpInput(0, "standard input"));
  const int descriptor = ::open(iPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    Complain(iPath + ": cannot open: " + std::strerror(errno));
    return nullptr;
  }
  struct stat status;
  if (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    Complain(iPath + ": cannot read: it is a directory");
    return nullptr;
  }
  return std::unique_ptr<DumpInput>(new DumpInput(descriptor, iPath));
}

DumpInput::~DumpInput() {
  if (descriptor_ > 0) ::close(descriptor_);
}

std::unique_ptr<TextOutput> TextOutput::Open(const std::string& iPath) {
  if (iPath.empty() || iPath == "-")
    return std::unique_ptr<TextOutput>(new TextOutput(1, "standard output", false));
  const int descriptor = ::open(iPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    Complain(iPath + ": cannot open for writing: " + std::strerror(errno));
    return nullptr;
  }
  return std::unique_ptr<TextOutput>(new TextOutput(descriptor, iPath, true));
}

TextOutput::~TextOutput() { Close(); }

bool TextOutput::Write(std::string_view iText) {
  if (failure_) return false;
  while (!iText.empty()) {
    const ssize_t written = ::write(descriptor_, iText.data(), iText.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      failure_ = errno;
      return false;
    }
    iText.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool TextOutput::Close() {
  if (closed_) return failure_ == 0;
  closed_ = true;
  if (owned_ && ::close(descriptor_) != 0 && !failure_) failure_ = errno;
  if (failure_) Complain(name_ + ": write error: " + std::strerror(failure_));
  return failure_ == 0;
}

void ReportProblem(const std::string& iInput, const zyn::reader::Problem& iProblem) {
  std::string where = iInput;
  if (iProblem.line) {
    where += ":" + std::to_string(iProblem.line);
    if (iProblem.column) where += ":" + std::to_string(iProblem.column);
  }
  Complain(where + (iProblem.severity == zyn::reader::Severity::Note ? ": note: " : ": ") +
           iProblem.message);
}

}  // namespace mpgtree
