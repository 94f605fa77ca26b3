// mpgtree find: the original text of each DMT row, RMT row or component that matches a uuid
// (rows, file-based components, Orv workspaces and elements) or a name (file-based
// components, aliases, providers, environments, contexts), with its line numbers.
#include <algorithm>
#include <cctype>

#include "Commands.h"
#include "Io.h"
#include "Verdicts.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

namespace {

using namespace zyn::reader;

struct FindOptions {
  std::string dump;
  std::string uuid;  // as given; its 32 digits in uuidDigits
  std::string name;
  bool uuidGiven = false;  // --uuid, even empty
  bool nameGiven = false;  // --name, even empty
  bool ignoreCase = false;
  bool quiet = false;
  std::string uuidDigits;  // lowercase, without dashes
};

/// The hexadecimal digits of a uuid in lowercase, dashes left out: what table files accept
/// (32 digits, either case, dashes anywhere). Empty when iText is no uuid.
std::string UuidDigits(std::string_view iText) {
  std::string digits;
  for (const char c : iText) {
    if (c == '-') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
    digits.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  return digits.size() == 32 ? digits : std::string();
}

char Lower(char iByte) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(iByte)));
}

/// Whether iText holds iPart, letter case ignored (ASCII letters) when iIgnoreCase.
bool Holds(std::string_view iText, std::string_view iPart, bool iIgnoreCase) {
  if (!iIgnoreCase) return iText.find(iPart) != std::string_view::npos;
  return std::search(iText.begin(), iText.end(), iPart.begin(), iPart.end(),
                     [](char a, char b) { return Lower(a) == Lower(b); }) != iText.end();
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
    if (!options_.quiet || iProblem.severity != Severity::Note) ReportProblem(input_, iProblem);
    return true;
  }

  std::uint64_t Matches() const { return matches_; }

 private:
  bool UuidMatches(const std::optional<std::string>& iUuid) const {
    return !options_.uuidDigits.empty() && iUuid && UuidDigits(*iUuid) == options_.uuidDigits;
  }
  bool NameMatches(std::string_view iName) const {
    return !options_.name.empty() && Holds(iName, options_.name, options_.ignoreCase);
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

/// Bad usage of find's options: the message, or empty when they are good. Sets uuidDigits.
std::string FindUsageError(FindOptions& ioOptions) {
  if (ioOptions.nameGiven && ioOptions.name.empty())
    return "find: --name '' names nothing: give a text that the name holds";
  if (ioOptions.uuidGiven == ioOptions.nameGiven) return "find: give either --uuid or --name";
  if (!ioOptions.uuidGiven) return {};
  ioOptions.uuidDigits = UuidDigits(ioOptions.uuid);
  if (ioOptions.uuidDigits.empty())
    return "find: --uuid '" + ioOptions.uuid +
           "' is no uuid: a uuid is 32 hexadecimal digits, either case, dashes anywhere";
  return {};
}

int RunFind(const CommonOptions& iCommon, FindOptions& ioOptions) {
  if (const std::string error = FindUsageError(ioOptions); !error.empty()) {
    Complain(error);
    return kExitTrouble;
  }
  DumpAndOutput opened;
  if (const int status = OpenDumpAndOutput(iCommon, ioOptions.dump, "-", &opened)) return status;
  DumpInput* const input = opened.input.get();
  TextOutput* const output = opened.output.get();
  Finder finder(ioOptions, *output, input->Name());
  ReadOptions options = iCommon.ReadOptions();
  options.keepText = true;
  const JudgedReading reading = ReadJudged(input->Source(), options, finder);
  if (!output->Close()) return kExitOutput;
  const int status = StatusOfVerdict(input->Name(), reading.verdict, iCommon.lenient);
  if (status != kExitOk) return status;
  return finder.Matches() ? kExitOk : kExitNo;
}

}  // namespace

void AddFindCommand(CLI::App& iApp, const CommonOptions& iCommon, Run* oRun) {
  auto options = std::make_shared<FindOptions>();
  CLI::App* command = iApp.add_subcommand(kFindSubcommand.name, kFindSubcommand.description);
  AddDumpArgument(*command, &options->dump);
  constexpr char kUuidHelp[] =
      "A uuid (32 hexadecimal digits, either case, dashes anywhere): rows, file-based "
      "components, Orv workspaces and elements";
  constexpr char kNameHelp[] =
      "A text that the name holds: file-based components, RMT file-based aliases, providers, "
      "environments, the manager's context";
  CLI::Option* uuid = command->add_option("--uuid", options->uuid, kUuidHelp)->type_name("U");
  CLI::Option* name = command->add_option("--name", options->name, kNameHelp)->type_name("TEXT");
  uuid->excludes(name);
  command->add_flag("-i,--ignore-case", options->ignoreCase,
                    "--name matches a name in any letter case");
  command->add_flag("-q,--quiet", options->quiet, "Leave the reader's notes out");
  command->callback([&iCommon, options, oRun, uuid, name] {
    options->uuidGiven = uuid->count() > 0;
    options->nameGiven = name->count() > 0;
    *oRun = [&iCommon, options] { return RunFind(iCommon, *options); };
  });
}

}  // namespace mpgtree
