// mpgtree find: the original text of each DMT row, RMT row or component that matches a uuid
// (rows, file-based components, Orv workspaces and elements) or a name (file-based
// components, aliases, providers, environments, contexts), with its line numbers.
#include <algorithm>
#include <cctype>

#include "Commands.h"
#include "Io.h"

namespace mpgtree {

namespace {

using namespace zyn::reader;

struct FindOptions {
  std::string dump;
  std::string uuid;
  std::string name;
};

bool SameUuid(std::string_view iA, std::string_view iB) {
  return iA.size() == iB.size() && std::equal(iA.begin(), iA.end(), iB.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

/// Writes each match as a heading and its lines, each line with its number.
class Finder : public DumpVisitor {
 public:
  Finder(const FindOptions& iOptions, TextOutput& iOutput, std::string iInput)
      : options_(iOptions), output_(iOutput), input_(std::move(iInput)) {}

  void OnManagerHeader(const ManagerHeader& iHeader) override {
    if (iHeader.hasContext && NameMatches(iHeader.contextName))
      Print("manager", iHeader.span, iHeader.text, iHeader.span.firstLine);
  }
  void OnDmtRow(const DmtRow& iRow) override {
    const std::uint64_t first = iRow.span.firstLine;
    if (UuidMatches(iRow.header.uuid)) Print("dmtRow", iRow.span, iRow.text, first);
    for (const ComponentPlace* place : {&iRow.nonM1Component, &iRow.m1Component})
      if (place->component) FindIn(*place->component, iRow.text, first);
    for (const RmtRow& row : iRow.rmtRows) FindIn(row, iRow.text, first);
  }
  void OnRmtRow(const RmtRow& iRow) override { FindIn(iRow, iRow.text, iRow.span.firstLine); }
  void OnComponent(const Component& iComponent) override {
    FindIn(iComponent, iComponent.text, iComponent.span.firstLine);
  }
  void OnEnvironment(const Environment& iEnvironment) override {
    if (NameMatches(iEnvironment.name))
      Print("environment", iEnvironment.span, iEnvironment.text, iEnvironment.span.firstLine);
  }
  bool OnProblem(const Problem& iProblem) override {
    ReportProblem(input_, iProblem);
    return true;
  }

  std::uint64_t Matches() const { return matches_; }

 private:
  bool UuidMatches(const std::optional<std::string>& iUuid) const {
    return !options_.uuid.empty() && iUuid && SameUuid(*iUuid, options_.uuid);
  }
  bool NameMatches(std::string_view iName) const {
    return !options_.name.empty() && iName.find(options_.name) != std::string_view::npos;
  }

  bool Matches(const Component& iComponent) const {
    if (const auto* file = std::get_if<FileBasedFields>(&iComponent.fields))
      return UuidMatches(file->uuid) || NameMatches(file->name);
    if (const auto* link = std::get_if<RmtFileBasedFields>(&iComponent.fields))
      return NameMatches(link->alias);
    if (const auto* provider = std::get_if<ProviderFields>(&iComponent.fields))
      return NameMatches(provider->providerName);
    if (const auto* orv = std::get_if<OrvFields>(&iComponent.fields); orv && orv->identity)
      return UuidMatches(orv->identity->workspaceUuid) || UuidMatches(orv->identity->elementUuid);
    return false;
  }

  void FindIn(const Component& iComponent, const std::string& iText, std::uint64_t iTextLine) {
    if (Matches(iComponent))
      Print(NodeKindName(iComponent.kind), iComponent.span, iText, iTextLine);
  }
  void FindIn(const RmtRow& iRow, const std::string& iText, std::uint64_t iTextLine) {
    if (UuidMatches(iRow.header.uuid)) Print("rmtRow", iRow.span, iText, iTextLine);
    for (const ComponentPlace* place :
         {&iRow.owner, &iRow.ref, &iRow.pointed, &iRow.nonM1Component})
      if (place->component) FindIn(*place->component, iText, iTextLine);
    for (const Component& component : iRow.m1Components) FindIn(component, iText, iTextLine);
  }

  /// The lines iSpan of iText, whose first line is iTextLine.
  void Print(std::string_view iKind, const SourceSpan& iSpan, const std::string& iText,
             std::uint64_t iTextLine) {
    ++matches_;
    out_ = "== " + input_ + ":" + std::to_string(iSpan.firstLine) + "-" +
           std::to_string(iSpan.lastLine) + ": " + std::string(iKind) + "\n";
    std::size_t start = 0;
    for (std::uint64_t line = iTextLine; start < iText.size() && line <= iSpan.lastLine; ++line) {
      std::size_t end = iText.find('\n', start);
      if (end == std::string::npos) end = iText.size();
      if (line >= iSpan.firstLine) {
        out_ += std::to_string(line) + ": ";
        out_.append(iText, start, end - start);
        out_ += '\n';
      }
      start = end + 1;
    }
    output_.Write(out_);
  }

  const FindOptions& options_;
  TextOutput& output_;
  std::string input_;
  std::string out_;
  std::uint64_t matches_ = 0;
};

int RunFind(const CommonOptions& iCommon, const FindOptions& iOptions) {
  if (iOptions.uuid.empty() == iOptions.name.empty()) {
    Complain("find: give either --uuid or --name");
    return kExitTrouble;
  }
  if (!OutputsDistinctFromInputs({iOptions.dump}, "-")) return kExitTrouble;
  std::unique_ptr<DumpInput> input = DumpInput::Open(iOptions.dump);
  if (!input) return kExitTrouble;
  std::unique_ptr<TextOutput> output = TextOutput::Open("-");
  input->ShowProgress(iCommon.progress);
  Finder finder(iOptions, *output, input->Name());
  ReadOptions options = iCommon.ReadOptions();
  options.keepText = true;
  const ReadOutcome outcome = ReadDump(input->Source(), options, finder);
  if (!output->Close()) return kExitOutput;
  if (!outcome.readFailure.empty()) {
    Complain(input->Name() + ": read error: " + outcome.readFailure);
    return kExitTrouble;
  }
  if (outcome.errors && !iCommon.lenient) return kExitTrouble;
  return finder.Matches() ? kExitOk : kExitNo;
}

}  // namespace

void AddFindCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  auto options = std::make_shared<FindOptions>();
  CLI::App* command = iApp.add_subcommand(
      "find",
      "Write the original text, with line numbers, of each DMT row, RMT row or component of "
      "DUMP that has the uuid U or whose name holds TEXT. Exit 0 found, 1 nothing found");
  command->add_option("DUMP", options->dump, "The dump; '-' reads standard input")->required();
  constexpr char kUuidHelp[] =
      "A uuid (any letter case): rows, file-based components, Orv workspaces and elements";
  constexpr char kNameHelp[] =
      "A text that the name holds: file-based components, RMT file-based aliases, providers, "
      "environments, the manager's context";
  CLI::Option* uuid = command->add_option("--uuid", options->uuid, kUuidHelp)->type_name("U");
  CLI::Option* name = command->add_option("--name", options->name, kNameHelp)->type_name("TEXT");
  uuid->excludes(name);
  command->callback([&iCommon, options, oRun] {
    *oRun = [&iCommon, options] { return RunFind(iCommon, *options); };
  });
}

}  // namespace mpgtree
