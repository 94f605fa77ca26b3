// The data of the pages mpgtree html writes: a dump's rows, or the rows of two dumps with the
// differences between them, narrowed by a filter and bounded by a number of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "Io.h"
#include "PageData.h"
#include "zyn/reader/DiffFilter.h"
#include "zyn/reader/DumpReader.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

/// More rows than a browser can hold at ease in one page.
inline constexpr std::uint64_t kDefaultPageRowLimit = 200000;

/// Which DMT rows go into a page: those that pass every test given.
struct RowFilter {
  std::string uuid;  // held by the row, one of its RMT rows or one of their components
  std::string name;  // a part of a name the row holds (a component's, a path's, a provider's)
  std::optional<std::pair<std::int64_t, std::int64_t>> ordinals;  // FROM, TO
  bool Narrows() const { return !uuid.empty() || !name.empty() || ordinals.has_value(); }
  bool Passes(const zyn::reader::DmtRow& iRow) const;
  /// In words, for the page ("--uuid 3f2a... --ordinals 1-10"), empty when it narrows nothing.
  std::string Describe() const;
  /// Why a page it narrows holds no row: "no DMT row has the uuid nope" (iOfTwoDumps: "no DMT
  /// row of A or B has ...").
  std::string WhyNoRow(bool iOfTwoDumps) const;
};

struct PageRequest {
  zyn::reader::ReadOptions read;
  RowFilter filter;
  std::uint64_t maxRows = kDefaultPageRowLimit;
  zyn::reader::DiffFilterOptions diffFilter;  // a comparison's fields set aside
};

/// Reads a dump for a page, reporting its problems on standard error and handing each DMT
/// row to a handler; keeps the manager's header and trailer. The reading can be stopped.
class PageReading : public zyn::reader::DumpVisitor {
 public:
  using RowHandler = std::function<void(const zyn::reader::DmtRow&)>;
  PageReading(const std::string& iName, const PageRequest& iRequest, RowHandler iOnRow)
      : name_(iName), request_(iRequest), onRow_(std::move(iOnRow)) {}

  /// Reads the dump from where its descriptor stands and judges it; false (reported) when it
  /// could not be read, cannot be judged, or is not whole while read without --lenient.
  bool Read(DumpInput& ioDump);
  /// The verdict on the dump, once read: a page of a dump read leniently shows it.
  const zyn::reader::Verdict& verdict() const { return verdict_; }
  /// The reading stops at the next read of the input; no row is handed over after this.
  void Stop() { stopped_ = true; }
  bool Stopped() const { return stopped_; }

  void OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) override { header = iHeader; }
  void OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) override {
    trailer = iTrailer;
  }
  void OnDmtRow(const zyn::reader::DmtRow& iRow) override;
  void OnRaw(const zyn::reader::RawLine& iRaw) override;
  bool OnProblem(const zyn::reader::Problem& iProblem) override;
  /// Tells iData that the dump is damaged, when it is not whole (read with --lenient).
  void NoteDamage(PageData& ioData) const;

  std::optional<zyn::reader::ManagerHeader> header;
  std::optional<zyn::reader::ManagerTrailer> trailer;
  zyn::reader::Form form = zyn::reader::Form::Unknown;
  std::uint64_t rowsRead = 0;
  std::optional<zyn::reader::RawLine> firstRaw;  // the first line kept raw (--lenient)

 private:
  const std::string& name_;
  const PageRequest& request_;
  RowHandler onRow_;
  bool stopped_ = false;
  bool failed_ = false;
  zyn::reader::Verdict verdict_;
};

/// Says on standard error that iWhat holds more rows than the request allows, and how to
/// narrow the page.
void ComplainTooManyRows(const std::string& iWhat, const PageRequest& iRequest);

/// The page of one dump; nothing, with the reason on standard error, when the dump cannot be
/// read, is not whole (without --lenient) or holds more rows than the request allows.
/// oVerdicts gets the verdict on the dump (a dump read leniently may not be whole: the count
/// of lines kept raw, and the first of them, are there).
std::optional<PageData> BuildDumpPage(DumpInput& ioDump, const PageRequest& iRequest,
                                      std::vector<zyn::reader::Verdict>* oVerdicts);
/// The page of the comparison of two dumps, likewise; oVerdicts gets the verdicts on A and B.
std::optional<PageData> BuildDiffPage(DumpInput& ioA, DumpInput& ioB, const PageRequest& iRequest,
                                      std::vector<zyn::reader::Verdict>* oVerdicts);

}  // namespace mpgtree
