// Changed fields set aside by patterns on their paths, and differences narrowed to one kind.
#include "zyn/reader/DiffFilter.h"

#include <algorithm>

namespace zyn::reader {

namespace {

/// iPattern from iP against iPath from iT; iInBrackets when an unclosed `[` precedes iP.
bool MatchesFrom(std::string_view iPattern, std::size_t iP, std::string_view iPath, std::size_t iT,
                 bool iInBrackets) {
  while (iP < iPattern.size()) {
    const char c = iPattern[iP];
    if (c == '*') {
      // Every split, shortest first; within brackets, none past the closing one.
      for (std::size_t end = iT;; ++end) {
        if (MatchesFrom(iPattern, iP + 1, iPath, end, iInBrackets)) return true;
        if (end == iPath.size() || (iInBrackets && iPath[end] == ']')) return false;
      }
    }
    if (iT == iPath.size() || (c != '?' && c != iPath[iT])) return false;
    if (c == '[') iInBrackets = true;
    if (c == ']') iInBrackets = false;
    ++iP, ++iT;
  }
  return iT == iPath.size();
}

}  // namespace

bool FieldPathMatches(std::string_view iPattern, std::string_view iPath) {
  return MatchesFrom(iPattern, 0, iPath, 0, false);
}

void FilteringReport::SetAside(NodeDifference& ioNode) {
  const auto ignoredChange = [this](const FieldChange& iChange) {
    return std::any_of(
        options_.ignore.begin(), options_.ignore.end(),
        [&](const std::string& iPattern) { return FieldPathMatches(iPattern, iChange.path); });
  };
  const auto kept = std::remove_if(ioNode.changes.begin(), ioNode.changes.end(), ignoredChange);
  ignored_ += static_cast<std::uint64_t>(ioNode.changes.end() - kept);
  ioNode.changes.erase(kept, ioNode.changes.end());
  for (NodeDifference& rmt : ioNode.rmtRows) SetAside(rmt);
  ioNode.rmtRows.erase(std::remove_if(ioNode.rmtRows.begin(), ioNode.rmtRows.end(),
                                      [](const NodeDifference& iRmt) { return iRmt.Empty(); }),
                       ioNode.rmtRows.end());
}

bool FilteringReport::OnDifference(const NodeDifference& iDifference) {
  const bool narrowed = options_.only && iDifference.status != *options_.only;
  if (options_.ignore.empty() || iDifference.status != NodeDifference::Status::Changed)
    return narrowed || report_.OnDifference(iDifference);
  NodeDifference kept = iDifference;
  SetAside(kept);
  if (kept.Empty()) {
    ++(kept.path.compare(0, 4, "dmt[") == 0 ? dmtRowsNowSame_ : otherNodesNowSame_);
    return true;
  }
  return narrowed || report_.OnDifference(kept);
}

void FilteringReport::End(const DiffSummary& iSummary) {
  summary_ = iSummary;
  summary_.changedRows -= dmtRowsNowSame_;
  summary_.sameRows += dmtRowsNowSame_;
  summary_.otherDifferences -= otherNodesNowSame_;
  if (!options_.ignore.empty()) summary_.ignored = ignored_;
  report_.End(summary_);
}

}  // namespace zyn::reader
