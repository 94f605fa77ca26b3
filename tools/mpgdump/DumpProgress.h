// mpgdump's progress line: the DMT rows a dump has reached, counted from the host's side.
#pragma once

#include <cstdint>

#include "zyn/ZynMemTable.h"
#include "zyntoolio/ProgressMeter.h"

namespace mpgdump {

/// Shows on standard error how far a dump is through its DMT rows, while alive. The rows are
/// counted as the dump asks each of them for its dump, which the table sees; the module knows
/// nothing of it. Counting costs an increment per request and a compare; the meter reads the
/// clock every 64 requests (of any object) and redraws at most four times a second.
class DumpProgress final : public zyn::mem::DumpRequestWatcher {
 public:
  /// Watches iTable's dump requests until destroyed; iTotalRows 0 is unknown.
  DumpProgress(zyn::mem::Table& iTable, std::uint64_t iTotalRows);
  /// Stops watching and erases the line.
  ~DumpProgress();
  DumpProgress(const DumpProgress&) = delete;
  DumpProgress& operator=(const DumpProgress&) = delete;

  void OnDumpRequested(zyn::mem::Type iType) override {
    if (iType == zyn::mem::Type::DMTRow) ++rows_;
    meter_.Report(rows_);
  }

  /// The DMT rows a dump of iObject with iLevel and iMode walks, asked of the object as the
  /// dump asks it: a manager's elements at level 1 or more (in mode 3 the elements to be
  /// saved); one for a DMT row itself; none otherwise.
  static std::uint64_t RowsToWalk(zyn::mem::MemObject& iObject, int iLevel, int iMode);

 private:
  zyn::mem::Table& table_;
  std::uint64_t rows_ = 0;
  zyn::toolio::ProgressMeter meter_;
};

}  // namespace mpgdump
