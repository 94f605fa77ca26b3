// What a comparison's report shows: changed fields set aside by patterns on their paths, and
// the differences narrowed to one kind.
//
// A pattern is a glob on a field's path (DumpDiff.h names the paths): `?` stands for one
// character, `*` for any run of characters, except that between brackets it does not go past
// the closing one, so `dmt[*].m1ComponentVersion` is that field of every DMT row and no field
// of its RMT rows, while `*.lastSaveTime` is that field wherever it stands. Every other
// character, brackets included, stands for itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpDiff.h"

namespace zyn::reader {

/// Whether iPath matches iPattern, under the rule above.
bool FieldPathMatches(std::string_view iPattern, std::string_view iPath);

struct DiffFilterOptions {
  /// The changed fields matching any of these are set aside: counted, never reported.
  std::vector<std::string> ignore;
  /// Report only the nodes of this status; the summary still counts every node.
  std::optional<NodeDifference::Status> only;
  bool Filters() const { return !ignore.empty() || only; }
};

/// Passes a comparison on to ioReport with the fields of iOptions.ignore set aside: a node whose
/// only changes they are is reported as the same, and the summary counts them in `ignored`. The
/// fields not compared and the fallbacks are passed on whole.
class FilteringReport : public DiffReport {
 public:
  FilteringReport(const DiffFilterOptions& iOptions, DiffReport& ioReport)
      : options_(iOptions), report_(ioReport) {}
  void Begin(const DiffSide& iA, const DiffSide& iB) override { report_.Begin(iA, iB); }
  bool OnDifference(const NodeDifference& iDifference) override;
  void OnNotCompared(const NotComparedNote& iNote) override { report_.OnNotCompared(iNote); }
  bool NamesNotCompared() const override { return report_.NamesNotCompared(); }
  void OnFallback(const FallbackNote& iNote) override { report_.OnFallback(iNote); }
  void End(const DiffSummary& iSummary) override;
  /// The summary passed on at the end, with the ignored fields counted.
  const DiffSummary& Summary() const { return summary_; }

 private:
  /// Removes the ignored changes of ioNode and of its RMT rows, and the RMT rows left empty.
  void SetAside(NodeDifference& ioNode);

  const DiffFilterOptions& options_;
  DiffReport& report_;
  std::uint64_t ignored_ = 0;
  std::uint64_t dmtRowsNowSame_ = 0, otherNodesNowSame_ = 0;
  DiffSummary summary_;
};

}  // namespace zyn::reader
