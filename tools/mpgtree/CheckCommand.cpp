// mpgtree check: whether a dump is whole. Each fault and note on its own line, naming its line;
// then a summary. Exit kExitOk whole, kExitNo not whole, kExitTrouble when it cannot be told
// (Commands.h). The verdict is the one every command gives (WholenessChecker).
#include "Commands.h"
#include "Io.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

namespace {

struct CheckOptions {
  std::string dump;
  bool quiet = false;
};

int RunCheck(const CommonOptions& iCommon, const CheckOptions& iOptions) {
  DumpAndOutput opened;
  if (const int status = OpenDumpAndOutput(iCommon, iOptions.dump, "-", &opened)) return status;
  DumpInput* const input = opened.input.get();
  TextOutput* const output = opened.output.get();
  const std::string& name = input->Name();
  std::string text;
  zyn::reader::WholenessChecker checker([&](const zyn::reader::Finding& iFinding) {
    const bool note = iFinding.kind == zyn::reader::Finding::Kind::Note;
    if (note && iOptions.quiet) return;
    text = name + (iFinding.line ? ":" + std::to_string(iFinding.line) : std::string()) +
           (note ? ": note: " : ": fault: ") + iFinding.message + "\n";
    output->Write(text);
  });
  // Lenient, so that every fault is seen and the reading goes on to the end.
  zyn::reader::ReadOptions options = iCommon.ReadOptions();
  options.lenient = true;
  const zyn::reader::ReadOutcome outcome = zyn::reader::ReadDump(input->Source(), options, checker);
  const zyn::reader::Verdict verdict = checker.Finish(outcome);
  int status = kExitOk;
  switch (verdict.kind) {
    case zyn::reader::Verdict::Kind::CannotTell:
      text = name + ": cannot tell: " + verdict.cannotTell + "\n";
      status = kExitTrouble;
      break;
    case zyn::reader::Verdict::Kind::NotWhole:
      text = name + ": not whole: " + std::to_string(verdict.faults) + " fault(s), ";
      status = kExitNo;
      break;
    case zyn::reader::Verdict::Kind::Whole:
      text = name + ": whole: ";
      break;
  }
  if (status != kExitTrouble)
    text += std::to_string(verdict.dmtRows) + " DMT row(s), " + std::to_string(verdict.lines) +
            " line(s), " + std::string(zyn::reader::FormName(outcome.form)) + " form, " +
            std::to_string(verdict.notes) + " note(s)\n";
  output->Write(text);
  if (!output->Close()) return kExitOutput;
  return status;
}

}  // namespace

void AddCheckCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<CheckOptions>(iApp, kCheckSubcommand, iCommon, RunCheck, oRun);
  AddDumpArgument(*command, &options->dump);
  command->add_flag("-q,--quiet", options->quiet, "Leave the notes out");
}

}  // namespace mpgtree
