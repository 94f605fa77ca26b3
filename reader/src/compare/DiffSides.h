// What the comparison of two dumps keeps of each: per DMT row a compact entry (digest, key,
// place in the file), and whole copies of the few nodes outside the manager's rows.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "compare/RowDigest.h"
#include "compare/RowLocator.h"
#include "compare/RowMatching.h"
#include "zyn/reader/DumpDiff.h"
#include "zyn/reader/Wholeness.h"

namespace zyn::reader {

/// One DMT row, as kept between the passes.
struct RowEntry {
  RowDigest digest;
  ByteRange range;               // its text in the input
  std::uint64_t line = 0;        // its first line
  std::uint64_t uuidOffset = 0;  // its uuid in DiffSideRecord::uuids
  std::uint32_t uuidLength = 0;
  std::int32_t ordinal = 0;
  bool hasOrdinal = false;
  bool uuidValid = true;  // false: "invalid element uuid"
};

/// An RMT row that falls back to its ordinal within its DMT row, seen in one dump.
struct RmtFallbackRecord {
  std::uint32_t row = 0;  // index of the DMT row
  std::string key;        // "[#2]"
  Fallback reason = Fallback::None;
};

/// Everything kept of one dump after its first reading.
struct DiffSideRecord {
  DiffSide side;
  ReadOutcome outcome;
  Verdict verdict;
  /// Why the dump cannot be compared, naming line and column: it cannot be read, or judged, or
  /// (without --lenient) it is not whole.
  std::string trouble;
  std::uint64_t rawLines = 0;  // lines left out in lenient reading
  std::optional<ManagerHeader> manager;
  std::optional<ManagerTrailer> trailer;
  std::vector<Environment> environments;
  std::vector<RmtRow> loneRmtRows;
  std::vector<Component> loneComponents;
  std::deque<RowEntry> rows;  // grows without copying a million entries at once
  std::string uuids;          // the rows' uuids, one after another
  std::vector<RmtFallbackRecord> rmtFallbacks;

  RowKey KeyOf(std::size_t iRow) const;
  /// The row's header as far as the entry keeps it (ordinal and uuid).
  RowHeader HeaderOf(std::size_t iRow) const;
};

/// Reads one dump from ioSource (which notes where rows lie), keeping what the comparison
/// needs.
DiffSideRecord ReadDiffSide(const std::string& iName, LocatingSource& ioSource,
                            const ReadOptions& iOptions);

/// Reads the DMT row of iEntry again and checks that it reads as it did the first time.
bool ReadRowAgain(const DiffSideRecord& iSide, const LocatingSource& iSource,
                  const RowEntry& iEntry, const ReadOptions& iOptions, DmtRow* oRow,
                  std::string* oTrouble);

}  // namespace zyn::reader
