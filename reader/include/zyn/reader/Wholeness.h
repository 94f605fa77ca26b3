// Whether a dump is whole: every block closed, each closing line repeating its opening ordinal
// and uuid, each announced count matched by what is present. Objects that have no dump keep
// their position, so gaps in the ordinals are notes, not faults; so are dumps that stopped by
// themselves (a row lacking an interface, an Orv identity that could not be read).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "zyn/reader/DumpReader.h"

namespace zyn::reader {

struct Finding {
  enum class Kind : std::uint8_t { Fault, Note };
  Kind kind = Kind::Fault;
  std::uint64_t line = 0;
  std::string message;
};

/// A visitor that judges a dump as it is read (read it leniently, so that lines that cannot be
/// placed count as faults and the reading goes on). Every finding goes to iReport in order.
class WholenessChecker : public DumpVisitor {
 public:
  explicit WholenessChecker(std::function<void(const Finding&)> iReport);

  void OnManagerHeader(const ManagerHeader& iHeader) override;
  void OnDmtRow(const DmtRow& iRow) override;
  void OnManagerTrailer(const ManagerTrailer& iTrailer) override;
  void OnEnvironment(const Environment& iEnvironment) override;
  void OnRmtRow(const RmtRow& iRow) override;
  void OnComponent(const Component& iComponent) override;
  bool OnProblem(const Problem& iProblem) override;

  /// The findings that only the end of the input can tell (an input that holds no dump).
  void Finish(const ReadOutcome& iOutcome);

  std::uint64_t Faults() const { return faults_; }
  std::uint64_t Notes() const { return notes_; }
  std::uint64_t DmtRows() const { return dmtRows_; }
  /// The input holds signs that its lines were split between the two sinks.
  bool SplitBetweenSinks() const { return split_; }

 private:
  void Fault(std::uint64_t iLine, std::string iMessage);
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
  std::uint64_t faults_ = 0;
  std::uint64_t notes_ = 0;
  std::uint64_t dmtRows_ = 0;
  std::uint64_t nodes_ = 0;
  bool split_ = false;
  bool insideManager_ = false;
  std::int32_t announcedRows_ = 0;
  std::int32_t lastRowOrdinal_ = 0;
};

}  // namespace zyn::reader
