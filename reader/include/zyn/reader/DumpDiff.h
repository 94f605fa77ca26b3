// Compares two dumps of mapping tables, row by row and field by field, in memory bounded by a
// compact digest per DMT row rather than by the dumps' size.
//
// Matching. DMT rows are matched by uuid, and the RMT rows of two matched DMT rows by uuid
// within them. A row whose uuid is invalid ("invalid element uuid"), not written, or held by
// more than one row of its list in either dump falls back to its ordinal: it is matched with
// the row of the other dump that has the same ordinal and falls back too (a row written
// without an ordinal uses its position in its list instead). The report lists every row that
// fell back, and why.
//
// Paths. A row is named by its uuid, `dmt[3f2a...]`, or, when it fell back, by its ordinal,
// `dmt[#3]` (or its position, `dmt[@3]`); an RMT row likewise within its DMT row,
// `dmt[3f2a...].rmt[5e9b...]`. A field's path follows, as RowFields.h builds it:
// `dmt[3f2a...].rmt[5e9b...].ref.name`. The manager is `manager`; nodes dumped on their own
// are `environment[N]`, `rmt[...]` and `component[N]` (N counting from 1 in dump order).
//
// What counts as a difference (the two dumps may be of different forms):
//  - a field that both rows hold with different values, or that only one row holds;
//  - except that fields of role FormDependent (a value one form may leave out: an octet
//    sequence's hexadecimal text and the notice that replaces it, an Orv model PLMID, a Pell
//    PLMID text) count only when both rows hold them: their absence on one side tells how that
//    dump was written, not what its table holds (those held by one row only are not
//    compared: they are counted, and named on request, as NotComparedField);
//  - and fields of role Position (ordinals) and Circumstance (a named trace's heading) never
//    count. A row that moved keeps its identity: its ordinals are shown, not compared.
// The nodes' lines, their original text and the reader's notes are never compared.
//
// How. The first dump is read once, keeping per DMT row its uuid, ordinal, place in the file
// and a 64-bit digest of its fields that follows the rule above; the second likewise; the rows
// are matched on these; then only the matched rows whose digests differ are read again, from
// their place in each file, and compared field by field. The digests also count the fields of
// each form-dependent kind, which gives the fields not compared of the rows not read again;
// a report that asks for their names has those rows read again too. An input that cannot be read
// twice (a pipe) is copied to an unlinked temporary file as it is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/DumpTree.h"
#include "zyn/reader/RowFields.h"
#include "zyn/reader/Wholeness.h"

