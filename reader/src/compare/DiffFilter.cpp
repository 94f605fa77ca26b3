// Changed fields set aside by patterns on their paths, and differences narrowed to one kind.
#include "zyn/reader/DiffFilter.h"

#include <algorithm>
#include <vector>

namespace zyn::reader {

bool FieldPathMatches(std::string_view iPattern, std::string_view iPath) {
  // From the end of the pattern back: matches[j] tells whether the pattern from i matches the
  // path from j. Time in the product of the lengths, whatever the stars.
  const std::size_t n = iPath.size();
  std::vector<bool> inBrackets(iPattern.size(), false);
  for (std::size_t i = 0, open = 0; i < iPattern.size(); ++i) {
    inBrackets[i] = open > 0;
    if (iPattern[i] == '[') ++open;
    if (iPattern[i] == ']' && open) --open;
  }
  std::vector<bool> matches(n + 1, false), before(n + 1, false);
  matches[n] = true;
  for (std::size_t i = iPattern.size(); i-- > 0;) {
    const char c = iPattern[i];
    before[n] = c == '*' && matches[n];
    for (std::size_t j = n; j-- > 0;) {
      if (c == '*')
        before[j] = matches[j] || (!(inBrackets[i] && iPath[j] == ']') && before[j + 1]);
      else
        before[j] = (c == '?' || c == iPath[j]) && matches[j + 1];
    }
    matches.swap(before);
  }
  return matches[0];
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
