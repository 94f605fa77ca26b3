// mpgtree diff: compares two dumps row by row, as text or as a JSON report. Exit status as
// diff(1): 0 same, 1 different, 2 trouble; 4 when the report could not be written.
#include "Commands.h"
#include "Io.h"
#include "Verdicts.h"
#include "zyn/reader/DiffFilter.h"
#include "zyn/reader/DiffReportWriters.h"

namespace mpgtree {

namespace {

struct DiffOptions {
  std::string a, b;
  bool json = false;
  bool verbose = false;
  std::string output;
  zyn::reader::DiffFilterOptions filter;
};

int RunDiff(const CommonOptions& iCommon, const DiffOptions& iOptions) {
  if (iOptions.a == "-" && iOptions.b == "-") {
    Complain("diff: only one of the dumps can be standard input");
    return kExitTrouble;
  }
  if (!OutputsDistinctFromInputs({iOptions.a, iOptions.b}, iOptions.output)) return kExitTrouble;
  const std::unique_ptr<DumpInput> a = DumpInput::Open(iOptions.a);
  const std::unique_ptr<DumpInput> b = a ? DumpInput::Open(iOptions.b) : nullptr;
  if (!a || !b) return kExitTrouble;
  const std::unique_ptr<TextOutput> output = TextOutput::Open(iOptions.output);
  if (!output) return kExitOutput;
  std::unique_ptr<zyn::reader::BufferedReport> report;
  if (iOptions.json)
    report = std::make_unique<zyn::reader::DiffJsonWriter>(*output);
  else
    report = std::make_unique<zyn::reader::DiffTextWriter>(*output);
  if (iOptions.verbose) report->NameNotCompared();
  zyn::reader::FilteringReport filtered(iOptions.filter, *report);
  const zyn::reader::DiffOutcome outcome = zyn::reader::DiffDumps(
      {a->Descriptor(), a->Name()}, {b->Descriptor(), b->Name()}, iCommon.ReadOptions(), filtered);
  const bool written = report->Finish() && output->Close();
  if (!outcome.trouble.empty()) {
    Complain(outcome.trouble);
    return kExitTrouble;
  }
  if (!written) return kExitOutput;
  // Read with --lenient, a dump that is not whole gives 1 whatever the comparison says.
  const int status = WorseStatus(StatusOfVerdict(a->Name(), outcome.a, iCommon.lenient),
                                 StatusOfVerdict(b->Name(), outcome.b, iCommon.lenient));
  return WorseStatus(status, filtered.Summary().Different() ? kExitNo : kExitOk);
}

}  // namespace

void AddDiffCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<DiffOptions>(iApp, kDiffSubcommand, iCommon, RunDiff, oRun);
  command->add_option("A", options->a, "The first dump; '-' reads standard input")->required();
  command->add_option("B", options->b, "The second dump; '-' reads standard input")->required();
  command->add_flag("--json", options->json,
                    "Write the report as one JSON document (docs/schemas/dump-diff.schema.json)");
  command->add_flag("-v,--verbose", options->verbose,
                    "Name each field not compared (held by one dump only, which the other's form "
                    "leaves out), not only count them; rows holding some are then read again");
  AddDiffFilterOptions(*command, &options->filter, true);
  AddOutputOption(*command, &options->output);
}

}  // namespace mpgtree
