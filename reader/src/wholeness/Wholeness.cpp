// Judges a dump as it is read: closings, ordinals and counts, row by row.
#include "zyn/reader/Wholeness.h"

#include <utility>

#include "parse/Text.h"

namespace zyn::reader {

namespace {

std::string UuidText(const std::optional<std::string>& iUuid) {
  std::string text;
  text::AppendQuoted(iUuid ? *iUuid : std::string_view("invalid element uuid"), text);
  return text;
}

constexpr char kSplitReason[] =
    "the dump's lines were split between the trace tool and standard output (the trace tool "
    "changed validity during the dump), so neither of them holds the whole dump: dump the "
    "table again with the trace tool's validity steady";

std::string OrdinalText(const std::optional<std::int32_t>& iOrdinal) {
  return iOrdinal ? std::to_string(*iOrdinal) : std::string("none");
}

}  // namespace

WholenessChecker::WholenessChecker(std::function<void(const Finding&)> iReport,
                                   DumpVisitor* iForward, bool iLenient)
    : report_(std::move(iReport)), forward_(iForward), lenient_(iLenient) {}

void WholenessChecker::Fault(std::uint64_t iLine, std::string iMessage, bool iOwn) {
  if (iOwn && readingEnded_) return;
  if (!iOwn && !lenient_) readingEnded_ = true;
  if (faults_++ == 0) firstFault_ = Finding{Finding::Kind::Fault, iLine, iMessage};
  if (iOwn && forward_) {
    Problem problem;
    problem.line = iLine;
    problem.message = iMessage;
    forward_->OnProblem(problem);
  }
  report_(Finding{Finding::Kind::Fault, iLine, std::move(iMessage)});
}

void WholenessChecker::Note(std::uint64_t iLine, std::string iMessage) {
  ++notes_;
  report_(Finding{Finding::Kind::Note, iLine, std::move(iMessage)});
}

bool WholenessChecker::OnProblem(const Problem& iProblem) {
  if (iProblem.splitBetweenSinks) split_ = true;
  if (cannotTell_.empty() && (iProblem.splitBetweenSinks || iProblem.wrongForm))
    cannotTell_ = iProblem.wrongForm ? iProblem.message : kSplitReason;
  if (iProblem.severity == Severity::Note)
    Note(iProblem.line, iProblem.message);
  else
    Fault(iProblem.line, iProblem.message, false);
  return forward_ ? forward_->OnProblem(iProblem) : true;
}

void WholenessChecker::OnForm(Form iForm, std::uint64_t iDecidedAtLine) {
  if (forward_) forward_->OnForm(iForm, iDecidedAtLine);
}

void WholenessChecker::OnRaw(const RawLine& iRaw) {
  if (forward_) forward_->OnRaw(iRaw);
}

void WholenessChecker::CheckClosing(const char* iWhat, std::uint64_t iLine,
                                    const RowHeader& iHeader,
                                    const std::optional<RowClosing>& iClosing) {
  if (iHeader.stoppedAfterFirstPiece) {
    Note(iLine, std::string("the ") + iWhat +
                    "'s dump stopped after the first piece of its header (the row lacks an "
                    "interface): no uuid, no closing line");
    return;
  }
  if (!iClosing) {
    Fault(iLine, std::string("the ") + iWhat + " that opens here is not closed");
    return;
  }
  if (iClosing->ordinal != iHeader.ordinal)
    Fault(iClosing->line, "the closing line repeats the ordinal " + OrdinalText(iClosing->ordinal) +
                              ", the header at line " + std::to_string(iLine) + " has " +
                              OrdinalText(iHeader.ordinal));
  if (iClosing->uuid != iHeader.uuid)
    Fault(iClosing->line, "the closing line repeats the uuid " + UuidText(iClosing->uuid) +
                              ", the header at line " + std::to_string(iLine) + " has " +
                              UuidText(iHeader.uuid));
}

void WholenessChecker::CheckOrdinal(const char* iWhat, std::uint64_t iLine,
                                    const std::optional<std::int32_t>& iOrdinal,
                                    std::optional<std::int32_t> iCount, std::int32_t* ioLast) {
  if (!iOrdinal) {
    Fault(iLine, std::string("the ") + iWhat + " has no ordinal, though it stands in a list");
    return;
  }
  const std::int32_t ordinal = *iOrdinal;
  if (ordinal <= *ioLast) {
    Fault(iLine, std::string("the ") + iWhat + "'s ordinal " + std::to_string(ordinal) +
                     " does not follow the ordinal " + std::to_string(*ioLast) + " before it");
    return;
  }
  if (iCount && ordinal > *iCount) {
    Fault(iLine, std::string("the ") + iWhat + "'s ordinal " + std::to_string(ordinal) +
                     " is beyond the announced count " + std::to_string(*iCount));
  } else if (ordinal > *ioLast + 1) {
    Note(iLine, std::string(iWhat) + "s " + std::to_string(*ioLast + 1) + " to " +
                    std::to_string(ordinal - 1) +
                    " are not in the dump (objects without a dump keep their position)");
  }
  *ioLast = ordinal;
}

void WholenessChecker::CheckTail(const char* iWhat, std::uint64_t iLine,
                                 std::optional<std::int32_t> iCount, std::int32_t iLast) {
  if (iCount && iLast < *iCount)
    Note(iLine, std::string(iWhat) + "s " + std::to_string(iLast + 1) + " to " +
                    std::to_string(*iCount) + " of the announced " + std::to_string(*iCount) +
                    " are not in the dump (objects without a dump keep their position)");
}

void WholenessChecker::CheckComponent(const Component& iComponent) {
  const std::uint64_t line = iComponent.span.firstLine;
  if (const auto* orv = std::get_if<OrvFields>(&iComponent.fields); orv && orv->identityFailed) {
    Note(line, "the Orv component's dump stopped after its opening tag (an identity query failed)");
  } else if (!iComponent.closed) {
    Fault(line, std::string("the ") + std::string(NodeKindName(iComponent.kind)) +
                    " that opens here is not closed");
  }
  if (iComponent.reading.ambiguous)
    Note(line,
         "two texts share a line here and a separator inside them fits more than one cut; "
         "the values were split at the first");
}

void WholenessChecker::CheckPlace(const ComponentPlace& iPlace) {
  if (iPlace.component) CheckComponent(*iPlace.component);
}

void WholenessChecker::CheckRmtRow(const RmtRow& iRow) {
  const std::uint64_t line = iRow.span.firstLine;
  CheckClosing("RMT row", line, iRow.header, iRow.closing);
  for (const ComponentPlace* place : {&iRow.owner, &iRow.ref, &iRow.pointed, &iRow.nonM1Component})
    CheckPlace(*place);
  for (const Component& component : iRow.m1Components) CheckComponent(component);
  const std::int32_t present = static_cast<std::int32_t>(iRow.m1Components.size());
  const std::int32_t announced = iRow.announcedM1ComponentCount.value_or(0);
  if (present > announced)
    Fault(line, "the RMT row holds " + std::to_string(present) + " M1 components, " +
                    std::to_string(announced) + " announced");
  else if (present < announced)
    Note(line, "the RMT row holds " + std::to_string(present) + " of its " +
                   std::to_string(announced) +
                   " announced M1 components (components without a dump are left out)");
}

void WholenessChecker::OnManagerHeader(const ManagerHeader& iHeader) {
  insideManager_ = true;
  announcedRows_ = iHeader.announcedRowCount;
  lastRowOrdinal_ = 0;
  if (forward_) forward_->OnManagerHeader(iHeader);
}

void WholenessChecker::OnDmtRow(const DmtRow& iRow) {
  if (forward_) forward_->OnDmtRow(iRow);
  ++dmtRows_;
  const std::uint64_t line = iRow.span.firstLine;
  if (insideManager_)
    CheckOrdinal("DMT row", line, iRow.header.ordinal, announcedRows_, &lastRowOrdinal_);
  CheckClosing("DMT row", line, iRow.header, iRow.closing);
  if (iRow.header.headerOnly || iRow.header.stoppedAfterFirstPiece) return;
  CheckPlace(iRow.nonM1Component);
  CheckPlace(iRow.m1Component);
  std::int32_t last = 0;
  for (const RmtRow& row : iRow.rmtRows) {
    CheckOrdinal("RMT row", row.span.firstLine, row.header.ordinal, iRow.announcedRmtRowCount,
                 &last);
    CheckRmtRow(row);
  }
  CheckTail("RMT row", iRow.closing ? iRow.closing->line : iRow.span.lastLine,
            iRow.announcedRmtRowCount, last);
}

void WholenessChecker::OnManagerTrailer(const ManagerTrailer& iTrailer) {
  if (forward_) forward_->OnManagerTrailer(iTrailer);
  insideManager_ = false;
  const std::uint64_t line =
      iTrailer.span.firstLine ? iTrailer.span.firstLine : iTrailer.span.lastLine;
  CheckTail("DMT row", line, announcedRows_, lastRowOrdinal_);
  if (!iTrailer.listClosingLine)
    Fault(line, "the list of DMT rows is not closed (\"</DUMP of DMTElements>\")");
  if (!iTrailer.managerClosingLine)
    Fault(line, "the manager is not closed (\"</DUMP Mapping Manager>\")");
}

void WholenessChecker::OnEnvironment(const Environment& iEnvironment) {
  if (forward_) forward_->OnEnvironment(iEnvironment);
  if (!iEnvironment.closed)
    Fault(iEnvironment.span.firstLine, "the environment that opens here is not closed");
}

void WholenessChecker::OnRmtRow(const RmtRow& iRow) {
  if (forward_) forward_->OnRmtRow(iRow);
  CheckRmtRow(iRow);
}

void WholenessChecker::OnComponent(const Component& iComponent) {
  if (forward_) forward_->OnComponent(iComponent);
  CheckComponent(iComponent);
}

Verdict WholenessChecker::Finish(const ReadOutcome& iOutcome) {
  Verdict verdict;
  verdict.faults = faults_;
  verdict.notes = notes_;
  verdict.dmtRows = dmtRows_;
  verdict.lines = iOutcome.lines;
  verdict.rawLines = iOutcome.rawLines;
  verdict.firstRawLine = iOutcome.firstRawLine;
  verdict.firstFault = firstFault_;
  verdict.cannotTell =
      iOutcome.readFailure.empty() ? cannotTell_ : "read error: " + iOutcome.readFailure;
  verdict.kind = !verdict.cannotTell.empty() ? Verdict::Kind::CannotTell
                 : faults_                   ? Verdict::Kind::NotWhole
                                             : Verdict::Kind::Whole;
  return verdict;
}

}  // namespace zyn::reader
