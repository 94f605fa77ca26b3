// Files written beside their destination and renamed into place once complete.
#include "zyntoolio/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "zyntoolio/SignalCleanup.h"

namespace zyn::toolio {

namespace {

/// The same number of links as the system itself follows before answering ELOOP.
constexpr int kMaxLinks = 40;

std::string DirectoryOf(const std::string& iPath) {
  const std::size_t slash = iPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return iPath.substr(0, slash);
}

std::string NameOf(const std::string& iPath) {
  const std::size_t slash = iPath.rfind('/');
  return slash == std::string::npos ? iPath : iPath.substr(slash + 1);
}

/// The path iPath leads to once every symbolic link in its last component is followed; the
/// file there need not exist (a dangling link names the file that writing would create).
bool FollowLinks(const std::string& iPath, std::string* oTarget, int* oError) {
  std::string path = iPath;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      *oTarget = path;
      return true;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length < 0) {
      *oError = errno;
      return false;
    }
    const std::string link(target, static_cast<std::size_t>(length));
    path = link.front() == '/' ? link : DirectoryOf(path) + "/" + link;
  }
  *oError = ELOOP;
  return false;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::unique_ptr<WholeFile> WholeFile::Create(const std::string& iPath, int* oError) {
  if (iPath.empty()) {
    *oError = ENOENT;
    return nullptr;
  }
  std::string target;
  if (!FollowLinks(iPath, &target, oError)) return nullptr;

  mode_t mode = NewFileMode();
  struct stat status;
  if (::stat(target.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) {
      *oError = EISDIR;
      return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
      std::unique_ptr<OutputBuffer> direct = OutputBuffer::OpenFile(iPath, oError);
      if (!direct) return nullptr;
      return std::unique_ptr<WholeFile>(new WholeFile(std::move(direct), "", ""));
    }
    if (::access(target.c_str(), W_OK) != 0) {
      *oError = errno;
      return nullptr;
    }
    mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    *oError = errno;
    return nullptr;
  }

  std::string temporary = DirectoryOf(target) + "/." + NameOf(target) + ".XXXXXX";
  const SignalsHeld held;
  const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (descriptor < 0) {
    *oError = errno;
    return nullptr;
  }
  ::fchmod(descriptor, mode);
  auto buffer = std::make_unique<OutputBuffer>(descriptor, iPath, true);
  std::unique_ptr<WholeFile> file(
      new WholeFile(std::move(buffer), std::move(target), std::move(temporary)));
  file->ticket_ = RememberTemporary(file->temporary_.c_str());
  return file;
}

WholeFile::WholeFile(std::unique_ptr<OutputBuffer> iBuffer, std::string iTarget,
                     std::string iTemporary)
    : buffer_(std::move(iBuffer)), target_(std::move(iTarget)), temporary_(std::move(iTemporary)) {}

WholeFile::~WholeFile() {
  if (temporary_.empty()) return;
  buffer_->Close();
  RemoveTemporary();
}

bool WholeFile::Commit() {
  const bool written = buffer_->Close();
  if (temporary_.empty()) return written;
  if (written && ::rename(temporary_.c_str(), target_.c_str()) == 0) {
    ForgetTemporary(ticket_);
    temporary_.clear();
    return true;
  }
  if (written) buffer_->Fail(errno);
  RemoveTemporary();
  return false;
}

void WholeFile::RemoveTemporary() {
  ::unlink(temporary_.c_str());
  ForgetTemporary(ticket_);
  temporary_.clear();
}

}  // namespace zyn::toolio
