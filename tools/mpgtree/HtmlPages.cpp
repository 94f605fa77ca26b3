// The data of a page: one dump read into it, or two dumps compared and then read into it with
// the marks of their differences.
#include "HtmlPages.h"

#include <unistd.h>

#include <unordered_map>
#include <unordered_set>

#include "Io.h"

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

/// Reads a dump for a page, reporting its problems; stops when told.
class PageReading : public rd::DumpVisitor {
 public:
  PageReading(const std::string& iName, const PageRequest& iRequest)
      : name_(iName), request_(iRequest) {}

  /// Reads the dump from its descriptor; false (reported) when it could not be read whole.
  bool Read(OpenDump& ioDump);
  /// The reading stops at the next read of the input.
  void Stop() { stopped_ = true; }
  bool Stopped() const { return stopped_; }

  bool OnProblem(const rd::Problem& iProblem) override {
    if (stopped_) return false;
    if (iProblem.severity == rd::Severity::Error || !request_.read.lenient)
      ReportProblem(name_, iProblem);
    if (iProblem.severity == rd::Severity::Error && !request_.read.lenient) failed_ = true;
    return !failed_;
  }

  rd::Form form = rd::Form::Unknown;
  std::uint64_t rowsRead = 0;

 protected:
  const std::string& name_;
  const PageRequest& request_;

 private:
  /// Hands the dump's bytes to the reader until the reading is stopped.
  class Source : public rd::ByteSource {
   public:
    Source(int iDescriptor, const bool& iStopped) : file_(iDescriptor), stopped_(iStopped) {}
    long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override {
      return stopped_ ? 0 : file_.Read(oBuffer, iCapacity, oError);
    }

   private:
    rd::FileDescriptorSource file_;
    const bool& stopped_;
  };
  bool stopped_ = false;
  bool failed_ = false;
};

bool PageReading::Read(OpenDump& ioDump) {
  Source source(ioDump.Descriptor(), stopped_);
  const rd::ReadOutcome outcome = rd::ReadDump(source, request_.read, *this);
  form = outcome.form;
  if (!outcome.readFailure.empty()) {
    Complain(name_ + ": read error: " + outcome.readFailure);
    return false;
  }
  return !failed_;
}

/// The rows of one dump into the page.
class DumpPageReading : public PageReading {
 public:
  DumpPageReading(const std::string& iName, const PageRequest& iRequest, PageData& ioData)
      : PageReading(iName, iRequest), data_(ioData) {}
  void OnManagerHeader(const rd::ManagerHeader& iHeader) override {
    header_ = iHeader;
    data_.SetManager(iHeader, nullptr, nullptr);
  }
  void OnManagerTrailer(const rd::ManagerTrailer& iTrailer) override {
    if (header_) data_.SetManager(*header_, &iTrailer, nullptr);
  }
  void OnDmtRow(const rd::DmtRow& iRow) override {
    ++rowsRead;
    if (Stopped() || !request_.filter.Passes(iRow)) return;
    if (data_.Rows() >= request_.maxRows) return Stop();
    data_.AddDmtRow(iRow, 's', nullptr);
  }

 private:
  PageData& data_;
  std::optional<rd::ManagerHeader> header_;
};

}  // namespace

void ComplainTooManyRows(const std::string& iWhat, const PageRequest& iRequest) {
  Complain(iWhat + ": more than " + std::to_string(iRequest.maxRows) +
           " DMT rows for one page, which a browser could not hold at ease: narrow the page "
           "with --uuid UUID, --name TEXT or --ordinals FROM-TO" +
           (iRequest.filter.Narrows() ? " (further)" : "") + ", or raise --max-rows");
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

std::optional<PageData> BuildDumpPage(OpenDump& ioDump, const PageRequest& iRequest) {
  PageData data(PageData::Mode::Dump);
  data.SetFilter(iRequest.filter.Describe());
  DumpPageReading reading(ioDump.Name(), iRequest, data);
  if (!reading.Read(ioDump)) return std::nullopt;
  if (reading.Stopped()) {
    ComplainTooManyRows(ioDump.Name(), iRequest);
    return std::nullopt;
  }
  data.AddSource(ioDump.Name(), reading.form, reading.rowsRead);
  return data;
}

}  // namespace mpgtree
