// mpgtree json: the tree of a dump as one JSON document, or as JSON Lines.
#include "Commands.h"
#include "Io.h"
#include "Verdicts.h"
#include "zyn/reader/TreeJson.h"

namespace mpgtree {

namespace {

struct JsonOptions {
  std::string dump;
  bool lines = false;
  std::string output;
};

/// Writes the JSON and reports each problem of the reading on standard error.
class JsonRun : public zyn::reader::JsonTreeWriter {
 public:
  JsonRun(zyn::reader::TextSink& iSink, Layout iLayout, const std::string& iInput)
      : JsonTreeWriter(iSink, iLayout, iInput), input_(iInput) {}
  bool OnProblem(const zyn::reader::Problem& iProblem) override {
    ReportProblem(input_, iProblem);
    return JsonTreeWriter::OnProblem(iProblem);
  }

 private:
  std::string input_;
};

int RunJson(const CommonOptions& iCommon, const JsonOptions& iOptions) {
  DumpAndOutput opened;
  if (const int status = OpenDumpAndOutput(iCommon, iOptions.dump, iOptions.output, &opened))
    return status;
  DumpInput* const input = opened.input.get();
  TextOutput* const output = opened.output.get();
  JsonRun writer(*output, iOptions.lines ? JsonRun::Layout::Lines : JsonRun::Layout::Document,
                 input->Name());
  const JudgedReading reading = ReadJudged(input->Source(), iCommon.ReadOptions(), writer);
  writer.Finish(reading.outcome);
  if (!output->Close()) return kExitOutput;
  return StatusOfVerdict(input->Name(), reading.verdict, iCommon.lenient);
}

}  // namespace

void AddJsonCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<JsonOptions>(iApp, kJsonSubcommand, iCommon, RunJson, oRun);
  AddDumpArgument(*command, &options->dump);
  command->add_flag("--lines", options->lines,
                    "One JSON object per line: a start record, the manager's header, one record "
                    "per DMT row, the manager's trailer, problems and an end record");
  AddOutputOption(*command, &options->output);
}

}  // namespace mpgtree
