// Reads the manager's dump (header, counts, its DMT rows and its closing tags) and the
// environment's block.
#include "parse/DumpTexts.h"
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

// The dump's texts (kName) and the matching helpers over a line's bytes.
using namespace text;

bool Parser::OpensManager(std::string_view iText) {
  return iText == kManagerTraceOpening || iText == kManagerOutputOpening ||
         StartsWith(iText, kContextLead) || iText == kCompletionActive ||
         iText == kCompletionInactive;
}

bool Parser::ParseManagerHeader(ManagerHeader* oHeader) {
  const Line* line = Current();
  oHeader->span = SourceSpan{line->number, line->number, line->column};
  const bool opened = line->text == kManagerTraceOpening || line->text == kManagerOutputOpening;
  if (opened) {
    oHeader->hasContext = true;
    Take();
    if (!ExpectLead(kContextLead, [] { return Expected("the context name (%)", kContextLead); }))
      return false;
  }
  return ReadManagerInfo(oHeader, opened) && ReadListing(oHeader) && ReadRowCount(oHeader);
}

bool Parser::ReadManagerInfo(ManagerHeader* oHeader, bool iOpened) {
  const Line* line = Current();
  if (line->text == kCompletionActive || line->text == kCompletionInactive) {
    oHeader->plmidCompletionActive = line->text == kCompletionActive;
    Take();
    return true;
  }
  if (!StartsWith(line->text, kContextLead)) {
    Unplaced(*line, 0, "the completion text");
    return false;
  }
  if (!iOpened)
    SplitBetweenSinks(line->number, line->column,
                      "the manager's opening tag is missing before its context name: it was "
                      "written to the other sink");
  oHeader->hasContext = true;
  // A context name holding line ends goes on until the completion text ends a line, and while
  // the next line ends with it again.
  auto endsInfo = [](std::string_view iText) { return EndsWith(iText, kManagerInfoClosing); };
  std::string_view info =
      Gather(&gathered_, &oHeader->reading, endsInfo,
             [&](std::string_view, std::string_view iNext) { return endsInfo(iNext); });
  const Line infoLine{info, LastTakenLine(), 1, true};
  Eat(&info, kContextLead);
  if (EatEnd(&info, kCompletionActive)) {
    oHeader->plmidCompletionActive = true;
  } else if (EatEnd(&info, kCompletionInactive)) {
    oHeader->plmidCompletionActive = false;
  } else {
    Unplaced(infoLine, kContextLead.size(),
             Expected("the context name and the completion text (% or %)", kCompletionActive,
                      kCompletionInactive));
    return false;
  }
  text::Assign(&oHeader->contextName, info);
  return true;
}

bool Parser::ReadListing(ManagerHeader* oHeader) {
  const Line* line = Expect([] { return Expected("% or %", kAllRowsListed, kSavedRowsLead); },
                            [](std::string_view iText) {
                              return iText == kAllRowsListed || StartsWith(iText, kSavedRowsLead);
                            });
  if (!line) return false;
  if (line->text != kAllRowsListed) {
    oHeader->listing = Listing::ToBeSaved;
    oHeader->allRowCount = text::Int32(line->text.substr(kSavedRowsLead.size()));
    if (!oHeader->allRowCount) Unplaced(*line, kSavedRowsLead.size(), "the number of all DMT rows");
  }
  Take();
  return true;
}

bool Parser::ReadRowCount(ManagerHeader* oHeader) {
  const bool saved = oHeader->listing == Listing::ToBeSaved;
  const Line* line = Expect(saved ? "the count of DMT rows to be saved" : "the count of DMT rows",
                            [saved](std::string_view iText) {
                              return saved ? StartsWith(iText, kTraceSavedCountLead) ||
                                                 StartsWith(iText, kOutputSavedCountLead)
                                           : StartsWith(iText, kAllRowCountLead);
                            });
  if (!line) return false;
  std::string_view count = line->text;
  if (!Eat(&count, kAllRowCountLead) && !Eat(&count, kTraceSavedCountLead))
    Eat(&count, kOutputSavedCountLead);
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
    if (line->text == kRowListClosing || line->text == kManagerClosing ||
        line->text == kEnvironmentOpening || OpensManager(line->text))
      break;
    NotExpected(
        *line, Expected("a DMT row (%) or %", kDmtOpening, kRowListClosing),
        [](std::string_view iText) { return OpensDmtRow(iText) || iText == kRowListClosing; });
    if (!options_.lenient) break;
    KeepRaw();
  }
  if (const Line* line = Current()) trailer.span = SourceSpan{line->number, line->number, 1};
  {
    KeptText kept(*this, &trailer.text);
    OpenBlock block(*this, "manager", header.span.firstLine);
    if (Expect([] { return Expected("%", kRowListClosing); },
               [](std::string_view iText) { return iText == kRowListClosing; })) {
      trailer.listClosingLine = Current()->number;
      Take();
    }
    if (Expect([] { return Expected("%", kManagerClosing); },
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
  if (ExpectLead(kEnvironmentNameLead,
                 [] { return Expected("the info line (%)", kEnvironmentNameLead); })) {
    // A name holding line ends goes on until the mapping master's label, and while the next line
    // holds that label again.
    std::string_view info = Gather(
        &gathered_, &environment.reading,
        [](std::string_view iText) {
          const std::size_t client = text::Find(iText, kClientLabel);
          return client != std::string_view::npos &&
                 text::Find(iText, kMasterLabel, client) != std::string_view::npos;
        },
        [](std::string_view, std::string_view iNext) {
          return !StartsWith(iNext, kDirectoryLead) &&
                 text::Find(iNext, kMasterLabel) != std::string_view::npos;
        });
    const Line infoLine{info, LastTakenLine(), 1, true};
    Eat(&info, kEnvironmentNameLead);
    // The client and the master are read from the end: the name keeps the rest.
    std::string_view client, master;
    if (text::SplitAtLast(&info, kMasterLabel, &master) &&
        text::SplitAtLast(&info, kClientLabel, &client)) {
      text::Assign(&environment.name, info);
      text::Assign(&environment.mappingClient, client);
      text::Assign(&environment.mappingMaster, master);
      JoinContinuation(&environment.mappingMaster, &environment.reading,
                       [](std::string_view iText) {
                         return StartsWith(iText, kDirectoryLead) || iText == kEnvironmentClosing;
                       });
    } else {
      Unplaced(infoLine, kEnvironmentNameLead.size(),
               Expected("% and % after the name", kClientLabel, kMasterLabel));
    }
  }
  const Line* line = Current();
  if (line && StartsWith(line->text, kDirectoryLead)) {
    environment.directory.emplace(line->text.substr(kDirectoryLead.size()));
    Take();
    JoinContinuation(&*environment.directory, &environment.reading,
                     [](std::string_view iText) { return iText == kEnvironmentClosing; });
  }
  if (!Stopped() && ExpectExactly(kEnvironmentClosing)) environment.closed = true;
  environment.span.lastLine = LastTakenLine();
  visitor_.OnEnvironment(environment);
}

}  // namespace zyn::reader
