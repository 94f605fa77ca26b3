// Reads the manager's dump (header, counts, its DMT rows and its closing tags) and the
// environment's block.
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

using text::Eat;
using text::EatEnd;
using text::StartsWith;

namespace {

constexpr std::string_view kTraceOpening = "<Dump Mapping Manager>";
constexpr std::string_view kOutputOpening = "<DUMP Mapping Manager>";
constexpr std::string_view kContextLead = "<MpgManagerInfo> Context Name= ";
constexpr std::string_view kActive = ", Completion of PLMID is active. </MpgManagerInfo>";
constexpr std::string_view kInactive = "No Completion of PLMIDs. </MpgManagerInfo>";
constexpr std::string_view kAllCount = "<DUMP of DMTElements> Number of DMT Elements : ";
constexpr std::string_view kTraceSavedCount =
    "<DUMP of DMTElements> Number of DMT Elements to be saved: ";
constexpr std::string_view kOutputSavedCount =
    "<DUMP DMTElements> Number of DMT Elements to be saved: ";
constexpr std::string_view kListClosing = "</DUMP of DMTElements>";
constexpr std::string_view kManagerClosing = "</DUMP Mapping Manager>";
constexpr std::string_view kClientLabel = ", MappingClient :";
constexpr std::string_view kMasterLabel = ", MappingMaster :";

}  // namespace

bool Parser::OpensManager(std::string_view iText) {
  return iText == kTraceOpening || iText == kOutputOpening || StartsWith(iText, kContextLead) ||
         iText == kActive || iText == kInactive;
}

bool Parser::ParseManagerHeader(ManagerHeader* oHeader) {
  const Line* line = Current();
  oHeader->span = SourceSpan{line->number, line->number, line->column};
  const bool opened = line->text == kTraceOpening || line->text == kOutputOpening;
  if (opened) {
    oHeader->hasContext = true;
    Take();
    if (!Expect("the context name (\"<MpgManagerInfo> Context Name= \")",
                [](std::string_view iText) { return StartsWith(iText, kContextLead); }))
      return false;
  }
  line = Current();
  if (StartsWith(line->text, kContextLead)) {
    if (!opened)
      SplitBetweenSinks(line->number, line->column,
                        "the manager's opening tag is missing before its context name: it was "
                        "written to the other sink");
    oHeader->hasContext = true;
    // A context name holding line ends goes on until the completion text ends a line, and while
    // the next line ends with it again.
    auto endsInfo = [](std::string_view iText) {
      return text::EndsWith(iText, "</MpgManagerInfo>");
    };
    std::string_view info = Gather(&gathered_, &oHeader->reading, endsInfo, endsInfo);
    const Line infoLine{info, LastTakenLine(), 1, true};
    Eat(&info, kContextLead);
    if (EatEnd(&info, kActive)) {
      oHeader->plmidCompletionActive = true;
    } else if (EatEnd(&info, kInactive)) {
      oHeader->plmidCompletionActive = false;
    } else {
      Unplaced(infoLine, kContextLead.size(),
               "the context name and the completion text (\", Completion of PLMID is active. "
               "</MpgManagerInfo>\" or \"No Completion of PLMIDs. </MpgManagerInfo>\")");
      return false;
    }
    oHeader->contextName.assign(info);
  } else if (line->text == kActive || line->text == kInactive) {
    oHeader->plmidCompletionActive = line->text == kActive;
    Take();
  } else {
    Unplaced(*line, 0, "the completion text");
    return false;
  }
  line = Expect("\"DUMP all DMTElements\" or \"all DMTElements :\"", [](std::string_view iText) {
    return iText == "DUMP all DMTElements" || StartsWith(iText, "all DMTElements :");
  });
  if (!line) return false;
  if (line->text != "DUMP all DMTElements") {
    oHeader->listing = Listing::ToBeSaved;
    oHeader->allRowCount = text::Int32(line->text.substr(17));
    if (!oHeader->allRowCount) Unplaced(*line, 17, "the number of all DMT rows");
  }
  Take();
  const bool saved = oHeader->listing == Listing::ToBeSaved;
  line = Expect(saved ? "the count of DMT rows to be saved" : "the count of DMT rows",
                [saved](std::string_view iText) {
                  return saved ? StartsWith(iText, kTraceSavedCount) ||
                                     StartsWith(iText, kOutputSavedCount)
                               : StartsWith(iText, kAllCount);
                });
  if (!line) return false;
  std::string_view count = line->text;
  if (!Eat(&count, kAllCount) && !Eat(&count, kTraceSavedCount)) Eat(&count, kOutputSavedCount);
  const std::optional<std::int32_t> announced = text::Int32(count);
  if (!announced) Unplaced(*line, line->text.size() - count.size(), "the number of DMT rows");
  oHeader->announcedRowCount = announced.value_or(0);
  Take();
  return true;
}

