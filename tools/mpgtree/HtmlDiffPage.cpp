// The page of a comparison: the two dumps compared once, the comparison handing over the rows
// that differ as it reads them. Where the dumps are small the page shows every row, and A is
// read again for the rows that are the same; otherwise the page holds only the rows that
// differ, added as the comparison reports them, and counts the others. Rows are known by their
// position in their dump, as the comparison gives it, never by their lines.
#include <unistd.h>

#include <algorithm>
#include <unordered_map>

#include "HtmlPages.h"
#include "Io.h"

namespace mpgtree {

namespace rd = zyn::reader;

namespace {

/// A DMT row that differs, kept until the page takes it.
struct DifferingRow {
  rd::NodeDifference difference;
  std::optional<rd::DmtRow> a, b;  // the rows as read, on the sides that hold the row
  std::optional<rd::NotComparedNote> notCompared;
  char Status() const { return !difference.b ? 'a' : !difference.a ? 'b' : 'c'; }
};

/// What the page shows of a changed row: its changes, its RMT rows only in B, its fields not
/// compared (iNote, when given).
NodeMarks MarksOf(const DifferingRow& iRow, const rd::NotComparedNote* iNote) {
  NodeMarks marks;
  marks.difference = &iRow.difference;
  marks.notCompared = iNote;
  for (const rd::NodeDifference& rmt : iRow.difference.rmtRows)
    if (iRow.b && !rmt.a && rmt.b->position >= 1 && rmt.b->position <= iRow.b->rmtRows.size())
      marks.rmtRowsOnlyInB.emplace_back(rmt.path.substr(iRow.difference.path.size() + 1),
                                        &iRow.b->rmtRows[rmt.b->position - 1]);
  return marks;
}

/// Takes the comparison as it is made: its counts, the manager's marks, and the rows that
/// differ, which it adds to the page at once (a page of the rows that differ) or keeps until
/// A is read again (a page of every row).
class DiffPageReport : public rd::DiffReport {
 public:
  DiffPageReport(const PageRequest& iRequest, PageData& ioData)
      : request_(iRequest), data_(ioData) {}

  void Begin(const rd::DiffSide& iA, const rd::DiffSide& iB) override {
    a = iA, b = iB;
    everyRow = std::max(iA.dmtRows, iB.dmtRows) <= kPageSameRowsLimit;
  }
  bool WantsRows() const override { return true; }
  bool NamesNotCompared() const override { return everyRow; }
  void OnManagers(const rd::ManagerHeader* iA, const rd::ManagerTrailer* iTrailerA,
                  const rd::ManagerHeader*, const rd::ManagerTrailer*) override {
    if (iA) manager = *iA;
    if (iTrailerA) trailer = *iTrailerA;
  }
  void OnDmtRows(const rd::DmtRow* iA, const rd::DmtRow* iB) override { rowA_ = iA, rowB_ = iB; }
  bool OnDifference(const rd::NodeDifference& iDifference) override;
  void OnNotCompared(const rd::NotComparedNote& iNote) override;
  void OnFallback(const rd::FallbackNote&) override { Flush(); }
  void End(const rd::DiffSummary& iSummary) override {
    Flush();
    summary = iSummary;
  }

  /// Adds the DMT row of A at iPosition (from 1), read again, with its status and marks.
  void AddRowOfA(const rd::DmtRow& iRow, std::uint64_t iPosition);

  bool everyRow = true;  // the page shows the rows that are the same too
  bool tooMany = false;  // more rows than the request allows
  rd::DiffSide a, b;
  std::optional<rd::ManagerHeader> manager;  // A's
  std::optional<rd::ManagerTrailer> trailer;
  std::optional<rd::NodeDifference> managerDifference;
  std::optional<rd::NotComparedNote> managerNotCompared;
  std::vector<DifferingRow> rowsOnlyInB;  // a page of every row: added after A's
  rd::DiffSummary summary;
  std::uint64_t fieldsChanged = 0;  // of every node that differs

 private:
  void CountFieldsChanged(const rd::NodeDifference& iNode) {
    fieldsChanged += iNode.changes.size();
    for (const rd::NodeDifference& rmt : iNode.rmtRows) CountFieldsChanged(rmt);
  }
  /// Adds the row that differs taken last to the page, when it passes the filter and there is
  /// room (a page of the rows that differ).
  void Flush();

