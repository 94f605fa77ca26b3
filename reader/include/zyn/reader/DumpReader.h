// Reads the text of one dump, in either form, and hands its tree over node by node: the
// manager's header, each DMT row once it is complete, the manager's trailer, and any other
// top-level node (an environment, a row or a component dumped on its own).
//
// Memory is bounded by one DMT row (and the longest line): nothing before the current row is
// kept, so a dump of a million rows reads in constant memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zyn/reader/DumpTree.h"

namespace zyn::reader {

/// How serious a problem is.
enum class Severity : std::uint8_t {
  Note,   // worth knowing, the tree is whole (a joined line, an ambiguous separator)
  Error,  // a line the reader cannot place, or an input that ends inside a block
};

/// One problem, at its place in the input.
struct Problem {
  Severity severity = Severity::Error;
  std::uint64_t line = 0;    // from 1; 0 when the problem has no line (a read failure)
  std::uint32_t column = 0;  // from 1; 0 when the whole line is meant
  std::string message;       // what was expected there, or what was found
  /// The input holds lines of both forms: its lines were split between the trace tool and
  /// standard output, and it cannot be read from this input alone.
  bool splitBetweenSinks = false;
  /// The input is in the other form than the one --form gave: nothing in it can be read.
  bool wrongForm = false;
};

/// Receives the tree as it is read. Each node is valid only during the call.
class DumpVisitor {
 public:
  virtual ~DumpVisitor() = default;
  /// The form, as soon as it is known (given, or decided by the first line that differs).
  virtual void OnForm(Form /*iForm*/, std::uint64_t /*iDecidedAtLine*/) {}
  virtual void OnManagerHeader(const ManagerHeader& /*iHeader*/) {}
  /// A DMT row of the manager's list, or one dumped on its own.
  virtual void OnDmtRow(const DmtRow& /*iRow*/) {}
  virtual void OnManagerTrailer(const ManagerTrailer& /*iTrailer*/) {}
  virtual void OnEnvironment(const Environment& /*iEnvironment*/) {}
  /// An RMT row dumped on its own, outside any DMT row.
  virtual void OnRmtRow(const RmtRow& /*iRow*/) {}
  /// A component dumped on its own, outside any row.
  virtual void OnComponent(const Component& /*iComponent*/) {}
  /// A line that could not be placed, when reading leniently.
  virtual void OnRaw(const RawLine& /*iRaw*/) {}
  /// Every problem, in input order. Answer false to stop reading.
  virtual bool OnProblem(const Problem& /*iProblem*/) { return true; }
};

/// Where the bytes come from: a file descriptor, or bytes in memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  /// Reads up to iCapacity bytes into oBuffer: the count, 0 at the end, -1 on failure (with
  /// the reason in oError).
  virtual long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) = 0;
};

/// Reads a file descriptor with read(2), retrying interrupted reads.
class FileDescriptorSource : public ByteSource {
 public:
  explicit FileDescriptorSource(int iDescriptor) : descriptor_(iDescriptor) {}
  long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override;

 private:
  int descriptor_;
};

/// Reads bytes held by the caller, who keeps them alive during the reading.
class MemorySource : public ByteSource {
 public:
  /// How much each read hands out: by default all that is asked. Smaller reads, as a pipe or a
  /// slow writer hands them out, check that nothing a reading says depends on where its reads
  /// end.
  struct Reads {
    /// The most bytes a read hands out; 0: all that is asked.
    std::size_t most = 0;
    /// Reads of 1, 2, ... up to `most` bytes in turn, then 1 again; otherwise `most` each.
    bool rising = false;
  };

  explicit MemorySource(std::string_view iBytes) : bytes_(iBytes) {}
  MemorySource(std::string_view iBytes, Reads iReads) : bytes_(iBytes), reads_(iReads) {}
  long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override;

 private:
  std::string_view bytes_;
  Reads reads_;
  std::size_t lastRead_ = 0;
};

struct ReadOptions {
  /// The form to read; Unknown decides it from the text.
  Form form = Form::Unknown;
  /// Keep going after a line that cannot be placed, keeping it as a raw node; otherwise the
  /// first such line ends the reading.
  bool lenient = false;
  /// Keep the original lines of each row and of the manager's header and trailer (`text`).
  bool keepText = false;
};

/// How a reading went. Whether the dump is whole is the verdict of a WholenessChecker
/// (Wholeness.h) that the reading went through, not of these counts alone.
struct ReadOutcome {
  Form form = Form::Unknown;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
  std::uint64_t errors = 0;        // problems of severity Error
  std::uint64_t rawLines = 0;      // lines kept as raw nodes (lenient reading)
  std::uint64_t firstRawLine = 0;  // the first of them; 0 when none was
  bool stopped = false;            // the visitor, or the first error in strict reading, ended it
  std::string readFailure;         // set when the source could not be read
};

/// Reads one dump from iSource and calls iVisitor as nodes complete. An input holds one dump:
/// an empty input, text after the dump's end and a second dump after the first are errors
/// (the lines after the end are kept raw in lenient reading, with the one problem).
ReadOutcome ReadDump(ByteSource& iSource, const ReadOptions& iOptions, DumpVisitor& iVisitor);

}  // namespace zyn::reader