void Parser::ParseManager() {
  ManagerHeader header;
  ManagerTrailer trailer;
  {
    KeptText kept(*this, &header.text);
    OpenBlock block(*this, "manager's header", Current()->number);
    ParseManagerHeader(&header);
    header.span.lastLine = LastTakenLine();
  }
  visitor_.OnManagerHeader(header);
  for (const Line* line = Current(); line; line = Current()) {
    if (OpensDmtRow(line->text)) {
      const auto start = Position();
      ParseDmtRow(&dmtRow_);
      visitor_.OnDmtRow(dmtRow_);
      ++trailer.rowsRead;
      MoveOnFrom(start);
      continue;
    }
    if (line->text == kListClosing || line->text == kManagerClosing ||
        line->text == "<Environment>" || OpensManager(line->text))
      break;
    NotExpected(*line, "a DMT row (\"<DMTElement>\") or \"</DUMP of DMTElements>\"",
                [](std::string_view iText) { return OpensDmtRow(iText) || iText == kListClosing; });
    if (!options_.lenient) break;
    KeepRaw();
  }
  if (const Line* line = Current()) trailer.span = SourceSpan{line->number, line->number, 1};
  {
    KeptText kept(*this, &trailer.text);
    OpenBlock block(*this, "manager", header.span.firstLine);
    if (Expect("\"</DUMP of DMTElements>\"",
               [](std::string_view iText) { return iText == kListClosing; })) {
      trailer.listClosingLine = Current()->number;
      Take();
    }
    if (Expect("\"</DUMP Mapping Manager>\"",
               [](std::string_view iText) { return iText == kManagerClosing; })) {
      trailer.managerClosingLine = Current()->number;
      Take();
    }
  }
  trailer.span.lastLine = LastTakenLine();
  managerClosingLine_ = trailer.managerClosingLine;
  visitor_.OnManagerTrailer(trailer);
}

void Parser::ParseEnvironment() {
  Environment environment;
  const std::uint64_t first = Current()->number;
  environment.span = SourceSpan{first, first, 1};
  environment.closed = false;
  KeptText kept(*this, &environment.text);
  OpenBlock block(*this, "environment", first);
  Take();
  if (Expect("the info line (\" Name :\")",
             [](std::string_view iText) { return StartsWith(iText, " Name :"); })) {
    // A name holding line ends goes on until the mapping master's label, and while the next line
    // holds that label again.
    std::string_view info = Gather(
        &gathered_, &environment.reading,
        [](std::string_view iText) {
          const std::size_t client = iText.find(kClientLabel);
          return client != std::string_view::npos &&
                 iText.find(kMasterLabel, client) != std::string_view::npos;
        },
        [](std::string_view iNext) {
          return !StartsWith(iNext, " Directory :") &&
                 iNext.find(kMasterLabel) != std::string_view::npos;
        });
    const Line infoLine{info, LastTakenLine(), 1, true};
    Eat(&info, " Name :");
    // The client and the master are read from the end: the name keeps the rest.
    std::string_view client, master;
    if (text::SplitAtLast(&info, kMasterLabel, &master) &&
        text::SplitAtLast(&info, kClientLabel, &client)) {
      environment.name.assign(info);
      environment.mappingClient.assign(client);
      environment.mappingMaster.assign(master);
      JoinContinuation(&environment.mappingMaster, &environment.reading,
                       [](std::string_view iText) {
                         return StartsWith(iText, " Directory :") || iText == "</Environment>";
                       });
    } else {
      Unplaced(infoLine, 7, "\", MappingClient :\" and \", MappingMaster :\" after the name");
    }
  }
  const Line* line = Current();
  if (line && StartsWith(line->text, " Directory :")) {
    environment.directory.emplace(line->text.substr(12));
    Take();
    JoinContinuation(&*environment.directory, &environment.reading,
                     [](std::string_view iText) { return iText == "</Environment>"; });
  }
  if (!Stopped() && ExpectExactly("</Environment>")) environment.closed = true;
  environment.span.lastLine = LastTakenLine();
  visitor_.OnEnvironment(environment);
}

}  // namespace zyn::reader