  const PageRequest& request_;
  PageData& data_;
  const rd::DmtRow* rowA_ = nullptr;  // the rows of the next difference, as read
  const rd::DmtRow* rowB_ = nullptr;
  std::optional<DifferingRow> last_;  // waits for its fields not compared
  std::unordered_map<std::uint64_t, DifferingRow> byPositionA_;  // a page of every row
  std::unordered_map<std::uint64_t, rd::NotComparedNote> notComparedByA_;
};

bool DiffPageReport::OnDifference(const rd::NodeDifference& iDifference) {
  Flush();
  CountFieldsChanged(iDifference);
  if (iDifference.path == "manager") {
    if (iDifference.status == rd::NodeDifference::Status::Changed) managerDifference = iDifference;
    return true;
  }
  if (iDifference.path.compare(0, 4, "dmt[") != 0) return true;
  DifferingRow row{iDifference, std::nullopt, std::nullopt, std::nullopt};
  if (rowA_ && !everyRow) row.a = *rowA_;
  if (rowB_) row.b = *rowB_;
  rowA_ = rowB_ = nullptr;
  if (!everyRow)
    last_ = std::move(row);
  else if (iDifference.a)
    byPositionA_.emplace(iDifference.a->position, std::move(row));
  else if (request_.filter.Passes(*row.b))
    rowsOnlyInB.push_back(std::move(row));
  return !tooMany;
}

void DiffPageReport::OnNotCompared(const rd::NotComparedNote& iNote) {
  if (iNote.path == "manager") managerNotCompared = iNote;
  if (last_ && last_->difference.path == iNote.path) last_->notCompared = iNote;
  Flush();
  if (everyRow && iNote.a && iNote.path.compare(0, 4, "dmt[") == 0)
    notComparedByA_.emplace(iNote.a->position, iNote);
}

void DiffPageReport::Flush() {
  if (!last_) return;
  const DifferingRow row = std::move(*last_);
  last_.reset();
  const rd::DmtRow& shown = row.a ? *row.a : *row.b;
  if (tooMany || !request_.filter.Passes(shown)) return;
  if (data_.Rows() >= request_.maxRows) {
    tooMany = true;
    return;
  }
  const NodeMarks marks = MarksOf(row, row.notCompared ? &*row.notCompared : nullptr);
  data_.AddDmtRow(shown, row.Status(), row.Status() == 'c' ? &marks : nullptr);
}

void DiffPageReport::AddRowOfA(const rd::DmtRow& iRow, std::uint64_t iPosition) {
  const auto found = byPositionA_.find(iPosition);
  const auto notCompared = notComparedByA_.find(iPosition);
  const rd::NotComparedNote* note =
      notCompared != notComparedByA_.end() ? &notCompared->second : nullptr;
  if (found == byPositionA_.end()) {
    NodeMarks marks;
    marks.notCompared = note;
    return data_.AddDmtRow(iRow, note ? 'n' : 's', note ? &marks : nullptr);
  }
  const NodeMarks marks = MarksOf(found->second, note);
  data_.AddDmtRow(iRow, found->second.Status(), found->second.difference.b ? &marks : nullptr);
}

/// A page of every row: reads A again for its rows, the same ones with the others, then adds
/// the rows only in B. False, reported, when A cannot be read or the rows are too many.
bool AddEveryRow(DumpInput& ioA, const DumpInput& iB, const PageRequest& iRequest,
                 DiffPageReport& ioReport, PageData& ioData) {
  std::uint64_t position = 0;
  PageReading reading(ioA.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    ++position;
    if (ioReport.tooMany || !iRequest.filter.Passes(iRow)) return;
    if (ioData.Rows() >= iRequest.maxRows) ioReport.tooMany = true;
    if (!ioReport.tooMany) ioReport.AddRowOfA(iRow, position);
  });
  if (!ioA.Rewind() || !reading.Read(ioA)) return false;
  for (const DifferingRow& row : ioReport.rowsOnlyInB) {
    if (ioData.Rows() >= iRequest.maxRows) ioReport.tooMany = true;
    if (!ioReport.tooMany) ioData.AddDmtRow(*row.b, 'b', nullptr);
  }
  if (ioReport.tooMany) ComplainTooManyRows(ioA.Name() + " and " + iB.Name(), iRequest);
  return !ioReport.tooMany;
}

/// The text of line iLine (from 1) of the dump, without its end; read again from the start.
std::string LineOf(const DumpInput& iDump, std::uint64_t iLine) {
  std::string text;
  char buffer[65536];
  std::uint64_t line = 1;
  off_t offset = 0;
  for (ssize_t got;
       line <= iLine && (got = pread(iDump.Descriptor(), buffer, sizeof buffer, offset)) > 0;
       offset += got)
    for (ssize_t i = 0; i < got && line <= iLine; ++i) {
      if (buffer[i] == '\n')
        ++line;
      else if (line == iLine)
        text.push_back(buffer[i]);
    }
  return text;
}

/// "1 field" or "2 fields".
std::string Count(std::uint64_t iCount, const char* iOne, const char* iMany) {
  return std::to_string(iCount) + " " + (iCount == 1 ? iOne : iMany);
}

/// The comparison's verdict in words. Where the dumps differ, the page shows the counts beside
/// it: the verdict names what they leave out.
std::string VerdictOf(const rd::DiffSummary& iSummary) {
  if (iSummary.Different()) {
    std::string verdict =
        "Different: " + Count(iSummary.sameRows, "DMT row", "DMT rows") + " the same";
    if (iSummary.otherDifferences)
      verdict +=
          ", " + Count(iSummary.otherDifferences, "other node differs", "other nodes differ");
    return verdict + ";";
  }
  std::string verdict = "The two dumps are the same";
  if (iSummary.notCompared)
    verdict += "; " + Count(iSummary.notCompared, "field", "fields") +
               " not compared (each held by one dump only, whose other form leaves it out)";
  if (iSummary.ignored) verdict += "; " + Count(*iSummary.ignored, "field", "fields") + " ignored";
  return verdict + ".";
}

/// Gives the page what the comparison found beside the rows: the manager, the dumps, their
/// damage, the verdict and the counts.
void DescribeComparison(const DumpInput& iA, const DumpInput& iB,
                        const std::vector<rd::Verdict>& iVerdicts, const DiffPageReport& iReport,
                        PageData& ioData) {
  if (iReport.manager) {
    NodeMarks marks;
    marks.difference = iReport.managerDifference ? &*iReport.managerDifference : nullptr;
    marks.notCompared = iReport.managerNotCompared ? &*iReport.managerNotCompared : nullptr;
    const bool marked = marks.difference || marks.notCompared;
    ioData.SetManager(*iReport.manager, iReport.trailer ? &*iReport.trailer : nullptr,
                      marked ? &marks : nullptr);
  }
  ioData.AddSource(iA.Name(), iReport.a.form, iReport.a.dmtRows);
  ioData.AddSource(iB.Name(), iReport.b.form, iReport.b.dmtRows);
  for (const auto& [input, verdict] :
       {std::pair(&iA, &iVerdicts[0]), std::pair(&iB, &iVerdicts[1])})
    if (verdict->kind == rd::Verdict::Kind::NotWhole)
      ioData.AddDamage(input->Name(), *verdict,
                       verdict->firstRawLine ? LineOf(*input, verdict->firstRawLine) : "");
  const rd::DiffSummary& summary = iReport.summary;
  ioData.SetVerdict(VerdictOf(summary), !summary.Different());
  ioData.SetCounts({{"changedRows", summary.changedRows},
                    {"onlyInA", summary.onlyInA},
                    {"onlyInB", summary.onlyInB},
                    {"fieldsChanged", iReport.fieldsChanged},
                    {"notCompared", summary.notCompared},
                    {"ignored", summary.ignored.value_or(0)}});
  if (!iReport.everyRow) ioData.SetSameRowsLeftOut(summary.sameRows);
}

}  // namespace

