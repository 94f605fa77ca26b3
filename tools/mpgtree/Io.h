// The inputs and outputs of mpgtree: a dump read from a file or standard input (once, or again
// and again from its start), text written to standard output or a file with every write
// checked, and messages on standard error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/JsonText.h"
#include "zyntoolio/ProgressMeter.h"
#include "zyntoolio/WholeFile.h"

namespace mpgtree {

/// Writes "mpgtree: " and the message on standard error.
void Complain(std::string_view iMessage);

/// Refuses, with a message naming the pair, an output that names the same file as one of the
/// inputs (writing it would replace or grow the text being read, standard input's file among
/// them) or as standard output (zyn::toolio::WhyOutputsRefused). Standard output is always
/// listed, since every subcommand may write there; iOutput "" or "-" is standard output itself;
/// iInputs "-" is standard input. Answers false when refused (bad usage). Call before opening
/// anything.
bool OutputsDistinctFromInputs(const std::vector<std::string>& iInputs, const std::string& iOutput);

/// A dump to read: a file, or standard input for "-", on a descriptor of its own that it closes
/// when it goes. Read once through Source, or by descriptor, again and again from its start
/// (MakeReadableAgain, then Rewind), as the comparison and the page need it.
class DumpInput {
 public:
  /// Opens iPath; null with a message on standard error when it cannot (it does not exist, it
  /// is a directory).
  static std::unique_ptr<DumpInput> Open(const std::string& iPath);
  ~DumpInput();
  DumpInput(const DumpInput&) = delete;
  DumpInput& operator=(const DumpInput&) = delete;
  /// The dump's bytes from where the descriptor stands, counted for the progress line.
  zyn::reader::ByteSource& Source() { return counted_; }
  int Descriptor() const { return descriptor_; }
  /// The name messages give it: the path, or "standard input".
  const std::string& Name() const { return name_; }
  /// Shows the bytes read so far out of the file's size on standard error while Source is
  /// read, when iChoice and the terminal want it (WantsProgress); the line is erased at the
  /// end of the input. Without a known size (a pipe) only --progress shows it.
  void ShowProgress(zyn::toolio::ProgressChoice iChoice);
  /// Makes the dump readable from its start again and again: a pipe is copied to an unlinked
  /// temporary file, which then stands for it. False, with a message, when it cannot.
  bool MakeReadableAgain();
  /// Back to the dump's start (after MakeReadableAgain). False, with a message, when it cannot.
  bool Rewind();

 private:
  /// Reads the dump's current descriptor, counting the bytes for the progress line when there
  /// is one; without one, a read is the descriptor's read alone.
  class CountedSource : public zyn::reader::ByteSource {
   public:
    explicit CountedSource(const int& iDescriptor) : descriptor_(iDescriptor) {}
    long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override;
    std::unique_ptr<zyn::toolio::ProgressMeter> meter;

   private:
    const int& descriptor_;
    std::uint64_t read_ = 0;
  };

  DumpInput(int iDescriptor, std::string iName)
      : descriptor_(iDescriptor), name_(std::move(iName)), counted_(descriptor_) {}
  int descriptor_;
  std::string name_;
  CountedSource counted_;
};

/// Text written to standard output or to a file, each write checked. The first failure is kept
/// and reported once, as "mpgtree: <name>: write error: <reason>". A file is written as a
/// whole: beside its destination, renamed into place by Close once complete, so that a failed
/// or interrupted run leaves the old file or none.
class TextOutput : public zyn::reader::TextSink {
 public:
  /// Standard output for "" or "-", else the file iPath (created or emptied); null with a
  /// message when the file cannot be opened.
  static std::unique_ptr<TextOutput> Open(const std::string& iPath);
  /// The same, for a run that may be refused once its text is partly written (a dump found not
  /// whole at its end): standard output then receives the text only when Close finds the run
  /// complete, held until then in an unlinked temporary file, so that Abandon leaves standard
  /// output as empty as it leaves a file absent.
  static std::unique_ptr<TextOutput> OpenHeld(const std::string& iPath);
  ~TextOutput() override;

  bool Write(std::string_view iText) override;
  /// Finishes the output (closing a file); false, with the failure reported, when some write
  /// failed.
  bool Close();
  /// Drops what was written to a file, which keeps its old content (or stays absent), or held
  /// for standard output (OpenHeld); standard output keeps what it was given otherwise.
  void Abandon();

 private:
  explicit TextOutput(std::unique_ptr<zyn::toolio::WholeFile> iFile) : file_(std::move(iFile)) {}
  zyn::toolio::OutputBuffer& Buffer();
  /// Copies the held text to standard output; false when reading it back fails.
  bool ReleaseHeld();
  std::unique_ptr<zyn::toolio::WholeFile> file_;  // null for standard output
  int heldDescriptor_ = -1;  // the temporary file holding standard output's text (OpenHeld)
  std::unique_ptr<zyn::toolio::OutputBuffer> held_;
  bool closed_ = false;
  bool failed_ = false;
};

/// Reports a problem of the reading as "<input>:<line>:<column>: <message>".
void ReportProblem(const std::string& iInput, const zyn::reader::Problem& iProblem);

}  // namespace mpgtree
