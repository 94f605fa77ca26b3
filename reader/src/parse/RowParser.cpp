// Reads the blocks of DMT rows and RMT rows: header, info or state line, component places,
// counts, nested rows and the closing line that repeats the ordinal and the uuid.
#include <algorithm>

#include "parse/DumpTexts.h"
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

/// The fixed texts around the ordinal and the uuid of one kind of row.
struct RowMarks {
  std::string_view unnumbered;  // after the tag, when there is no ordinal
  std::string_view numbered;    // after the ordinal
  std::string_view rule;        // after the uuid
  const char* what;
};
// The dump's texts (kName) and the matching helpers over a line's bytes.
using namespace text;

namespace {

constexpr RowMarks kDmtMarks{kDmtUnnumberedMark, kDmtNumberedMark, kDmtRule, "DMT row"};
constexpr RowMarks kRmtMarks{kRmtUnnumberedMark, kRmtNumberedMark, kRmtRule, "RMT row"};

/// The start of the closing of a DMT row's list of RMT rows, in either form.
constexpr std::string_view kRmtListClosingLead =
    kOutputRmtListClosing.substr(0, kOutputRmtListClosing.size() - 1);

bool IsComponentOpening(std::string_view iText) { return Parser::OpensComponent(iText); }

/// Starts a row at its opening line iLine: what every row has is reset. The uuid of the row's
/// last closing line goes to ioSpares, whose room a next closing line's uuid takes. Answers the
/// row's first line.
template <class Row>
std::uint64_t BeginRow(const Line& iLine, Row* oRow, Spares* ioSpares) {
  oRow->span = SourceSpan{iLine.number, iLine.number, iLine.column};
  oRow->reading = Reading{};
  if (oRow->closing) ioSpares->RetireText(&oRow->closing->uuid);
  oRow->closing.reset();
  oRow->alreadyExists = false;
  oRow->modificationState = 0;
  return iLine.number;
}

}  // namespace

bool Parser::OpensDmtRow(std::string_view iText) { return StartsWith(iText, kDmtOpening); }
bool Parser::OpensRmtRow(std::string_view iText) { return StartsWith(iText, kRmtOpening); }

bool Parser::ReadOrdinal(const Line& iLine, std::string_view* ioRest, const RowMarks& iMarks,
                         std::optional<std::int32_t>* oOrdinal) {
  if (Eat(ioRest, iMarks.unnumbered)) {
    oOrdinal->reset();
    return true;
  }
  std::string_view number;
  if (Eat(ioRest, "  ") && text::SplitAfterDigits(ioRest, iMarks.numbered, &number)) {
    *oOrdinal = text::Int32(number);
    if (*oOrdinal && **oOrdinal != 0) return true;
  }
  Unplaced(iLine, iLine.text.size() - ioRest->size(),
           Expected("the ordinal and %", iMarks.numbered));
  return false;
}

bool Parser::ReadUuid(const Line& iLine, std::string_view* ioRest, const RowMarks& iMarks,
                      std::optional<std::string>* oUuid) {
  std::string_view uuid;
  if (!text::SplitAt(ioRest, iMarks.rule, &uuid)) {
    Unplaced(iLine, iLine.text.size() - ioRest->size(), Expected("the uuid and %", iMarks.rule));
    return false;
  }
  if (uuid == kInvalidUuid) {
    oUuid->reset();
    return true;
  }
  if (*oUuid)
    text::Assign(&**oUuid, uuid);
  else
    oUuid->emplace(uuid);
  if (uuid.empty())
    SplitBetweenSinks(iLine.number, iLine.column,
                      std::string("the ") + iMarks.what +
                          "'s uuid is missing from this line: it was written to the other sink, "
                          "the trace tool having changed validity during the dump");
  return true;
}

bool Parser::ReadRowHeader(std::string_view iTag, const RowMarks& iMarks, std::string_view iNextRow,
                           std::string_view iListClosing, RowHeader* oHeader,
                           std::string_view* oAfterRule) {
  const Line* line = Current();
  std::string_view rest = line->text.substr(iTag.size());
  // The uuid is read into the room of the row's last one: a row reads with no allocation.
  std::optional<std::string> uuid = std::move(oHeader->uuid);
  *oHeader = RowHeader{};
  if (!ReadOrdinal(*line, &rest, iMarks, &oHeader->ordinal)) return false;
  // The row lacks an interface: its dump stopped here, with no uuid and no line end.
  if ((rest.empty() && !line->ended) || StartsWith(rest, iNextRow) ||
      StartsWith(rest, iListClosing)) {
    oHeader->stoppedAfterFirstPiece = true;
    if (rest.empty())
      Take();
    else
      KeepRest(line->text.size() - rest.size());
    return true;
  }
  if (!ReadUuid(*line, &rest, iMarks, &uuid)) return false;
  oHeader->uuid = std::move(uuid);
  *oAfterRule = rest;
  return true;
}