namespace zyn::reader {

/// Why a row was matched by its ordinal instead of its uuid.
enum class Fallback : std::uint8_t {
  None,          // matched by uuid
  InvalidUuid,   // the dump wrote "invalid element uuid"
  NoUuid,        // the dump wrote no uuid (the row stopped after the header's first piece)
  RepeatedUuid,  // another row of the same list, in either dump, has the same uuid
};
/// "invalidUuid", "noUuid", "repeatedUuid" (and "none").
std::string_view FallbackName(Fallback iFallback);
/// In words: "its uuid is invalid", ...
std::string_view FallbackDescription(Fallback iFallback);

/// A field's value as a report keeps it.
struct ReportedValue {
  bool present = false;  // false: the row does not hold this field
  FieldValue::Type type = FieldValue::Type::Text;
  std::string text;
  std::int64_t integer = 0;
  bool boolean = false;
  static ReportedValue Of(const FieldValue& iValue);
  friend bool operator==(const ReportedValue& iLeft, const ReportedValue& iRight);
};

struct FieldChange {
  std::string path;
  std::string_view label;  // the field's meaning (static text)
  ReportedValue a, b;
  std::uint64_t lineA = 0, lineB = 0;  // 0 on the side that lacks the field
};

/// Where a node stands in one of the dumps.
struct NodePlace {
  std::optional<std::string> uuid;  // rows only; absent for "invalid element uuid"
  std::optional<std::int32_t> ordinal;
  std::uint64_t line = 0;
  /// Which node of its list it is, from 1: a DMT row among the dump's DMT rows, an RMT row
  /// within its DMT row (or among the RMT rows dumped on their own), N for `environment[N]`
  /// and `component[N]`; 0 for the manager. Unlike the line (a row cut after the first piece
  /// of its header shares its line with the next row), it tells every node apart.
  std::uint64_t position = 0;
};

/// A field that only one of two matched nodes holds, of a kind that the other dump's form may
/// leave out (role FormDependent): it cannot be compared, and is counted instead.
struct NotComparedField {
  std::string path;
  std::string_view label;  // the field's meaning (static text)
  bool heldByA = true;     // false: only B holds it
  std::uint64_t line = 0;  // in the dump that holds it
};

/// One node that differs: present in one dump only, or present in both with changed fields
/// (and, for a DMT row, RMT rows that differ).
struct NodeDifference {
  enum class Status : std::uint8_t { OnlyInA, OnlyInB, Changed };
  Status status = Status::Changed;
  std::string path;
  Fallback fallback = Fallback::None;  // how the node was matched, for rows
  std::optional<NodePlace> a, b;       // the sides it is present on
  std::vector<FieldChange> changes;
  std::vector<NodeDifference> rmtRows;  // a DMT row's RMT rows that differ
  /// The fields not compared, of the node and (for a DMT row) of all its matched RMT rows;
  /// they make no difference on their own.
  std::vector<NotComparedField> notCompared;
  bool Empty() const { return status == Status::Changed && changes.empty() && rmtRows.empty(); }
};
std::string_view StatusName(NodeDifference::Status iStatus);  // "onlyInA", "onlyInB", "changed"

/// A row matched by its ordinal, and why.
struct FallbackNote {
  std::string path;
  Fallback reason = Fallback::None;
};

/// The fields of one matched node that could not be compared, whether the node differs
/// otherwise or not.
struct NotComparedNote {
  std::string path;  // the node: "dmt[3f2a...]", "manager", "environment[1]"
  std::optional<NodePlace> a, b;
  std::uint64_t count = 0;
  /// The fields themselves, when the report asked for them (DiffReport::NamesNotCompared);
  /// otherwise empty, and the count comes from the rows' digests.
  std::vector<NotComparedField> fields;
};

/// One of the two dumps, as read.
struct DiffSide {
  std::string name;
  Form form = Form::Unknown;
  std::uint64_t dmtRows = 0;
  std::uint64_t lines = 0;
  std::uint64_t bytes = 0;
};

struct DiffSummary {
  std::uint64_t sameRows = 0;              // DMT rows matched with no difference
  std::uint64_t changedRows = 0;           // DMT rows matched with some difference
  std::uint64_t onlyInA = 0, onlyInB = 0;  // DMT rows
  std::uint64_t otherDifferences = 0;      // the manager and nodes dumped on their own
  std::uint64_t fallbacks = 0;             // rows (DMT and RMT) matched by ordinal
  std::uint64_t rowsReadAgain = 0;  // matched DMT rows whose digests differ, read a second time
  /// Fields held by one dump only and not compared, since the other's form leaves them out.
  /// They do not make the dumps different: a table dumped in both forms compares the same.
  std::uint64_t notCompared = 0;
  /// Changed fields set aside by the report's patterns (DiffFilter.h); absent when it has none.
  /// A node whose only changes are set aside counts as the same.
  std::optional<std::uint64_t> ignored;
  bool Different() const { return changedRows || onlyInA || onlyInB || otherDifferences; }
};

/// Receives the report as it is made: Begin; each node that differs (the manager, then the DMT
/// rows in the order of A with those only in B after them, then nodes dumped on their own),
/// each matched node with fields not compared just after it would be reported; each fallback
/// note; End.
class DiffReport {
 public:
  virtual ~DiffReport() = default;
  virtual void Begin(const DiffSide& /*iA*/, const DiffSide& /*iB*/) {}
  /// Answer false to stop (the output failed).
  virtual bool OnDifference(const NodeDifference& iDifference) = 0;
  /// A matched node with fields not compared.
  virtual void OnNotCompared(const NotComparedNote& /*iNote*/) {}
  /// Whether OnNotCompared should name the fields: matched rows that would otherwise not be
  /// read again are then read again to name them.
  virtual bool NamesNotCompared() const { return false; }
  virtual void OnFallback(const FallbackNote& /*iNote*/) {}
  virtual void End(const DiffSummary& /*iSummary*/) {}
};

/// A dump to compare: an open descriptor (a file, or a pipe) and its name for messages.
struct DiffInput {
  int descriptor = -1;
  std::string name;
};

/// How a comparison went.
struct DiffOutcome {
  /// Empty when both dumps were read and compared; otherwise why not, naming the input, line
  /// and column ("a.txt:12:5: ...").
  std::string trouble;
  bool stopped = false;  // the report asked to stop
  DiffSummary summary;
  /// The verdict on each dump (whole, not whole, cannot tell), with the lines kept raw when
  /// read leniently. A dump that is not whole is trouble unless it is read leniently.
  Verdict a, b;
};

/// Compares the dumps iA and iB, read with iOptions (the form, when given, holds for both).
DiffOutcome DiffDumps(const DiffInput& iA, const DiffInput& iB, const ReadOptions& iOptions,
                      DiffReport& ioReport);

/// Compares two DMT rows known to match, under the rule above: their fields, and their RMT
/// rows matched by uuid within them. iPath names the row ("dmt[3f2a...]"). Rows of the RMT
/// lists that fell back to their ordinal are added to oFallbacks when it is given. The places
/// of the two rows have no position (the caller knows it); those of their RMT rows do, and the
/// fields not compared of the RMT rows are gathered in the DMT row's notCompared.
NodeDifference CompareDmtRows(const DmtRow& iA, const DmtRow& iB, const std::string& iPath,
                              std::vector<FallbackNote>* oFallbacks = nullptr);
/// Compares two RMT rows known to match.
NodeDifference CompareRmtRows(const RmtRow& iA, const RmtRow& iB, const std::string& iPath);

/// The key of a row in a path: "[uuid]", "[#ordinal]" or "[@position]".
std::string RowPathKey(const RowHeader& iHeader, Fallback iFallback, std::uint64_t iPosition);
/// The name of each RMT row of iRow in a path, "rmt[5e9b...]", as its own dump alone names it
/// (a uuid repeated within the row falls back to the ordinal).
std::vector<std::string> RmtRowPathNames(const DmtRow& iRow);

}  // namespace zyn::reader
