// The page of a comparison: the two dumps compared, then B read for its rows only in B and the
// RMT rows only in B of changed rows, then A read for every other row with its marks. Rows are
// known by their position in their dump, as the comparison gives it, never by their lines.
#include <functional>
#include <unordered_map>

#include "HtmlPages.h"
#include "Io.h"

namespace mpgtree {

namespace rd = zyn::reader;

namespace {

/// Keeps the differences of the comparison, as many as a page can show, and the fields not
/// compared of each DMT row.
class DifferenceCollector : public rd::DiffReport {
 public:
  explicit DifferenceCollector(const PageRequest& iRequest) : request_(iRequest) {}
  void Begin(const rd::DiffSide& iA, const rd::DiffSide& iB) override { a = iA, b = iB; }
  bool OnDifference(const rd::NodeDifference& iDifference) override {
    using Status = rd::NodeDifference::Status;
    CountFieldsChanged(iDifference);
    if (iDifference.path == "manager") {
      if (iDifference.status == Status::Changed) manager = iDifference;
      return true;
    }
    if (iDifference.status == Status::OnlyInB) ++onlyInB;
    // Unfiltered, the page holds every row of A and those only in B; filtered, it holds those
    // that pass, which the collected differences bound.
    const std::uint64_t bound = request_.filter.Narrows() ? 2 * request_.maxRows : request_.maxRows;
    if ((request_.filter.Narrows() ? rows.size() : a.dmtRows + onlyInB) > bound) {
      tooMany = true;
      return false;
    }
    rows.push_back(iDifference);
    return true;
  }
  bool NamesNotCompared() const override { return true; }
  void OnNotCompared(const rd::NotComparedNote& iNote) override {
    if (iNote.path == "manager") managerNotCompared = iNote;
    if (iNote.a && iNote.path.compare(0, 4, "dmt[") == 0)
      notComparedByA.emplace(iNote.a->position, iNote);
  }
  void End(const rd::DiffSummary& iSummary) override { summary = iSummary; }

  void CountFieldsChanged(const rd::NodeDifference& iNode) {
    fieldsChanged += iNode.changes.size();
    for (const rd::NodeDifference& rmt : iNode.rmtRows) CountFieldsChanged(rmt);
  }

  /// Where each row that differs stands among the DMT rows of one dump (from 1).
  std::unordered_map<std::uint64_t, std::size_t> ByPosition(bool iInA) const {
    std::unordered_map<std::uint64_t, std::size_t> index;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::optional<rd::NodePlace>& place = iInA ? rows[i].a : rows[i].b;
      if (place && rows[i].path.compare(0, 4, "dmt[") == 0) index.emplace(place->position, i);
    }
    return index;
  }

  rd::DiffSide a, b;
  std::optional<rd::NodeDifference> manager;
  std::optional<rd::NotComparedNote> managerNotCompared;
  std::vector<rd::NodeDifference> rows;
  std::unordered_map<std::uint64_t, rd::NotComparedNote> notComparedByA;
  rd::DiffSummary summary;
  std::uint64_t onlyInB = 0;
  std::uint64_t fieldsChanged = 0;  // of every node that differs
  bool tooMany = false;

 private:
  const PageRequest& request_;
};

/// What B contributes: its rows only in B, and the RMT rows only in B of changed rows.
struct FromB {
  std::vector<rd::DmtRow> rowsOnlyInB;
  std::unordered_map<std::size_t, std::vector<std::pair<std::string, rd::RmtRow>>> rmtRowsOnlyInB;
  rd::Verdict verdict;  // B's, and the first of its lines kept raw (--lenient)
  std::optional<rd::RawLine> firstRaw;
};

bool ReadB(DumpInput& ioB, const PageRequest& iRequest, const DifferenceCollector& iDiff,
           FromB* oFromB) {
  const std::unordered_map<std::uint64_t, std::size_t> byPositionB = iDiff.ByPosition(false);
  std::uint64_t position = 0;
  PageReading reading(ioB.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    const auto found = byPositionB.find(++position);
    if (found == byPositionB.end()) return;
    const rd::NodeDifference& difference = iDiff.rows[found->second];
    if (!difference.a) {
      if (iRequest.filter.Passes(iRow)) oFromB->rowsOnlyInB.push_back(iRow);
      return;
    }
    for (const rd::NodeDifference& rmt : difference.rmtRows)
      if (!rmt.a && rmt.b->position >= 1 && rmt.b->position <= iRow.rmtRows.size())
        oFromB->rmtRowsOnlyInB[found->second].emplace_back(
            rmt.path.substr(difference.path.size() + 1), iRow.rmtRows[rmt.b->position - 1]);
  });
  if (!ioB.Rewind() || !reading.Read(ioB)) return false;
  oFromB->verdict = reading.verdict();
  oFromB->firstRaw = reading.firstRaw;
  return true;
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

/// Adds the DMT row of A at iPosition (from 1) to the page, with its status and marks.
void AddRowOfA(const rd::DmtRow& iRow, std::uint64_t iPosition, const DifferenceCollector& iDiff,
               const std::unordered_map<std::uint64_t, std::size_t>& iByPositionA, FromB& ioFromB,
               PageData& ioData) {
  const auto found = iByPositionA.find(iPosition);
  const auto notCompared = iDiff.notComparedByA.find(iPosition);
  NodeMarks marks;
  if (notCompared != iDiff.notComparedByA.end()) marks.notCompared = &notCompared->second;
  if (found == iByPositionA.end()) {
    if (marks.notCompared) return ioData.AddDmtRow(iRow, 'n', &marks);
    return ioData.AddDmtRow(iRow, 's', nullptr);
  }
  const rd::NodeDifference& difference = iDiff.rows[found->second];
  if (!difference.b) return ioData.AddDmtRow(iRow, 'a', nullptr);
  marks.difference = &difference;
  for (const auto& [key, row] : ioFromB.rmtRowsOnlyInB[found->second])
    marks.rmtRowsOnlyInB.emplace_back(key, &row);
  ioData.AddDmtRow(iRow, 'c', &marks);
}

}  // namespace