bool Parser::ReadRowClosing(std::string_view iTag, const RowMarks& iMarks,
                            std::optional<RowClosing>* oClosing) {
  const Line* line = Expect([&] { return Expected("the closing line (%)", iTag); },
                            [iTag](std::string_view iText) { return StartsWith(iText, iTag); });
  if (!line) return false;
  std::optional<std::string> uuid = spares_.TakeText();  // read into the room of a spare
  RowClosing& closing = oClosing->emplace();
  closing.line = line->number;
  std::string_view rest = line->text.substr(iTag.size());
  if (ReadOrdinal(*line, &rest, iMarks, &closing.ordinal) &&
      ReadUuid(*line, &rest, iMarks, &uuid)) {
    closing.uuid = std::move(uuid);
    if (!rest.empty()) Unplaced(*line, line->text.size() - rest.size(), "the line's end");
  }
  Take();
  return true;
}

void Parser::ReadComponentPlace(ComponentPlace* oPlace, std::string_view iAbsent) {
  const Line* line = Current();
  if (line && !iAbsent.empty() && line->text == iAbsent) {
    FillPlace(oPlace, ComponentPresence::Absent);
    Take();
  } else if (line && IsComponentOpening(line->text)) {
    ParseComponent(FillPlace(oPlace, ComponentPresence::Dumped));
  } else {
    FillPlace(oPlace, ComponentPresence::NothingWritten);
  }
}

void Parser::ReadHexIdentifier(HexIdentifier* oIdentifier, std::string_view iPresent,
                               std::string_view iAbsent) {
  const Line* line = Current();
  oIdentifier->hexadecimal.clear();
  if (line && StartsWith(line->text, iPresent)) {
    oIdentifier->presence = IdentifierPresence::Present;
    text::Assign(&oIdentifier->hexadecimal, line->text.substr(iPresent.size()));
    Take();
  } else if (line && line->text == iAbsent) {
    oIdentifier->presence = IdentifierPresence::Absent;
    Take();
  } else {
    oIdentifier->presence = IdentifierPresence::NotWritten;
  }
}

bool Parser::ExpectExactly(std::string_view iText) {
  if (!Expect([&] { return Expected("%", iText); },
              [iText](std::string_view iLine) { return iLine == iText; }))
    return false;
  Take();
  return true;
}

void Parser::ParseDmtInfo(DmtRow* oRow) {
  const Line* line =
      ExpectLead(kDmtInfoLead, [] { return Expected("the info line (%)", kDmtInfoLead); });
  if (!line) return;
  std::string_view rest = line->text.substr(kDmtInfoLead.size());
  // The element's state is read from the end: the mapping master's text keeps the rest.
  const std::size_t exists = rest.rfind(kDmtExists), fresh = rest.rfind(kDmtNew);
  const std::size_t at = exists == std::string_view::npos  ? fresh
                         : fresh == std::string_view::npos ? exists
                                                           : std::max(exists, fresh);
  std::string_view state = at == std::string_view::npos ? std::string_view() : rest.substr(at);
  if (at == std::string_view::npos || !text::EatEnd(&state, kDmtInfoEnd)) {
    Unplaced(*line, kDmtInfoLead.size(),
             Expected("the mapping master, the element's state and %", kDmtInfoEnd));
    if (Stopped()) return;
    Take();
    return;
  }
  text::Assign(&oRow->mappingMaster, rest.substr(0, at));
  oRow->alreadyExists = at == exists;
  state.remove_prefix(oRow->alreadyExists ? kDmtExists.size() : kDmtNew.size());
  const std::optional<std::int32_t> modification = text::Int32(state);
  if (!modification)
    Unplaced(*line, line->text.size() - kDmtInfoEnd.size() - state.size(), "a number");
  oRow->modificationState = modification.value_or(0);
  Take();
}

