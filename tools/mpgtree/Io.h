// The inputs and outputs of mpgtree: a dump read from a file or standard input, text written
// to standard output or a file with every write checked, and messages on standard error.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/TreeJson.h"

namespace mpgtree {

/// Writes "mpgtree: " and the message on standard error.
void Complain(std::string_view iMessage);

/// A dump to read: a file, or standard input for "-".
class DumpInput {
 public:
  /// Opens iPath; null with a message on standard error when it cannot.
  static std::unique_ptr<DumpInput> Open(const std::string& iPath);
  ~DumpInput();
  zyn::reader::ByteSource& Source() { return source_; }
  /// The name messages give it: the path, or "standard input".
  const std::string& Name() const { return name_; }

 private:
  DumpInput(int iDescriptor, std::string iName)
      : descriptor_(iDescriptor), name_(std::move(iName)), source_(iDescriptor) {}
  int descriptor_;
  std::string name_;
  zyn::reader::FileDescriptorSource source_;
};

/// Text written to standard output or to a file with write(2), each write checked. The first
/// failure is kept and reported once, as "<name>: write error: <reason>".
class TextOutput : public zyn::reader::TextSink {
 public:
  /// Standard output for "" or "-", else the file iPath (created or emptied); null with a
  /// message when the file cannot be opened.
  static std::unique_ptr<TextOutput> Open(const std::string& iPath);
  ~TextOutput() override;

  bool Write(std::string_view iText) override;
  /// Finishes the output (closing a file); false, with the failure reported, when some write
  /// failed.
  bool Close();

 private:
  TextOutput(int iDescriptor, std::string iName, bool iOwned)
      : descriptor_(iDescriptor), name_(std::move(iName)), owned_(iOwned) {}
  int descriptor_;
  std::string name_;
  bool owned_;
  int failure_ = 0;  // errno of the first failed write
  bool closed_ = false;
};

/// Reports a problem of the reading as "<input>:<line>:<column>: <message>".
void ReportProblem(const std::string& iInput, const zyn::reader::Problem& iProblem);

}  // namespace mpgtree
