// What the subcommands of mpgtree share, defined once: the reading that the common options ask
// for, and the opening of one dump with its output.
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

int OpenDumpAndOutput(const CommonOptions& iCommon, const std::string& iDump,
                      const std::string& iOutput, DumpAndOutput* oOpened) {
  if (!OutputsDistinctFromInputs({iDump}, iOutput)) return kExitTrouble;
  oOpened->input = DumpInput::Open(iDump);
  if (!oOpened->input) return kExitTrouble;
  oOpened->output = TextOutput::Open(iOutput);
  if (!oOpened->output) return kExitOutput;
  oOpened->input->ShowProgress(iCommon.progress);
  return kExitOk;
}

}  // namespace mpgtree
