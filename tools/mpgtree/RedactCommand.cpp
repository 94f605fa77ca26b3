// mpgtree redact: the same dump with its names, paths and (with --uuids) uuids replaced by
// pseudonyms, so that it can be shared.
#include "Commands.h"
#include "Io.h"
#include "Redactor.h"
#include "Verdicts.h"

namespace mpgtree {

namespace {

struct RedactOptions {
  std::string dump;
  std::string output;
  std::string key;
  bool keyed = false;
  bool uuids = false;
};

int RunRedact(const CommonOptions& iCommon, const RedactOptions& iOptions) {
  DumpAndOutput opened;
  if (const int status = OpenDumpAndHeldOutput(iCommon, iOptions, &opened)) return status;
  DumpInput* const input = opened.input.get();
  TextOutput* const output = opened.output.get();

  zyn::redact::Pseudonyms pseudonyms(iOptions.keyed ? std::optional<std::string>(iOptions.key)
                                                    : std::nullopt);
  zyn::redact::PendingText text(input->Source(), *output);
  const std::string& name = input->Name();
  zyn::redact::Redactor redactor(
      text, pseudonyms, iOptions.uuids,
      [&name](const zyn::reader::Problem& iProblem) { ReportProblem(name, iProblem); });
  const JudgedReading reading = ReadJudged(text, iCommon.ReadOptions(), redactor);
  const int status = StatusOfVerdict(input->Name(), reading.verdict, iCommon.lenient);
  // A refused dump leaves no redacted file behind.
  if (status == kExitTrouble) {
    output->Abandon();
    return kExitTrouble;
  }
  if (!redactor.Failure().empty()) {
    Complain(input->Name() + ": cannot redact: " + redactor.Failure());
    output->Abandon();
    return kExitTrouble;
  }
  if (redactor.LinesLeftOut())
    Complain(input->Name() + ": " + std::to_string(redactor.LinesLeftOut()) +
             " line(s) that could not be placed left out of the redacted dump");
  const bool written = redactor.Finish();
  return CloseOutput(*output, written, status);
}

}  // namespace

void AddRedactCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<RedactOptions>(iApp, kRedactSubcommand, iCommon, RunRedact, oRun);
  AddDumpAndOutput(*command, &options->dump, &options->output);
  command
      ->add_option_function<std::string>(
          "--key",
          // An init-capture: C++17 lambdas cannot capture a structured binding itself.
          [keyed = options](const std::string& iKey) {
            keyed->key = iKey;
            keyed->keyed = true;
          },
          "Make each pseudonym from a keyed hash of its text: runs with the same key give a "
          "text the same pseudonym, whatever the dump")
      ->type_name("KEY");
  command->add_flag("--uuids", options->uuids,
                    "Replace the uuids too (rows, file-based and Orv components), keeping their "
                    "shape");
}

}  // namespace mpgtree
