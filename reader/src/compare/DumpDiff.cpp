// The comparison of two dumps: both read once into compact entries, their rows matched, the
// rows whose digests differ read again and compared field by field, the report made in order.
#include "zyn/reader/DumpDiff.h"

#include <algorithm>
#include <functional>

#include "compare/DiffSides.h"
#include "compare/FieldDiff.h"
#include "compare/RowMatching.h"

namespace zyn::reader {

namespace {

/// Makes the report once both dumps are read.
class Comparison {
 public:
  Comparison(DiffSideRecord& ioA, DiffSideRecord& ioB, const LocatingSource& iSourceA,
             const LocatingSource& iSourceB, const ReadOptions& iOptions, DiffReport& ioReport)
      : a_(ioA),
        b_(ioB),
        sourceA_(iSourceA),
        sourceB_(iSourceB),
        options_(iOptions),
        report_(ioReport) {}

  /// Reports everything; false when the report stopped or a row could not be read again.
  bool Run(DiffOutcome& ioOutcome);

 private:
  /// Reports a node that differs; for a DMT row, iRowA and iRowB are its rows as read (null
  /// when a side lacks it or the report does not want them).
  bool Emit(NodeDifference&& ioDifference, bool iRow, const DmtRow* iRowA = nullptr,
            const DmtRow* iRowB = nullptr);
  /// Emits ioDifference unless it is empty, and its fields not compared (a node other than a
  /// DMT row).
  bool EmitNode(NodeDifference&& ioDifference);
  void NoteNotCompared(NotComparedNote&& ioNote);
  bool CompareManagers();
  bool CompareRows();
  bool CompareMatchedRows(std::size_t iRowA, std::size_t iRowB, Fallback iFallback);
  /// Reports row iRow of iSide as present in that dump only.
  bool EmitOneSided(NodeDifference::Status iStatus, const DiffSideRecord& iSide, std::size_t iRow,
                    Fallback iFallback);
  bool CompareLoneNodes();
  void NoteFallback(std::string iPath, Fallback iReason) {
    if (iReason != Fallback::None) fallbacks_.push_back({std::move(iPath), iReason});
  }