void Parser::ParseDmtComponents(DmtRow* oRow) {
  if (!ExpectExactly(kNonM1Opening)) return;
  ReadComponentPlace(&oRow->nonM1Component, kNoNonM1Component);
  ReadHexIdentifier(&oRow->nonM1ComponentVersion, kNonM1VersionLead, kNoNonM1Version);
  if (!ExpectExactly(kNonM1Closing) || !ExpectExactly(kM1Opening)) return;
  ReadComponentPlace(&oRow->m1Component, kNoM1Component);
  ReadHexIdentifier(&oRow->m1ComponentVersion, kM1VersionLead, kNoM1Version);
  ReadHexIdentifier(&oRow->m1ComponentMajorId, kM1MajorIdLead, kNoM1MajorId);
  ExpectExactly(kM1Closing);
}

void Parser::ParseDmtRmtRows(DmtRow* oRow) {
  const Line* line =
      ExpectLead(kRmtCountLead, [] { return Expected("the RMT row count (%)", kRmtListTag); });
  if (!line) return;
  std::string_view count = line->text.substr(kRmtCountLead.size());
  if (!count.empty() && count.back() == ' ') count.remove_suffix(1);  // the trace tool's blank
  oRow->announcedRmtRowCount = text::Int32(count);
  if (!oRow->announcedRmtRowCount) Unplaced(*line, kRmtCountLead.size(), "the number of RMT rows");
  Take();
  // The RMT rows of the row before are filled again, keeping what they hold in memory.
  std::size_t used = 0;
  for (line = Current(); line && OpensRmtRow(line->text); line = Current()) {
    if (used == oRow->rmtRows.size()) oRow->rmtRows.emplace_back();
    RmtRow& row = oRow->rmtRows[used++];
    const auto start = Position();
    {
      KeptText kept(*this, &row.text);
      ParseRmtRow(&row);
    }
    MoveOnFrom(start);
  }
  oRow->rmtRows.resize(used);
  rmtRowsRead_ = true;
  if (Expect([] { return Expected("%", kTraceRmtListClosing); },
             [](std::string_view iText) {
               return iText == kTraceRmtListClosing || iText == kOutputRmtListClosing;
             }))
    Take();
}

