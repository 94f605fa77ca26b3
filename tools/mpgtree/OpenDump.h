// OpenDump: a dump opened by descriptor for the subcommands that read it more than once (diff
// and html).
#pragma once

#include <memory>
#include <string>
#include <utility>

namespace mpgtree {

/// A dump opened for reading by descriptor, as the comparison needs it (it reads ranges
/// again): a file, or standard input for "-". Closes the descriptor when it goes.
class OpenDump {
 public:
  /// Null, with a message on standard error, when iPath cannot be opened.
  static std::unique_ptr<OpenDump> Open(const std::string& iPath);
  ~OpenDump();
  OpenDump(const OpenDump&) = delete;
  OpenDump& operator=(const OpenDump&) = delete;
  int Descriptor() const { return descriptor_; }
  const std::string& Name() const { return name_; }
  /// Makes the dump readable from its start again and again: a pipe is copied to an unlinked
  /// temporary file, which then stands for it. False, with a message, when it cannot.
  bool MakeReadableAgain();
  /// Back to the dump's start (after MakeReadableAgain). False, with a message, when it cannot.
  bool Rewind();

 private:
  OpenDump(int iDescriptor, std::string iName)
      : descriptor_(iDescriptor), name_(std::move(iName)) {}
  int descriptor_;
  std::string name_;
};

}  // namespace mpgtree
