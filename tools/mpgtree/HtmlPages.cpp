// The data of a page: one dump read into it, or two dumps compared and then read into it with
// the marks of their differences.
#include "HtmlPages.h"

#include <algorithm>
#include <cstdint>

#include "Io.h"
#include "Verdicts.h"

namespace mpgtree {

namespace rd = zyn::reader;

namespace {

/// Looks through every field of a row for a uuid or a part of a name.
class FieldSearch : public rd::FieldVisitor {
 public:
  explicit FieldSearch(const RowFilter& iFilter) : filter_(iFilter) {}
  void OnField(const rd::Field& iField) override {
    if (iField.value.type != rd::FieldValue::Type::Text) return;
    const std::string_view key = iField.key, text = iField.value.text;
    const bool uuidKey = key == "uuid" || key.find("Uuid") != std::string_view::npos;
    const bool nameKey = key == "name" || (key.size() > 4 && key.substr(key.size() - 4) == "Name");
    if (uuidKey && text == filter_.uuid) uuidFound = true;
    if (nameKey && !filter_.name.empty() && text.find(filter_.name) != std::string_view::npos)
      nameFound = true;
  }
  bool uuidFound = false, nameFound = false;

 private:
  const RowFilter& filter_;
};

/// Hands the dump's bytes to the reader until the reading is stopped.
class StoppableSource : public rd::ByteSource {
 public:
  StoppableSource(int iDescriptor, const PageReading& iReading)
      : file_(iDescriptor), reading_(iReading) {}
  long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override {
    return reading_.Stopped() ? 0 : file_.Read(oBuffer, iCapacity, oError);
  }

 private:
  rd::FileDescriptorSource file_;
  const PageReading& reading_;
};

}  // namespace

void ComplainTooManyRows(const std::string& iWhat, const PageRequest& iRequest) {
  // An example of ordinals that fit: as many as --max-rows from the first ordinal asked for.
  std::string example;
  if (iRequest.maxRows > 0) {
    const std::int64_t from = iRequest.filter.ordinals ? iRequest.filter.ordinals->first : 1;
    // In unsigned arithmetic, which wraps: the last ordinal is at most INT64_MAX.
    const std::uint64_t start = static_cast<std::uint64_t>(from);
    const std::uint64_t room = static_cast<std::uint64_t>(INT64_MAX) - start;
    const auto to = static_cast<std::int64_t>(start + std::min(iRequest.maxRows - 1, room));
    example = " (such as --ordinals " + std::to_string(from) + "-" + std::to_string(to) + ", " +
              std::to_string(iRequest.maxRows) + (iRequest.maxRows == 1 ? " row)" : " rows)");
  }
  Complain(iWhat + ": more than " + std::to_string(iRequest.maxRows) +
           " DMT rows for one page, which a browser could not hold at ease: narrow the page " +
           (iRequest.filter.Narrows() ? "further " : "") + "with --ordinals FROM-TO" + example +
           ", --uuid UUID or --name TEXT, or raise --max-rows");
}

bool RowFilter::Passes(const rd::DmtRow& iRow) const {
  if (ordinals && (!iRow.header.ordinal || *iRow.header.ordinal < ordinals->first ||
                   *iRow.header.ordinal > ordinals->second))
    return false;
  if (uuid.empty() && name.empty()) return true;
  FieldSearch search(*this);
  rd::VisitDmtRowFields(iRow, search);
  for (const rd::RmtRow& rmt : iRow.rmtRows) rd::VisitRmtRowFields(rmt, search);
  return (uuid.empty() || search.uuidFound) && (name.empty() || search.nameFound);
}

std::string RowFilter::Describe() const {
  std::string text;
  if (!uuid.empty()) text += "--uuid " + uuid;
  if (!name.empty()) text += (text.empty() ? "--name " : " --name ") + name;
  if (ordinals)
    text += (text.empty() ? "--ordinals " : " --ordinals ") + std::to_string(ordinals->first) +
            "-" + std::to_string(ordinals->second);
  return text;
}

std::string RowFilter::WhyNoRow(bool iOfTwoDumps, bool iDifferingOnly) const {
  std::string why = !iOfTwoDumps     ? "no DMT row "
                    : iDifferingOnly ? "no DMT row that differs between A and B "
                                     : "no DMT row of A or B ";
  if (!uuid.empty() + !name.empty() + ordinals.has_value() > 1) return why + "passes " + Describe();
  if (!uuid.empty()) return why + "has the uuid " + uuid;
  if (!name.empty()) return why + "has a name holding " + name;
  if (ordinals)
    return why + "has an ordinal from " + std::to_string(ordinals->first) + " to " +
           std::to_string(ordinals->second);
  return iOfTwoDumps ? "neither dump holds a DMT row" : "the dump holds no DMT row";
}

bool PageReading::Read(DumpInput& ioDump) {
  StoppableSource source(ioDump.Descriptor(), *this);
  rd::ReadOptions options = request_.read;
  options.keepText = false;
  const JudgedReading reading = ReadJudged(source, options, *this);
  form = reading.outcome.form;
  verdict_ = reading.verdict;
  if (stopped_) return !failed_;  // a page of too many rows: the rest was not read
  const bool refused = verdict_.kind == rd::Verdict::Kind::CannotTell ||
                       (verdict_.kind == rd::Verdict::Kind::NotWhole && !request_.read.lenient);
  if (refused) StatusOfVerdict(name_, verdict_, request_.read.lenient);
  return !refused && !failed_;
}

void PageReading::OnDmtRow(const rd::DmtRow& iRow) {
  ++rowsRead;
  if (!stopped_) onRow_(iRow);
}

void PageReading::OnRaw(const rd::RawLine& iRaw) {
  if (!firstRaw) firstRaw = iRaw;
}

void PageReading::NoteDamage(PageData& ioData) const {
  if (verdict_.kind == rd::Verdict::Kind::NotWhole)
    ioData.AddDamage(name_, verdict_, firstRaw ? std::string_view(firstRaw->text) : "");
}

bool PageReading::OnProblem(const rd::Problem& iProblem) {
  if (stopped_) return false;
  if (iProblem.severity != rd::Severity::Error || request_.read.lenient) return true;
  ReportProblem(name_, iProblem);
  failed_ = true;
  return false;
}

std::optional<PageData> BuildDumpPage(DumpInput& ioDump, const PageRequest& iRequest,
                                      std::vector<rd::Verdict>* oVerdicts) {
  PageData data(PageData::Mode::Dump);
  data.SetFilter(iRequest.filter.Describe());
  PageReading* self = nullptr;
  PageReading reading(ioDump.Name(), iRequest, [&](const rd::DmtRow& iRow) {
    if (!iRequest.filter.Passes(iRow)) return;
    if (data.Rows() >= iRequest.maxRows) return self->Stop();
    data.AddDmtRow(iRow, 's', nullptr);
  });
  self = &reading;
  if (!reading.Read(ioDump)) return std::nullopt;
  oVerdicts->assign(1, reading.verdict());
  if (reading.Stopped()) {
    ComplainTooManyRows(ioDump.Name(), iRequest);
    return std::nullopt;
  }
  if (reading.header)
    data.SetManager(*reading.header, reading.trailer ? &*reading.trailer : nullptr, nullptr);
  data.AddSource(ioDump.Name(), reading.form, reading.rowsRead);
  reading.NoteDamage(data);
  if (!data.Rows()) data.SetWhyEmpty(iRequest.filter.WhyNoRow(false));
  return data;
}

}  // namespace mpgtree