  DiffSideRecord& a_;
  DiffSideRecord& b_;
  const LocatingSource& sourceA_;
  const LocatingSource& sourceB_;
  const ReadOptions& options_;
  DiffReport& report_;
  DiffSummary summary_;
  std::vector<FallbackNote> fallbacks_;
  std::size_t nextRmtFallback_ = 0;  // the first of A's RMT fallbacks not yet passed
  std::string trouble_;
  bool stopped_ = false;
};

NodeDifference OneSided(NodeDifference::Status iStatus, std::string iPath, NodePlace iPlace) {
  NodeDifference difference;
  difference.status = iStatus;
  difference.path = std::move(iPath);
  (iStatus == NodeDifference::Status::OnlyInA ? difference.a : difference.b) = std::move(iPlace);
  return difference;
}

/// The note of the fields that ioDifference could not compare, taken from it.
NotComparedNote TakeNotCompared(NodeDifference& ioDifference) {
  NotComparedNote note{ioDifference.path, ioDifference.a, ioDifference.b,
                       ioDifference.notCompared.size(), std::move(ioDifference.notCompared)};
  ioDifference.notCompared.clear();
  return note;
}

bool Comparison::Emit(NodeDifference&& ioDifference, bool iRow, const DmtRow* iRowA,
                      const DmtRow* iRowB) {
  if (iRow) {
    if (report_.WantsRows()) report_.OnDmtRows(iRowA, iRowB);
    switch (ioDifference.status) {
      case NodeDifference::Status::OnlyInA:
        ++summary_.onlyInA;
        break;
      case NodeDifference::Status::OnlyInB:
        ++summary_.onlyInB;
        break;
      case NodeDifference::Status::Changed:
        ++summary_.changedRows;
        break;
    }
  } else {
    ++summary_.otherDifferences;
  }
  if (!report_.OnDifference(ioDifference)) stopped_ = true;
  return !stopped_;
}

bool Comparison::EmitNode(NodeDifference&& ioDifference) {
  NotComparedNote note = TakeNotCompared(ioDifference);
  if (!ioDifference.Empty() && !Emit(std::move(ioDifference), false)) return false;
  NoteNotCompared(std::move(note));
  return true;
}

void Comparison::NoteNotCompared(NotComparedNote&& ioNote) {
  if (!ioNote.count) return;
  summary_.notCompared += ioNote.count;
  report_.OnNotCompared(ioNote);
}

bool Comparison::CompareManagers() {
  const auto place = [](const ManagerHeader& iHeader) {
    return NodePlace{std::nullopt, std::nullopt, iHeader.span.firstLine};
  };
  if (!a_.manager && !b_.manager) return true;
  if (!b_.manager)
    return Emit(OneSided(NodeDifference::Status::OnlyInA, "manager", place(*a_.manager)), false);
  if (!a_.manager)
    return Emit(OneSided(NodeDifference::Status::OnlyInB, "manager", place(*b_.manager)), false);
  NodeDifference difference;
  difference.path = "manager";
  difference.a = place(*a_.manager);
  difference.b = place(*b_.manager);
  const ManagerTrailer* trailerA = a_.trailer ? &*a_.trailer : nullptr;
  const ManagerTrailer* trailerB = b_.trailer ? &*b_.trailer : nullptr;
  difference.changes = CompareFields(
      [&](FieldVisitor& ioVisitor) { VisitManagerFields(*a_.manager, trailerA, ioVisitor); },
      [&](FieldVisitor& ioVisitor) { VisitManagerFields(*b_.manager, trailerB, ioVisitor); },
      "manager", &difference.notCompared);
  return EmitNode(std::move(difference));
}

bool Comparison::CompareMatchedRows(std::size_t iRowA, std::size_t iRowB, Fallback iFallback) {
  const RowEntry& entryA = a_.rows[iRowA];
  const RowEntry& entryB = b_.rows[iRowB];
  const std::string path = "dmt" + RowPathKey(a_.HeaderOf(iRowA), iFallback, iRowA + 1);
  NoteFallback(path, iFallback);
  const RowDigest digestA = a_.DigestOf(iRowA), digestB = b_.DigestOf(iRowB);
  const std::uint64_t notCompared = NotComparedFields(digestA, digestB);
  if (!MayDiffer(digestA, digestB) && !(notCompared && report_.NamesNotCompared())) {
    ++summary_.sameRows;
    const RowHeader headerA = a_.HeaderOf(iRowA), headerB = b_.HeaderOf(iRowB);
    NoteNotCompared({path,
                     NodePlace{headerA.uuid, headerA.ordinal, entryA.line, iRowA + 1},
                     NodePlace{headerB.uuid, headerB.ordinal, entryB.line, iRowB + 1},
                     notCompared,
                     {}});
    // The rows are equal, so their RMT rows fell back alike: A's notes hold for both.
    const std::vector<RmtFallbackRecord>& records = a_.rmtFallbacks;
    while (nextRmtFallback_ < records.size() && records[nextRmtFallback_].row < iRowA)
      ++nextRmtFallback_;
    for (; nextRmtFallback_ < records.size() && records[nextRmtFallback_].row == iRowA;
         ++nextRmtFallback_)
      NoteFallback(path + ".rmt" + records[nextRmtFallback_].key, records[nextRmtFallback_].reason);
    return true;
  }
  DmtRow rowA, rowB;
  ++summary_.rowsReadAgain;
  if (!ReadRowAgain(a_, sourceA_, iRowA, options_, &rowA, &trouble_) ||
      !ReadRowAgain(b_, sourceB_, iRowB, options_, &rowB, &trouble_))
    return false;
  NodeDifference difference = CompareDmtRows(rowA, rowB, path, &fallbacks_);
  difference.fallback = iFallback;
  difference.a->position = iRowA + 1;
  difference.b->position = iRowB + 1;
  NotComparedNote note = TakeNotCompared(difference);
  if (difference.Empty())
    ++summary_.sameRows;
  else if (!Emit(std::move(difference), true, &rowA, &rowB))
    return false;
  NoteNotCompared(std::move(note));
  return true;
}

bool Comparison::CompareRows() {
  const RowMatching matching = MatchRows(DiffSideRecord::Keys{a_}, DiffSideRecord::Keys{b_});
  for (std::size_t i = 0; i < a_.rows.size(); ++i) {
    const Fallback fallback = matching.fallbackOfA[i];
    const bool done = matching.partnerOfA[i] != kUnmatched
                          ? CompareMatchedRows(i, matching.partnerOfA[i], fallback)
                          : EmitOneSided(NodeDifference::Status::OnlyInA, a_, i, fallback);
    if (!done) return false;
  }
  for (std::size_t i = 0; i < b_.rows.size(); ++i)
    if (matching.partnerOfB[i] == kUnmatched &&
        !EmitOneSided(NodeDifference::Status::OnlyInB, b_, i, matching.fallbackOfB[i]))
      return false;
  return true;
}

bool Comparison::EmitOneSided(NodeDifference::Status iStatus, const DiffSideRecord& iSide,
                              std::size_t iRow, Fallback iFallback) {
  const RowHeader header = iSide.HeaderOf(iRow);
  const std::string path = "dmt" + RowPathKey(header, iFallback, iRow + 1);
  NoteFallback(path, iFallback);
  NodeDifference only = OneSided(
      iStatus, path, NodePlace{header.uuid, header.ordinal, iSide.rows[iRow].line, iRow + 1});
  only.fallback = iFallback;
  if (!report_.WantsRows()) return Emit(std::move(only), true);
  DmtRow row;
  const LocatingSource& source = &iSide == &a_ ? sourceA_ : sourceB_;
  if (!ReadRowAgain(iSide, source, iRow, options_, &row, &trouble_)) return false;
  const bool inA = iStatus == NodeDifference::Status::OnlyInA;
  return Emit(std::move(only), true, inA ? &row : nullptr, inA ? nullptr : &row);
}

/// Compares nodes dumped on their own, the i-th of A with the i-th of B; hands iEmit every node
/// present in one dump only, and every pair compared (with or without a difference).
template <class Node, class Walk>
bool CompareInOrder(const std::vector<Node>& iA, const std::vector<Node>& iB,
                    const std::string& iName, Walk iWalk,
                    const std::function<bool(NodeDifference&&)>& iEmit) {
  for (std::size_t i = 0; i < std::max(iA.size(), iB.size()); ++i) {
    const std::string path = iName + "[" + std::to_string(i + 1) + "]";
    if (i >= iB.size() || i >= iA.size()) {
      const bool inA = i < iA.size();
      const Node& node = inA ? iA[i] : iB[i];
      const NodePlace place{std::nullopt, std::nullopt, node.span.firstLine, i + 1};
      if (!iEmit(OneSided(inA ? NodeDifference::Status::OnlyInA : NodeDifference::Status::OnlyInB,
                          path, place)))
        return false;
      continue;
    }
    NodeDifference difference;
    difference.path = path;
    difference.a = NodePlace{std::nullopt, std::nullopt, iA[i].span.firstLine, i + 1};
    difference.b = NodePlace{std::nullopt, std::nullopt, iB[i].span.firstLine, i + 1};
    difference.changes = CompareFields([&](FieldVisitor& ioVisitor) { iWalk(iA[i], ioVisitor); },
                                       [&](FieldVisitor& ioVisitor) { iWalk(iB[i], ioVisitor); },
                                       path, &difference.notCompared);
    if (!iEmit(std::move(difference))) return false;
  }
  return true;
}

bool Comparison::CompareLoneNodes() {
  const auto emit = [this](NodeDifference&& ioDifference) {
    return ioDifference.status == NodeDifference::Status::Changed
               ? EmitNode(std::move(ioDifference))
               : Emit(std::move(ioDifference), false);
  };
  if (!CompareInOrder(a_.environments, b_.environments, "environment", VisitEnvironmentFields,
                      emit) ||
      !CompareInOrder(a_.loneComponents, b_.loneComponents, "component", VisitComponentFields,
                      emit))
    return false;
  // RMT rows dumped on their own are matched like the RMT rows of a DMT row.
  DmtRow holderA, holderB;
  holderA.rmtRows = std::move(a_.loneRmtRows);
  holderB.rmtRows = std::move(b_.loneRmtRows);
  NodeDifference rows = CompareDmtRows(holderA, holderB, "", &fallbacks_);
  for (NodeDifference& rmt : rows.rmtRows) {
    rmt.path.erase(0, 1);  // "rmt[...]", not ".rmt[...]"
    for (FieldChange& change : rmt.changes) change.path.erase(0, 1);
    if (!Emit(std::move(rmt), false)) return false;
  }
  // Their fields not compared, one note per RMT row.
  for (NotComparedField& field : rows.notCompared) field.path.erase(0, 1);
  for (std::size_t first = 0, next = 0; first < rows.notCompared.size(); first = next) {
    const std::string node =
        rows.notCompared[first].path.substr(0, rows.notCompared[first].path.find("].") + 1);
    NotComparedNote note{node, std::nullopt, std::nullopt, 0, {}};
    for (next = first; next < rows.notCompared.size() &&
                       rows.notCompared[next].path.compare(0, node.size(), node) == 0;
         ++next)
      note.fields.push_back(std::move(rows.notCompared[next]));
    note.count = note.fields.size();
    NoteNotCompared(std::move(note));
  }
  return true;
}

bool Comparison::Run(DiffOutcome& ioOutcome) {
  const bool done = CompareManagers() && CompareRows() && CompareLoneNodes();
  ioOutcome.trouble = trouble_;
  ioOutcome.stopped = stopped_;
  if (!done) return false;
  for (FallbackNote& note : fallbacks_) {
    if (note.path.front() == '.') note.path.erase(0, 1);
    report_.OnFallback(note);
  }
  summary_.fallbacks = fallbacks_.size();
  ioOutcome.summary = summary_;
  report_.End(summary_);
  return true;
}

}  // namespace

DiffOutcome DiffDumps(const DiffInput& iA, const DiffInput& iB, const ReadOptions& iOptions,
                      DiffReport& ioReport) {
  DiffOutcome outcome;
  LocatingSource sourceA(iA.descriptor), sourceB(iB.descriptor);
  DiffSideRecord a = ReadDiffSide(iA.name, sourceA, iOptions);
  outcome.a = a.verdict;
  if (!a.trouble.empty()) {
    outcome.trouble = a.trouble;
    return outcome;
  }
  DiffSideRecord b = ReadDiffSide(iB.name, sourceB, iOptions);
  outcome.b = b.verdict;
  if (!b.trouble.empty()) {
    outcome.trouble = b.trouble;
    return outcome;
  }
  ioReport.Begin(a.side, b.side);
  if (ioReport.WantsRows())
    ioReport.OnManagers(a.manager ? &*a.manager : nullptr, a.trailer ? &*a.trailer : nullptr,
                        b.manager ? &*b.manager : nullptr, b.trailer ? &*b.trailer : nullptr);
  Comparison(a, b, sourceA, sourceB, iOptions, ioReport).Run(outcome);
  return outcome;
}

}  // namespace zyn::reader
