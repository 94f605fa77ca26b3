// The page of a comparison: the two dumps compared, then B read for its rows only in B and the
// RMT rows only in B of changed rows, then A read for every other row with its marks.
#include <functional>
#include <unordered_map>

#include "HtmlPages.h"
#include "Io.h"

namespace mpgtree {

namespace {

/// Keeps the differences of the comparison, as many as a page can show.
class DifferenceCollector : public rd::DiffReport {
 public:
  explicit DifferenceCollector(const PageRequest& iRequest) : request_(iRequest) {}
  void Begin(const rd::DiffSide& iA, const rd::DiffSide& iB) override { a = iA, b = iB; }
  bool OnDifference(const rd::NodeDifference& iDifference) override {
    using Status = rd::NodeDifference::Status;
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

  rd::DiffSide a, b;
  std::optional<rd::NodeDifference> manager;
  std::vector<rd::NodeDifference> rows;
  std::uint64_t onlyInB = 0;
  bool tooMany = false;

 private:
  const PageRequest& request_;
};

/// What B contributes: its rows only in B, and the RMT rows only in B of changed rows.
struct FromB {
  std::vector<rd::DmtRow> rowsOnlyInB;
  std::unordered_map<std::size_t, std::vector<std::pair<std::string, rd::RmtRow>>> rmtRowsOnlyInB;
};

bool ReadB(OpenDump& ioB, const PageRequest& iRequest, const DifferenceCollector& iDiff,
           FromB* oFromB) {
  std::unordered_map<std::uint64_t, std::size_t> byLineB;  // first line in B -> difference
  for (std::size_t i = 0; i < iDiff.rows.size(); ++i)
    if (iDiff.rows[i].b) byLineB.emplace(iDiff.rows[i].b->line, i);
  PageReading reading(ioB.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    const auto found = byLineB.find(iRow.span.firstLine);
    if (found == byLineB.end()) return;
    const rd::NodeDifference& difference = iDiff.rows[found->second];
    if (!difference.a) {
      if (iRequest.filter.Passes(iRow)) oFromB->rowsOnlyInB.push_back(iRow);
      return;
    }
    for (const rd::NodeDifference& rmt : difference.rmtRows) {
      if (rmt.a) continue;
      for (const rd::RmtRow& row : iRow.rmtRows)
        if (row.span.firstLine == rmt.b->line)
          oFromB->rmtRowsOnlyInB[found->second].emplace_back(
              rmt.path.substr(difference.path.size() + 1), row);
    }
  });
  return ioB.Rewind() && reading.Read(ioB);
}

}  // namespace

std::optional<PageData> BuildDiffPage(OpenDump& ioA, OpenDump& ioB, const PageRequest& iRequest,
                                      std::vector<rd::Verdict>* oVerdicts) {
  if (!ioA.MakeReadableAgain() || !ioB.MakeReadableAgain()) return std::nullopt;
  DifferenceCollector diff(iRequest);
  const rd::DiffOutcome outcome = rd::DiffDumps(
      {ioA.Descriptor(), ioA.Name()}, {ioB.Descriptor(), ioB.Name()}, iRequest.read, diff);
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
  std::unordered_map<std::uint64_t, std::size_t> byLineA;  // first line in A -> difference
  for (std::size_t i = 0; i < diff.rows.size(); ++i)
    if (diff.rows[i].a) byLineA.emplace(diff.rows[i].a->line, i);
  bool tooMany = false;
  PageReading reading(ioA.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    if (tooMany || !iRequest.filter.Passes(iRow)) return;
    if (data.Rows() >= iRequest.maxRows) {
      tooMany = true;
      return;
    }
    const auto found = byLineA.find(iRow.span.firstLine);
    if (found == byLineA.end()) return data.AddDmtRow(iRow, 's', nullptr);
    const rd::NodeDifference& difference = diff.rows[found->second];
    if (!difference.b) return data.AddDmtRow(iRow, 'a', nullptr);
    NodeMarks marks{&difference, {}};
    for (const auto& [key, row] : fromB.rmtRowsOnlyInB[found->second])
      marks.rmtRowsOnlyInB.emplace_back(key, &row);
    data.AddDmtRow(iRow, 'c', &marks);
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
    const NodeMarks marks{diff.manager ? &*diff.manager : nullptr, {}};
    data.SetManager(*reading.header, reading.trailer ? &*reading.trailer : nullptr,
                    diff.manager ? &marks : nullptr);
  }
  data.AddSource(ioA.Name(), diff.a.form, diff.a.dmtRows);
  data.AddSource(ioB.Name(), diff.b.form, diff.b.dmtRows);
  return data;
}

}  // namespace mpgtree