std::optional<PageData> BuildDiffPage(DumpInput& ioA, DumpInput& ioB, const PageRequest& iRequest,
                                      std::vector<rd::Verdict>* oVerdicts) {
  if (!ioA.MakeReadableAgain() || !ioB.MakeReadableAgain()) return std::nullopt;
  PageData data(PageData::Mode::Diff);
  data.SetFilter(iRequest.filter.Describe());
  DiffPageReport report(iRequest, data);
  rd::FilteringReport filtered(iRequest.diffFilter, report);
  const rd::DiffOutcome outcome = rd::DiffDumps(
      {ioA.Descriptor(), ioA.Name()}, {ioB.Descriptor(), ioB.Name()}, iRequest.read, filtered);
  if (report.tooMany) {
    ComplainTooManyRows(ioA.Name() + " and " + ioB.Name(), iRequest);
    return std::nullopt;
  }
  if (!outcome.trouble.empty()) {
    Complain(outcome.trouble);
    return std::nullopt;
  }
  *oVerdicts = {outcome.a, outcome.b};
  if (report.everyRow && !AddEveryRow(ioA, ioB, iRequest, report, data)) return std::nullopt;
  DescribeComparison(ioA, ioB, *oVerdicts, report, data);
  if (!data.Rows() && (report.everyRow || iRequest.filter.Narrows()))
    data.SetWhyEmpty(iRequest.filter.WhyNoRow(true, !report.everyRow));
  return data;
}

}  // namespace mpgtree
