// Opening and re-reading dumps, checked writes and messages for mpgtree, over the tools' common
// output rules.
#include "Io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "zyntoolio/SharedOutputs.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgtree {

namespace {

constexpr char kTool[] = "mpgtree";

bool IsStandardOutput(const std::string& iPath) { return iPath.empty() || iPath == "-"; }

/// A new temporary file in $TMPDIR (or /tmp), already unlinked, open for reading and writing;
/// -1 with errno set when it cannot be made.
int CreateUnlinkedTemporary() {
  const char* directory = std::getenv("TMPDIR");
  std::string path = std::string(directory && *directory ? directory : "/tmp") + "/mpgtree.XXXXXX";
  const int descriptor = ::mkstemp(path.data());
  if (descriptor >= 0) ::unlink(path.c_str());
  return descriptor;
}

}  // namespace

void Complain(std::string_view iMessage) { zyn::toolio::Say(kTool, iMessage); }

bool OutputsDistinctFromInputs(const std::vector<std::string>& iInputs,
                               const std::string& iOutput) {
  std::vector<zyn::toolio::NamedOutput> outputs = {{"standard output", "", 1}};
  if (!IsStandardOutput(iOutput)) outputs.push_back({"-o", iOutput});
  std::vector<zyn::toolio::NamedInput> inputs;
  for (const std::string& input : iInputs) inputs.push_back({"the input", input});
  const std::optional<std::string> refusal = zyn::toolio::WhyOutputsRefused(outputs, inputs);
  if (refusal) Complain(*refusal);
  return !refusal;
}

std::unique_ptr<DumpInput> DumpInput::Open(const std::string& iPath) {
  if (iPath == "-") return std::unique_ptr<DumpInput>(new DumpInput(::dup(0), "standard input"));
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
  counted_.meter.reset();
  if (descriptor_ >= 0) ::close(descriptor_);
}

void DumpInput::ShowProgress(zyn::toolio::ProgressChoice iChoice) {
  if (!zyn::toolio::WantsProgress(iChoice, false)) return;
  struct stat status;
  const std::uint64_t size = ::fstat(descriptor_, &status) == 0 && S_ISREG(status.st_mode)
                                 ? static_cast<std::uint64_t>(status.st_size)
                                 : 0;
  if (size == 0 && iChoice != zyn::toolio::ProgressChoice::On) return;
  counted_.meter = std::make_unique<zyn::toolio::ProgressMeter>(
      2, kTool, zyn::toolio::ProgressUnit{"", "", true}, size);
}

long DumpInput::CountedSource::Read(char* oBuffer, std::size_t iCapacity, std::string* oError) {
  const long count =
      zyn::reader::FileDescriptorSource(descriptor_).Read(oBuffer, iCapacity, oError);
  if (meter) {
    if (count > 0) {
      read_ += static_cast<std::uint64_t>(count);
      meter->Report(read_);
    } else {
      meter.reset();  // the end of the input, or a failure about to be reported: erase the line
    }
  }
  return count;
}

bool DumpInput::MakeReadableAgain() {
  struct stat status;
  if (::fstat(descriptor_, &status) == 0 && S_ISREG(status.st_mode) &&
      ::lseek(descriptor_, 0, SEEK_CUR) == 0)
    return true;
  const int copy = CreateUnlinkedTemporary();
  if (copy < 0) {
    Complain(name_ + ": cannot make a temporary copy: " + std::strerror(errno));
    return false;
  }
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(descriptor_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count == 0) break;
    ssize_t written = count < 0 ? -1 : ::write(copy, buffer, static_cast<std::size_t>(count));
    if (count < 0 || written != count) {
      Complain(name_ + (count < 0 ? ": read error: " : ": cannot copy: ") + std::strerror(errno));
      ::close(copy);
      return false;
    }
  }
  ::close(descriptor_);
  descriptor_ = copy;
  return Rewind();
}

bool DumpInput::Rewind() {
  if (::lseek(descriptor_, 0, SEEK_SET) == 0) return true;
  Complain(name_ + ": cannot read it again: " + std::strerror(errno));
  return false;
}

std::unique_ptr<TextOutput> TextOutput::Open(const std::string& iPath) {
  if (IsStandardOutput(iPath)) return std::unique_ptr<TextOutput>(new TextOutput(nullptr));
  int error = 0;
  std::unique_ptr<zyn::toolio::WholeFile> file = zyn::toolio::WholeFile::Create(iPath, &error);
  if (!file) {
    zyn::toolio::ReportCannotCreate(kTool, iPath, error);
    return nullptr;
  }
  return std::unique_ptr<TextOutput>(new TextOutput(std::move(file)));
}

std::unique_ptr<TextOutput> TextOutput::OpenHeld(const std::string& iPath) {
  std::unique_ptr<TextOutput> output = Open(iPath);
  if (!output || !IsStandardOutput(iPath)) return output;
  output->heldDescriptor_ = CreateUnlinkedTemporary();
  if (output->heldDescriptor_ < 0) {
    Complain(std::string("cannot hold standard output's text in a temporary file: ") +
             std::strerror(errno));
    return nullptr;
  }
  output->held_ = std::make_unique<zyn::toolio::OutputBuffer>(
      output->heldDescriptor_, "standard output (held in a temporary file)", false);
  return output;
}

TextOutput::~TextOutput() {
  Close();
  if (heldDescriptor_ >= 0) ::close(heldDescriptor_);
}

zyn::toolio::OutputBuffer& TextOutput::Buffer() {
  if (file_) return file_->Buffer();
  return held_ ? *held_ : zyn::toolio::StandardOutput();
}

void TextOutput::Abandon() {
  file_.reset();
  held_.reset();
  closed_ = true;
}

bool TextOutput::ReleaseHeld() {
  zyn::toolio::OutputBuffer& out = zyn::toolio::StandardOutput();
  if (::lseek(heldDescriptor_, 0, SEEK_SET) != 0) return false;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t count = ::read(heldDescriptor_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return count == 0;
    out.Write(buffer, static_cast<std::size_t>(count));
  }
}

bool TextOutput::Write(std::string_view iText) {
  zyn::toolio::OutputBuffer& buffer = Buffer();
  buffer.Write(iText.data(), iText.size());
  return buffer.Error() == 0;
}

bool TextOutput::Close() {
  if (closed_) return !failed_;
  closed_ = true;
  // Standard output is flushed here, so that the run's status tells its loss; it is closed,
  // and its loss reported, once at exit (FinishStandardStreams).
  if (held_) {
    // The held text reaches standard output whole, or not at all when it cannot be kept.
    failed_ = !held_->Flush();
    if (failed_) {
      zyn::toolio::ReportIfFailed(kTool, *held_);
      return false;
    }
    held_.reset();
    if (!ReleaseHeld()) {
      Complain(std::string("cannot read back standard output's held text: ") +
               std::strerror(errno));
      return !(failed_ = true);
    }
  }
  failed_ = file_ ? !file_->Commit() : !Buffer().Flush();
  if (failed_ && file_) zyn::toolio::ReportIfFailed(kTool, Buffer());
  return !failed_;
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
