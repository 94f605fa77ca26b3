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
    // The checker judges the dump and hands every node on to the writer, as mpgtree json does.
    zyn::reader::JsonTreeWriter writer(sink,
                                       pass % 2 ? zyn::reader::JsonTreeWriter::Layout::Lines
                                                : zyn::reader::JsonTreeWriter::Layout::Document,
                                       "fuzz");
    zyn::reader::WholenessChecker checker([](const zyn::reader::Finding&) {}, &writer,
                                          options.lenient);
    zyn::reader::MemorySource source(bytes);
    const zyn::reader::ReadOutcome outcome = zyn::reader::ReadDump(source, options, checker);
    checker.Finish(outcome);
    writer.Finish(outcome);
  }
  return 0;
}
