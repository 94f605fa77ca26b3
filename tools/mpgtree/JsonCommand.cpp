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
  if (!OutputsDistinctFromInputs({iOptions.dump}, iOptions.output)) return kExitTrouble;
  std::unique_ptr<DumpInput> input = DumpInput::Open(iOptions.dump);
  if (!input) return kExitTrouble;
  std::unique_ptr<TextOutput> output = TextOutput::Open(iOptions.output);
  if (!output) return kExitOutput;
  input->ShowProgress(iCommon.progress);
  JsonRun writer(*output, iOptions.lines ? JsonRun::Layout::Lines : JsonRun::Layout::Document,
                 input->Name());
  zyn::reader::WholenessChecker checker([](const zyn::reader::Finding&) {}, &writer,
                                        iCommon.lenient);
  const zyn::reader::ReadOutcome outcome =
      zyn::reader::ReadDump(input->Source(), iCommon.ReadOptions(), checker);
  const zyn::reader::Verdict verdict = checker.Finish(outcome);
  writer.Finish(outcome);
  if (!output->Close()) return kExitOutput;
  return StatusOfVerdict(input->Name(), verdict, iCommon.lenient);
}

}  // namespace

void AddJsonCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] = AddSubcommand<JsonOptions>(
      iApp, "json", "Write the tree of DUMP as one JSON document (or JSON Lines with --lines)",
      iCommon, RunJson, oRun);
  command->add_option("DUMP", options->dump, "The dump; '-' reads standard input")->required();
  command->add_flag("--lines", options->lines,
                    "One JSON object per line: a start record, the manager's header, one record "
                    "per DMT row, the manager's trailer, problems and an end record");
  command->add_option("-o,--output", options->output, "Write to FILE instead of standard output")
      ->type_name("FILE");
}

}  // namespace mpgtree
