// Telling whether two outputs name one file, or an output a file that the tool reads.
#include "zyntoolio/SharedOutputs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zyn::toolio {

namespace {

/// What an output names: an existing file by device and inode, or a file still to be created
/// by its directory's device and inode and its name.
struct Identity {
  bool known = false;
  bool characterDevice = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;  // empty for an existing file

  bool operator==(const Identity& iOther) const {
    return known && iOther.known && device == iOther.device && inode == iOther.inode &&
           name == iOther.name;
  }
};

Identity FromStatus(const struct stat& iStatus, std::string iName) {
  Identity identity;
  identity.known = true;
  identity.characterDevice = S_ISCHR(iStatus.st_mode);
  identity.device = iStatus.st_dev;
  identity.inode = iStatus.st_ino;
  identity.name = std::move(iName);
  return identity;
}

/// The path of a file that does not exist yet, with the links of its last component followed,
/// so that a dangling link and its target compare equal.
std::string FollowDanglingLinks(std::string iPath) {
  for (int hop = 0; hop < 40; ++hop) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(iPath.c_str(), target, sizeof target - 1);
    if (length <= 0) break;
    const std::string link(target, static_cast<std::size_t>(length));
    const std::size_t slash = iPath.rfind('/');
    iPath = link.front() == '/' || slash == std::string::npos ? link
                                                              : iPath.substr(0, slash + 1) + link;
  }
  return iPath;
}

Identity Identify(const NamedOutput& iOutput) {
  struct stat status;
  if (iOutput.path.empty() || iOutput.path == "-") {
    const int descriptor = iOutput.path == "-" ? 1 : iOutput.descriptor;
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0) return {};
    return FromStatus(status, "");
  }
  if (::stat(iOutput.path.c_str(), &status) == 0) return FromStatus(status, "");
  if (errno != ENOENT) return {};
  const std::string path = FollowDanglingLinks(iOutput.path);
  const std::size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || ::stat(directory.c_str(), &status) != 0) return {};
  return FromStatus(status, name);
}

/// What an input names, when it is a file that writing would harm: an existing regular file.
Identity IdentifyInput(const NamedInput& iInput) {
  struct stat status;
  const int result =
      iInput.path == "-" ? ::fstat(0, &status) : ::stat(iInput.path.c_str(), &status);
  if (result != 0 || !S_ISREG(status.st_mode)) return {};
  return FromStatus(status, "");
}

bool Inherited(const NamedOutput& iOutput) { return iOutput.path.empty() || iOutput.path == "-"; }

std::string Describe(const NamedOutput& iOutput) {
  return iOutput.path.empty() ? iOutput.label : iOutput.label + " " + iOutput.path;
}

std::string Describe(const NamedInput& iInput) {
  return iInput.path == "-" ? "standard input" : iInput.label + " " + iInput.path;
}

/// The message naming an output that would write into one of the inputs; nothing when none.
std::optional<std::string> FindOutputOnInput(const std::vector<NamedOutput>& iOutputs,
                                             const std::vector<NamedInput>& iInputs) {
  std::vector<Identity> inputs;
  inputs.reserve(iInputs.size());
  for (const NamedInput& input : iInputs) inputs.push_back(IdentifyInput(input));
  for (const NamedOutput& output : iOutputs) {
    if (output.path.empty() && output.descriptor == 2) continue;
    const Identity identity = Identify(output);
    for (std::size_t i = 0; i < iInputs.size(); ++i) {
      if (inputs[i] == identity)
        return Describe(output) + " and " + Describe(iInputs[i]) + " name the same file";
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::pair<std::size_t, std::size_t>> FindSharedFile(
    const std::vector<NamedOutput>& iOutputs) {
  std::vector<Identity> identities;
  identities.reserve(iOutputs.size());
  for (const NamedOutput& output : iOutputs) identities.push_back(Identify(output));
  for (std::size_t second = 1; second < iOutputs.size(); ++second) {
    for (std::size_t first = 0; first < second; ++first) {
      if (iOutputs[first].path == "-" && iOutputs[second].path == "-") return {{first, second}};
      if (Inherited(iOutputs[first]) && Inherited(iOutputs[second])) continue;
      const Identity& one = identities[first];
      if (one.characterDevice || !(one == identities[second])) continue;
      return {{first, second}};
    }
  }
  return std::nullopt;
}

std::optional<std::string> WhyOutputsRefused(const std::vector<NamedOutput>& iOutputs,
                                             const std::vector<NamedInput>& iInputs) {
  if (std::optional<std::string> onInput = FindOutputOnInput(iOutputs, iInputs)) return onInput;
  const auto shared = FindSharedFile(iOutputs);
  if (!shared) return std::nullopt;
  return Describe(iOutputs[shared->first]) + " and " + Describe(iOutputs[shared->second]) +
         " name the same file";
}

}  // namespace zyn::toolio
