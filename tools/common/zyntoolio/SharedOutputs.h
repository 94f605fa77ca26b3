// Refusing outputs that would write into one file, or into a file the tool reads.
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

/// One file a tool reads, as the command line named it.
struct NamedInput {
  /// How a message calls it: "the input", "the table".
  std::string label;
  /// The path the tool opens; "-" is standard input.
  std::string path;
};

/// Why the tool must not write iOutputs, as the message that follows "<tool>: ", or nothing when
/// it may. Refused, in this order:
/// - an output that names a file the tool reads: writing it would replace, empty or grow the
///   text being read. Compared as FindSharedFile compares, so that a symbolic link, a hard link
///   or /dev/fd/N on an input is refused too, for writing as for appending; standard input is
///   the file it was redirected from. Only a regular file is protected: a terminal, /dev/null, a
///   pipe or a socket keeps nothing that writing could destroy (standard input and standard
///   output on one socket is how some servers run a tool), and an input that does not exist has
///   nothing to lose. Standard error (descriptor 2) is not compared with the inputs: the tool's
///   messages go there whatever it does, this refusal among them;
/// - two outputs that name one file (FindSharedFile).
/// Inputs may name one file among themselves: nothing writes to them. Opens nothing: call it
/// before anything is read or written, and exit with the usage status on a refusal.
std::optional<std::string> WhyOutputsRefused(const std::vector<NamedOutput>& iOutputs,
                                             const std::vector<NamedInput>& iInputs);

}  // namespace zyn::toolio