std::optional<PageData> BuildDiffPage(DumpInput& ioA, DumpInput& ioB, const PageRequest& iRequest,
                                      std::vector<rd::Verdict>* oVerdicts) {
  if (!ioA.MakeReadableAgain() || !ioB.MakeReadableAgain()) return std::nullopt;
  DifferenceCollector diff(iRequest);
  rd::FilteringReport filtered(iRequest.diffFilter, diff);
  const rd::DiffOutcome outcome = rd::DiffDumps(
      {ioA.Descriptor(), ioA.Name()}, {ioB.Descriptor(), ioB.Name()}, iRequest.read, filtered);
  if (!outcome.trouble.empty()) {
    Complain(outcome.trouble);
    return std::nullopt;
  }
  *oVerdicts = {outcome.a, outcome.b};
  FromB fromB;
  if (diff.tooMany || !ReadB(ioB, iRequest, diff, &fromB)) {
    if (diff.tooMany) ComplainTooManyRows(ioA.Name() + " and " + ioB.Name(), iRequest);
    return std::nullopt;
  }
  PageData data(PageData::Mode::Diff);
  data.SetFilter(iRequest.filter.Describe());
  const std::unordered_map<std::uint64_t, std::size_t> byPositionA = diff.ByPosition(true);
  std::uint64_t position = 0;
  bool tooMany = false;
  PageReading reading(ioA.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    ++position;
    if (tooMany || !iRequest.filter.Passes(iRow)) return;
    if (data.Rows() >= iRequest.maxRows) {
      tooMany = true;
      return;
    }
    AddRowOfA(iRow, position, diff, byPositionA, fromB, data);
  });
  if (!ioA.Rewind() || !reading.Read(ioA)) return std::nullopt;
  for (const rd::DmtRow& row : fromB.rowsOnlyInB) {
    if (data.Rows() >= iRequest.maxRows) tooMany = true;
    if (!tooMany) data.AddDmtRow(row, 'b', nullptr);
  }
  if (tooMany) {
    ComplainTooManyRows(ioA.Name() + " and " + ioB.Name(), iRequest);
    return std::nullopt;
  }
  if (reading.header) {
    NodeMarks marks;
    marks.difference = diff.manager ? &*diff.manager : nullptr;
    marks.notCompared = diff.managerNotCompared ? &*diff.managerNotCompared : nullptr;
    const bool marked = marks.difference || marks.notCompared;
    data.SetManager(*reading.header, reading.trailer ? &*reading.trailer : nullptr,
                    marked ? &marks : nullptr);
  }
  data.AddSource(ioA.Name(), diff.a.form, diff.a.dmtRows);
  data.AddSource(ioB.Name(), diff.b.form, diff.b.dmtRows);
  reading.NoteDamage(data);
  if (fromB.verdict.kind == rd::Verdict::Kind::NotWhole)
    data.AddDamage(ioB.Name(), fromB.verdict,
                   fromB.firstRaw ? std::string_view(fromB.firstRaw->text) : "");
  data.SetVerdict(VerdictOf(diff.summary), !diff.summary.Different());
  data.SetCounts({{"changedRows", diff.summary.changedRows},
                  {"onlyInA", diff.summary.onlyInA},
                  {"onlyInB", diff.summary.onlyInB},
                  {"fieldsChanged", diff.fieldsChanged},
                  {"notCompared", diff.summary.notCompared},
                  {"ignored", diff.summary.ignored.value_or(0)}});
  if (!data.Rows()) data.SetWhyEmpty(iRequest.filter.WhyNoRow(true));
  return data;
}

}  // namespace mpgtree
