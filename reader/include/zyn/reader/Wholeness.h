// Whether a dump is whole: one dump in the input, nothing after its end, every line placed,
// every block closed, each closing line repeating its opening ordinal and uuid, each announced
// count matched by what is present. Every command of mpgtree judges its input with this one
// checker, so that all give one verdict on one input. Objects that have no dump keep
// their position, so gaps in the ordinals are notes, not faults; so are dumps that stopped by
// themselves (a row lacking an interface, an Orv identity that could not be read).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "zyn/reader/DumpReader.h"

namespace zyn::reader {

struct Finding {
  enum class Kind : std::uint8_t { Fault, Note };
  Kind kind = Kind::Fault;
  std::uint64_t line = 0;
  std::string message;
};

/// The one verdict on a dump that every command gives.
struct Verdict {
  enum class Kind : std::uint8_t {
    Whole,       // no fault
    NotWhole,    // some fault: a line that cannot be placed, a block not closed, ...
    CannotTell,  // the input cannot be judged: unreadable, split between the sinks, or read
                 // in the form --form gave while it is in the other
  };
  Kind kind = Kind::Whole;
  std::uint64_t faults = 0;
  std::uint64_t notes = 0;
  std::uint64_t dmtRows = 0;
  std::uint64_t lines = 0;
  std::uint64_t rawLines = 0;      // lines that could not be placed, kept raw (lenient reading)
  std::uint64_t firstRawLine = 0;  // the first of them; 0 when none was
  Finding firstFault;              // line 0 when the fault is the input's as a whole
  std::string cannotTell;          // why it cannot be told, when it cannot
};

/// A visitor that judges a dump as it is read, and hands every call on to iForward when one is
/// given, so that a command reads and judges in one pass. The parser's problems and the
/// checker's own findings go to iReport in order; the checker's own faults also go to
/// iForward's OnProblem, as errors, so that what iForward shows counts them. Read leniently
/// to see every fault. Read strictly (iLenient false), the first line that cannot be placed
/// ends the reading: the blocks it leaves open are the reading's, not the dump's, so the
/// checker's own faults stop there too.
class WholenessChecker : public DumpVisitor {
 public:
  explicit WholenessChecker(std::function<void(const Finding&)> iReport,
                            DumpVisitor* iForward = nullptr, bool iLenient = true);

  void OnForm(Form iForm, std::uint64_t iDecidedAtLine) override;
  void OnManagerHeader(const ManagerHeader& iHeader) override;
  void OnDmtRow(const DmtRow& iRow) override;
  void OnManagerTrailer(const ManagerTrailer& iTrailer) override;
  void OnEnvironment(const Environment& iEnvironment) override;
  void OnRmtRow(const RmtRow& iRow) override;
  void OnComponent(const Component& iComponent) override;
  void OnRaw(const RawLine& iRaw) override;
  bool OnProblem(const Problem& iProblem) override;

  /// The verdict, once the reading that gave iOutcome is over.
  Verdict Finish(const ReadOutcome& iOutcome);

  std::uint64_t Faults() const { return faults_; }
  std::uint64_t Notes() const { return notes_; }
  std::uint64_t DmtRows() const { return dmtRows_; }
  /// The input holds signs that its lines were split between the two sinks.
  bool SplitBetweenSinks() const { return split_; }

 private:
  /// A fault; iOwn: the checker's own, which iForward has not seen.
  void Fault(std::uint64_t iLine, std::string iMessage, bool iOwn = true);
  void Note(std::uint64_t iLine, std::string iMessage);
  void CheckClosing(const char* iWhat, std::uint64_t iLine, const RowHeader& iHeader,
                    const std::optional<RowClosing>& iClosing);
  /// Follows the ordinals of a list: faults for those out of order or beyond the count, notes
  /// for the gaps. ioLast is the last ordinal seen (0 before the first).
  void CheckOrdinal(const char* iWhat, std::uint64_t iLine,
                    const std::optional<std::int32_t>& iOrdinal, std::optional<std::int32_t> iCount,
                    std::int32_t* ioLast);
  void CheckTail(const char* iWhat, std::uint64_t iLine, std::optional<std::int32_t> iCount,
                 std::int32_t iLast);
  void CheckComponent(const Component& iComponent);
  void CheckPlace(const ComponentPlace& iPlace);
  void CheckRmtRow(const RmtRow& iRow);

  std::function<void(const Finding&)> report_;
  DumpVisitor* forward_;
  bool lenient_;
  bool readingEnded_ = false;  // strict reading met an error: the rest is not judged
  Finding firstFault_;
  std::string cannotTell_;  // the first split between the sinks, or the wrong --form
  std::uint64_t faults_ = 0;
  std::uint64_t notes_ = 0;
  std::uint64_t dmtRows_ = 0;
  bool split_ = false;
  bool insideManager_ = false;
  std::int32_t announcedRows_ = 0;
  std::int32_t lastRowOrdinal_ = 0;
};

}  // namespace zyn::reader
