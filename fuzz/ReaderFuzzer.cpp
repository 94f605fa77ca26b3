// Fuzz target: arbitrary bytes read as a dump, strictly and leniently, in every form, with the
// tree judged for wholeness and written as JSON, so that no input crashes the reader; and what
// a reading says is the same whether the bytes arrive at once or in small reads, as from a pipe.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/TreeJson.h"
#include "zyn/reader/Wholeness.h"

namespace {

class NullSink : public zyn::reader::TextSink {
 public:
  bool Write(std::string_view) override { return true; }
};

class KeepingSink : public zyn::reader::TextSink {
 public:
  bool Write(std::string_view iText) override {
    kept.append(iText);
    return true;
  }
  std::string kept;
};

/// Reads iSource as `mpgtree json` does, in the given layout and options, each node handed from
/// the checker to the writer; iSink takes the JSON, iFindings (if any) the checker's findings.
void ReadAsJson(zyn::reader::ByteSource& iSource, const zyn::reader::ReadOptions& iOptions,
                zyn::reader::JsonTreeWriter::Layout iLayout, zyn::reader::TextSink& iSink,
                std::string* oFindings) {
  zyn::reader::JsonTreeWriter writer(iSink, iLayout, "fuzz");
  zyn::reader::WholenessChecker checker(
      [&](const zyn::reader::Finding& iFinding) {
        if (oFindings) *oFindings += std::to_string(iFinding.line) + ": " + iFinding.message + "\n";
      },
      &writer, iOptions.lenient);
  const zyn::reader::ReadOutcome outcome = zyn::reader::ReadDump(iSource, iOptions, checker);
  checker.Finish(outcome);
  writer.Finish(outcome);
}

/// What a lenient reading says of iBytes handed out in reads of iReadSize bytes (0: at once):
/// its findings, then its JSON Lines.
std::string SaidOf(std::string_view iBytes, std::size_t iReadSize) {
  zyn::reader::MemorySource pieces(iBytes, {iReadSize});
  zyn::reader::ReadOptions options;
  options.lenient = true;
  KeepingSink json;
  std::string said;
  ReadAsJson(pieces, options, zyn::reader::JsonTreeWriter::Layout::Lines, json, &said);
  return said + json.kept;
}

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
    zyn::reader::MemorySource source(bytes);
    ReadAsJson(source, options,
               pass % 2 ? zyn::reader::JsonTreeWriter::Layout::Lines
                        : zyn::reader::JsonTreeWriter::Layout::Document,
               sink, nullptr);
  }
  // The same bytes in reads of 1 to 7 bytes, the size taken from the input itself.
  if (SaidOf(bytes, 0) != SaidOf(bytes, 1 + iSize % 7)) __builtin_trap();
  return 0;
}
