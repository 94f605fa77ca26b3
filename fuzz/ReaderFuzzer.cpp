// Fuzz target: arbitrary bytes read as a dump, strictly and leniently, in every form, with the
// tree judged for wholeness and written as JSON, so that no input crashes the reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/TreeJson.h"
#include "zyn/reader/Wholeness.h"

namespace {

class NullSink : public zyn::reader::TextSink {
 public:
  bool Write(std::string_view) override { return true; }
};

/// Writes the JSON of every node and judges the dump, both at once.
class Everything : public zyn::reader::JsonTreeWriter {
 public:
  explicit Everything(NullSink& iSink, Layout iLayout)
      : JsonTreeWriter(iSink, iLayout, "fuzz"), checker_([](const zyn::reader::Finding&) {}) {}
  void OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) override {
    checker_.OnManagerHeader(iHeader);
    JsonTreeWriter::OnManagerHeader(iHeader);
  }
  void OnDmtRow(const zyn::reader::DmtRow& iRow) override {
    checker_.OnDmtRow(iRow);
    JsonTreeWriter::OnDmtRow(iRow);
  }
  void OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) override {
    checker_.OnManagerTrailer(iTrailer);
    JsonTreeWriter::OnManagerTrailer(iTrailer);
  }
  void OnRmtRow(const zyn::reader::RmtRow& iRow) override {
    checker_.OnRmtRow(iRow);
    JsonTreeWriter::OnRmtRow(iRow);
  }
  void OnComponent(const zyn::reader::Component& iComponent) override {
    checker_.OnComponent(iComponent);
    JsonTreeWriter::OnComponent(iComponent);
  }
  bool OnProblem(const zyn::reader::Problem& iProblem) override {
    checker_.OnProblem(iProblem);
    return JsonTreeWriter::OnProblem(iProblem);
  }
  zyn::reader::WholenessChecker checker_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* iData, std::size_t iSize) {
  const std::string_view bytes(reinterpret_cast<const char*>(iData), iSize);
  for (int pass = 0; pass < 4; ++pass) {
    zyn::reader::ReadOptions options;
    options.lenient = pass % 2 == 1;
    options.keepText = pass == 1;
    options.form = pass < 2
                       ? zyn::reader::Form::Unknown
                       : (pass == 2 ? zyn::reader::Form::StandardOutput : zyn::reader::Form::Trace);
    NullSink sink;
    Everything visitor(sink, pass % 2 ? zyn::reader::JsonTreeWriter::Layout::Lines
                                      : zyn::reader::JsonTreeWriter::Layout::Document);
    zyn::reader::MemorySource source(bytes);
    const zyn::reader::ReadOutcome outcome = zyn::reader::ReadDump(source, options, visitor);
    visitor.checker_.Finish(outcome);
    visitor.Finish(outcome);
  }
  return 0;
}
