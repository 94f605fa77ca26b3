// mpgtree table: the table file that gives a dump, rebuilt from the dump and written as it is
// read (table/TableBuilder.h). A dump split between its sinks, or not whole, is refused without
// --lenient; with it, what could be read is rebuilt and what was left out is listed.
#include <iostream>

#include "Commands.h"
#include "Io.h"
#include "Verdicts.h"
#include "table/TableBuilder.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

namespace {

struct TableOptions {
  std::string dump;
  std::string output;
  bool explain = false;
};

/// Builds the table and reports each problem of the reading on standard error.
class TableRun : public table::TableBuilder {
 public:
  TableRun(zyn::reader::TextSink& iSink, std::function<void(std::string_view)> iExplain,
           const std::string& iInput)
      : TableBuilder(iSink, std::move(iExplain)), input_(iInput) {}
  bool OnProblem(const zyn::reader::Problem& iProblem) override {
    ReportProblem(input_, iProblem);
    return TableBuilder::OnProblem(iProblem);
  }

 private:
  std::string input_;
};

/// Lists what the table leaves out of the dump; the status that gives.
int ReportLeftOut(const std::string& iName, const std::vector<std::string>& iLeftOut,
                  bool iLenient) {
  if (iLeftOut.empty()) return kExitOk;
  for (const std::string& entry : iLeftOut) Complain(iName + ": left out: " + entry);
  if (iLenient) return kExitNo;
  Complain(iName + ": no table gives this dump; --lenient writes the table of what was read");
  return kExitTrouble;
}

int RunTable(const CommonOptions& iCommon, const TableOptions& iOptions) {
  DumpAndOutput opened;
  if (const int status = OpenDumpAndHeldOutput(iCommon, iOptions, &opened)) return status;
  DumpInput* const input = opened.input.get();
  TextOutput* const output = opened.output.get();
  std::function<void(std::string_view)> explain;
  if (iOptions.explain) explain = [](std::string_view iText) { std::cerr << iText; };
  TableRun builder(*output, explain, input->Name());
  const JudgedReading reading = ReadJudged(input->Source(), iCommon.ReadOptions(), builder);
  const bool written = builder.Finish();
  int status = StatusOfVerdict(input->Name(), reading.verdict, iCommon.lenient);
  if (status != kExitTrouble)
    status = WorseStatus(status, ReportLeftOut(input->Name(), builder.LeftOut(), iCommon.lenient));
  if (status == kExitTrouble) {
    output->Abandon();
    return status;
  }
  return CloseOutput(*output, written, status);
}

}  // namespace

void AddTableCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<TableOptions>(iApp, kTableSubcommand, iCommon, RunTable, oRun);
  AddDumpAndOutput(*command, &options->dump, &options->output);
  command->add_flag("--explain", options->explain,
                    "On standard error, list for each object of the table the answers taken "
                    "from the dump and the placeholders, with their reasons");
}

}  // namespace mpgtree
