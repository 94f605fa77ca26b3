// mpgtree html: a dump, or the comparison of two, as one self-contained page to browse,
// search and compare in a browser.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "Commands.h"
#include "HtmlPages.h"
#include "Io.h"
#include "PageFile.h"
#include "Verdicts.h"

namespace mpgtree {

namespace {

/// "FROM-TO" into its two ordinals.
bool ParseOrdinals(const std::string& iText, std::int64_t* oFrom, std::int64_t* oTo) {
  const std::size_t dash = iText.find('-', 1);
  if (dash == std::string::npos) return false;
  char* end = nullptr;
  const std::string from = iText.substr(0, dash), to = iText.substr(dash + 1);
  *oFrom = std::strtoll(from.c_str(), &end, 10);
  if (from.empty() || *end) return false;
  *oTo = std::strtoll(to.c_str(), &end, 10);
  return !to.empty() && !*end && *oFrom <= *oTo;
}

struct HtmlOptions {
  std::vector<std::string> dumps;
  bool diff = false;
  std::string output;
  std::string uuid, name, ordinals;
  std::uint64_t maxRows = kDefaultPageRowLimit;
  zyn::reader::DiffFilterOptions diffFilter;
};

int RunHtml(const CommonOptions& iCommon, const HtmlOptions& iOptions) {
  PageRequest request;
  request.read = iCommon.ReadOptions();
  request.maxRows = iOptions.maxRows;
  request.diffFilter = iOptions.diffFilter;
  request.filter.uuid = iOptions.uuid;
  request.filter.name = iOptions.name;
  if (!iOptions.ordinals.empty()) {
    std::int64_t from = 0, to = 0;
    if (!ParseOrdinals(iOptions.ordinals, &from, &to)) {
      Complain("html: --ordinals takes FROM-TO, two ordinals with FROM not above TO: " +
               iOptions.ordinals);
      return kExitTrouble;
    }
    request.filter.ordinals = std::make_pair(from, to);
  }
  if (iOptions.dumps.size() != (iOptions.diff ? 2u : 1u)) {
    Complain(iOptions.diff ? "html --diff takes two dumps, A and B" : "html takes one dump");
    return kExitTrouble;
  }
  if (!iOptions.diff && iOptions.diffFilter.Filters()) {
    Complain("html: --ignore sets aside fields of a comparison: it needs --diff A B");
    return kExitTrouble;
  }
  if (iOptions.diff && iOptions.dumps[0] == "-" && iOptions.dumps[1] == "-") {
    Complain("html: only one of the dumps can be standard input");
    return kExitTrouble;
  }
  if (!OutputsDistinctFromInputs(iOptions.dumps, iOptions.output)) return kExitTrouble;
  std::vector<std::unique_ptr<DumpInput>> inputs;
  for (const std::string& path : iOptions.dumps) {
    inputs.push_back(DumpInput::Open(path));
    if (!inputs.back()) return kExitTrouble;
  }
  std::vector<zyn::reader::Verdict> verdicts;
  std::optional<PageData> data = iOptions.diff
                                     ? BuildDiffPage(*inputs[0], *inputs[1], request, &verdicts)
                                     : BuildDumpPage(*inputs[0], request, &verdicts);
  if (!data) return kExitTrouble;
  if (!WritePage(*data, iOptions.output)) return kExitOutput;
  // Only dumps read with --lenient come this far when not whole: status 1, with the counts.
  int status = kExitOk;
  for (std::size_t i = 0; i < verdicts.size(); ++i)
    status = WorseStatus(status, StatusOfVerdict(inputs[i]->Name(), verdicts[i], iCommon.lenient));
  if (data->Rows() || !request.filter.Narrows()) return status;
  Complain("html: " + data->WhyEmpty());
  return WorseStatus(status, kExitNo);
}

}  // namespace

void AddHtmlCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  const auto [command, options] =
      AddSubcommand<HtmlOptions>(iApp, kHtmlSubcommand, iCommon, RunHtml, oRun);
  command
      ->add_option("DUMP", options->dumps, "The dump (two with --diff); '-' reads standard input")
      ->required()
      ->expected(-1);
  command->add_flag("--diff", options->diff, "Show the comparison of two dumps, A and B");
  AddDiffFilterOptions(*command, &options->diffFilter, false);
  command->add_option("-o,--output", options->output, "The page to write; '-' for standard output")
      ->type_name("PAGE.html")
      ->required();
  command
      ->add_option("--uuid", options->uuid,
                   "Only the DMT rows holding this uuid (their own, an RMT row's or a "
                   "component's)")
      ->type_name("UUID");
  command
      ->add_option("--name", options->name,
                   "Only the DMT rows with a name (of a component, a path, a provider) "
                   "holding this text")
      ->type_name("TEXT");
  command->add_option("--ordinals", options->ordinals, "Only the DMT rows of these ordinals")
      ->type_name("FROM-TO");
  command
      ->add_option("--max-rows", options->maxRows,
                   "Refuse to write a page of more DMT rows than this (a browser must hold them "
                   "all)")
      ->type_name("N")
      ->capture_default_str();
}

}  // namespace mpgtree
