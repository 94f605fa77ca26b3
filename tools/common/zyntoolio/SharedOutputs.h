// Refusing two outputs that would write into one file.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zyn::toolio {

/// One output a tool is about to write, as the command line named it.
struct NamedOutput {
  /// How a message calls it: "--trace-log", "standard output".
  std::string label;
  /// A path the tool opens; "-" is standard output itself, written through the tool's own
  /// stream. Empty when the output is a standard stream that the tool inherits (below).
  std::string path;
  /// For an inherited standard stream: its descriptor (1, 2); -1 for a path.
  int descriptor = -1;
};

/// The first two outputs that name the same file, by position in iOutputs; none when all
/// differ. Files are compared as the system knows them (device and inode), so a symbolic link,
/// a hard link, /dev/stdout or /dev/fd/N names the file it leads to; a file that does not exist
/// yet is compared by its directory and name, links followed.
///
/// Not reported:
/// - two streams the tool inherited, "-" among them (standard output and standard error on one
///   file, as after 2>&1, share one offset: that was the caller's choice; and what the tool
///   writes to "-" goes through its standard output stream in turn with the rest);
/// - a character device (a terminal, /dev/null), where several writers only interleave.
/// Two "-" are reported: at most one output may take standard output.
std::optional<std::pair<std::size_t, std::size_t>> FindSharedFile(
    const std::vector<NamedOutput>& iOutputs);

}  // namespace zyn::toolio