void Parser::ParseDmtRow(DmtRow* oRow) {
  const std::uint64_t first = BeginRow(*Current(), oRow, &spares_);
  oRow->announcedRmtRowCount.reset();
  const std::size_t places = AwaitPlaces({&oRow->nonM1Component, &oRow->m1Component});
  oRow->nonM1ComponentVersion = oRow->m1ComponentVersion = oRow->m1ComponentMajorId =
      HexIdentifier{};
  oRow->mappingMaster.clear();
  KeptText kept(*this, &oRow->text);
  OpenBlock block(*this, "DMT row", first);
  rmtRowsRead_ = false;
  ReadDmtRowLines(oRow, first);
  if (!rmtRowsRead_) oRow->rmtRows.clear();
  SettlePlaces(places);
  oRow->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

void Parser::ReadDmtRowLines(DmtRow* oRow, std::uint64_t iFirst) {
  const Line* line = Current();
  std::string_view after;
  if (!ReadRowHeader(kDmtOpening, kDmtMarks, kDmtOpening, kRowListClosing, &oRow->header, &after)) {
    if (!Stopped()) Take();
    return;
  }
  if (oRow->header.stoppedAfterFirstPiece) return;
  if (after == kDmtClosing || (StartsWith(after, " ") && after.substr(1) == kDmtClosing)) {
    oRow->header.headerOnly = true;
    oRow->closing.emplace(RowClosing{iFirst, oRow->header.ordinal, oRow->header.uuid});
    Take();
    return;
  }
  if (!after.empty() && after != " ")
    Unplaced(*line, line->text.size() - after.size(), "the line's end");
  Take();
  ParseDmtInfo(oRow);
  ParseDmtComponents(oRow);
  ParseDmtRmtRows(oRow);
  ReadRowClosing(kDmtClosing, kDmtMarks, &oRow->closing);
}

void Parser::ParseRmtState(RmtRow* oRow) {
  const Line* line = ExpectLead(kMigrationStateLead,
                                [] { return Expected("the state line (%)", kMigrationStateLead); });
  if (!line) return;
  std::string_view rest = line->text.substr(kMigrationStateLead.size());
  bool good = true;
  if (Eat(&rest, kTrue))
    oRow->migrationState = true;
  else if (Eat(&rest, kFalse))
    oRow->migrationState = false;
  else
    good = false;
  if (good && Eat(&rest, kRmtExists))
    oRow->alreadyExists = true;
  else if (good && Eat(&rest, kRmtNew))
    oRow->alreadyExists = false;
  else
    good = false;
  std::optional<std::int32_t> state;
  if (good && Eat(&rest, kRmtStateLabel)) state = text::Int32(rest);
  if (!state) {
    Unplaced(*line, line->text.size() - rest.size(),
             Expected("TRUE or FALSE, the element's state and % with a number", kRmtStateLabel));
    if (Stopped()) return;
  }
  oRow->modificationState = state.value_or(0);
  Take();
}

void Parser::ParseRmtComponents(RmtRow* oRow) {
  struct Label {
    std::string_view trace, output;
    ComponentPlace* place;
  };
  const Label labels[] = {{kOwner, kOwner, &oRow->owner},
                          {kRef, kRef, &oRow->ref},
                          {kTracePointed, kOutputPointed, &oRow->pointed}};
  for (const Label& label : labels) {
    const Line* line = Current();
    if (!line || (line->text != label.trace && line->text != label.output)) continue;
    Take();
    ReadComponentPlace(label.place, {});
  }
  // The non-M1 block: standard output writes its tags without the opening angle bracket.
  const Line* line = Expect([] { return Expected("%", kNonM1Opening); },
                            [](std::string_view iText) {
                              return iText == kNonM1Opening || iText == kOutputNonM1Opening;
                            });
  if (!line) return;
  if (line->text[0] == '<') Saw(Form::Trace, *line);
  Take();
  ReadComponentPlace(&oRow->nonM1Component, {});
  line = Expect([] { return Expected("%", kNonM1Closing); },
                [](std::string_view iText) {
                  return iText == kNonM1Closing || iText == kOutputNonM1Closing;
                });
  if (!line) return;
  if (line->text[0] == '<') Saw(Form::Trace, *line);
  Take();
}

void Parser::ParseRmtM1Components(RmtRow* oRow) {
  std::size_t used = 0;
  const Line* line = Expect([] { return Expected("% or %", kM1ListTag, kNoM1Components); },
                            [](std::string_view iText) {
                              return iText == kNoM1Components || StartsWith(iText, kM1CountLead);
                            });
  if (line && line->text == kNoM1Components) {
    oRow->announcedM1ComponentCount.reset();
    Take();
  } else if (line) {
    oRow->announcedM1ComponentCount = text::Int32(line->text.substr(kM1CountLead.size()));
    if (!oRow->announcedM1ComponentCount)
      Unplaced(*line, kM1CountLead.size(), "the number of M1 components");
    Take();
    for (line = Current(); line && OpensComponent(line->text); line = Current()) {
      if (used == oRow->m1Components.size()) oRow->m1Components.emplace_back();
      ParseComponent(&oRow->m1Components[used++]);
    }
    if (!Stopped()) ExpectExactly(kM1ListClosing);
  }
  for (std::size_t i = used; i < oRow->m1Components.size(); ++i)
    spares_.RetireTexts(&oRow->m1Components[i]);
  oRow->m1Components.resize(used);
}

void Parser::ParseRmtRow(RmtRow* oRow) {
  const Line* line = Current();
  const std::uint64_t first = BeginRow(*line, oRow, &spares_);
  oRow->migrationState = false;
  const std::size_t places =
      AwaitPlaces({&oRow->owner, &oRow->ref, &oRow->pointed, &oRow->nonM1Component});
  oRow->announcedM1ComponentCount.reset();
  OpenBlock block(*this, "RMT row", first);
  std::string_view after;
  bool whole = false;
  if (!ReadRowHeader(kRmtOpening, kRmtMarks, kRmtOpening, kRmtListClosingLead, &oRow->header,
                     &after)) {
    if (!Stopped()) Take();
  } else if (oRow->header.stoppedAfterFirstPiece) {
  } else if (StartsWith(after, "  ") && after.substr(2) == kRmtClosing) {
    oRow->header.headerOnly = true;
    oRow->closing.emplace(RowClosing{first, oRow->header.ordinal, oRow->header.uuid});
    Take();
  } else {
    if (after != "  ")
      Unplaced(*line, line->text.size() - after.size(), "two blanks and the line's end");
    if (!Stopped()) Take();
    whole = true;
  }
  if (whole) {
    ParseRmtState(oRow);
    ParseRmtComponents(oRow);
    ParseRmtM1Components(oRow);
    ReadRowClosing(kRmtClosing, kRmtMarks, &oRow->closing);
  } else {
    for (Component& component : oRow->m1Components) spares_.RetireTexts(&component);
    oRow->m1Components.clear();
  }
  SettlePlaces(places);
  oRow->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

}  // namespace zyn::reader
