// What the subcommands of mpgtree share, defined once: the reading that the common options ask
// for, the options that several subcommands take, and the opening of one dump with its output.
#include "Commands.h"

namespace mpgtree {

zyn::reader::ReadOptions CommonOptions::ReadOptions() const {
  zyn::reader::ReadOptions options;
  options.form = form == "stdout"  ? zyn::reader::Form::StandardOutput
                 : form == "trace" ? zyn::reader::Form::Trace
                                   : zyn::reader::Form::Unknown;
  options.lenient = lenient;
  return options;
}

void AddDumpArgument(CLI::App& ioCommand, std::string* oDump) {
  ioCommand.add_option("DUMP", *oDump, "The dump; '-' reads standard input")->required();
}

void AddOutputOption(CLI::App& ioCommand, std::string* oOutput) {
  ioCommand.add_option("-o,--output", *oOutput, "Write to FILE instead of standard output")
      ->type_name("FILE");
}

int OpenDumpAndOutput(const CommonOptions& iCommon, const std::string& iDump,
                      const std::string& iOutput, DumpAndOutput* oOpened, OutputUse iUse) {
  if (!OutputsDistinctFromInputs({iDump}, iOutput)) return kExitTrouble;
  oOpened->input = DumpInput::Open(iDump);
  if (!oOpened->input) return kExitTrouble;
  oOpened->output = iUse == OutputUse::kHeldUntilWhole ? TextOutput::OpenHeld(iOutput)
                                                       : TextOutput::Open(iOutput);
  if (!oOpened->output) return kExitOutput;
  oOpened->input->ShowProgress(iCommon.progress);
  return kExitOk;
}

}  // namespace mpgtree
