// Dumps opened by descriptor for the subcommands that read them more than once.
#include "OpenDump.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Io.h"

namespace mpgtree {

std::unique_ptr<OpenDump> OpenDump::Open(const std::string& iPath) {
  if (iPath == "-") return std::unique_ptr<OpenDump>(new OpenDump(::dup(0), "standard input"));
  const int descriptor = ::open(iPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status;
  if (descriptor < 0 || (::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode))) {
    Complain(iPath + (descriptor < 0 ? std::string(": cannot open: ") + std::strerror(errno)
                                     : std::string(": cannot read: it is a directory")));
    if (descriptor >= 0) ::close(descriptor);
    return nullptr;
  }
  return std::unique_ptr<OpenDump>(new OpenDump(descriptor, iPath));
}

OpenDump::~OpenDump() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

bool OpenDump::MakeReadableAgain() {
  struct stat status;
  if (::fstat(descriptor_, &status) == 0 && S_ISREG(status.st_mode) &&
      ::lseek(descriptor_, 0, SEEK_CUR) == 0)
    return true;
  const char* directory = std::getenv("TMPDIR");
  std::string path = std::string(directory && *directory ? directory : "/tmp") + "/mpgtree.XXXXXX";
  const int copy = ::mkstemp(path.data());
  if (copy < 0) {
    Complain(name_ + ": cannot make a temporary copy: " + std::strerror(errno));
    return false;
  }
  ::unlink(path.c_str());
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

bool OpenDump::Rewind() {
  if (::lseek(descriptor_, 0, SEEK_SET) == 0) return true;
  Complain(name_ + ": cannot read it again: " + std::strerror(errno));
  return false;
}

}  // namespace mpgtree
