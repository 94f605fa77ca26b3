// Reads the blocks of DMT rows and RMT rows: header, info or state line, component places,
// counts, nested rows and the closing line that repeats the ordinal and the uuid.
#include <algorithm>

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
using text::Eat;
using text::StartsWith;

namespace {

constexpr std::string_view kInvalidUuid = "invalid element uuid";

constexpr RowMarks kDmtMarks{"   *** uuid: ", " *** uuid: ", " ********************", "DMT row"};
constexpr RowMarks kRmtMarks{"  --- uuid: ", " --- uuid: ", " -------------------", "RMT row"};

constexpr std::string_view kDmtOpening = "<DMTElement>";
constexpr std::string_view kRmtOpening = "<RMTElement>";

bool IsComponentOpening(std::string_view iText) { return Parser::OpensComponent(iText); }

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
  if (Eat(ioRest, "  ") && text::SplitAt(ioRest, iMarks.numbered, &number)) {
    *oOrdinal = text::Int32(number);
    if (*oOrdinal && **oOrdinal != 0) return true;
  }
  Unplaced(iLine, iLine.text.size() - ioRest->size(),
           std::string("the ordinal and \"") + std::string(iMarks.numbered) + "\"");
  return false;
}

bool Parser::ReadUuid(const Line& iLine, std::string_view* ioRest, const RowMarks& iMarks,
                      std::optional<std::string>* oUuid) {
  std::string_view uuid;
  if (!text::SplitAt(ioRest, iMarks.rule, &uuid)) {
    Unplaced(iLine, iLine.text.size() - ioRest->size(),
             "the uuid and \"" + std::string(iMarks.rule) + "\"");
    return false;
  }
  if (uuid == kInvalidUuid) {
    oUuid->reset();
    return true;
  }
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
  if (!ReadUuid(*line, &rest, iMarks, &oHeader->uuid)) return false;
  *oAfterRule = rest;
  return true;
}

bool Parser::ReadRowClosing(std::string_view iTag, const RowMarks& iMarks,
                            std::optional<RowClosing>* oClosing) {
  const Line* line = Expect("the closing line (\"" + std::string(iTag) + "\")",
                            [iTag](std::string_view iText) { return StartsWith(iText, iTag); });
  if (!line) return false;
  RowClosing& closing = oClosing->emplace();
  closing.line = line->number;
  std::string_view rest = line->text.substr(iTag.size());
  if (ReadOrdinal(*line, &rest, iMarks, &closing.ordinal) &&
      ReadUuid(*line, &rest, iMarks, &closing.uuid) && !rest.empty())
    Unplaced(*line, line->text.size() - rest.size(), "the line's end");
  Take();
  return true;
}

void Parser::ReadComponentPlace(ComponentPlace* oPlace, std::string_view iAbsent) {
  const Line* line = Current();
  if (line && !iAbsent.empty() && line->text == iAbsent) {
    oPlace->presence = ComponentPresence::Absent;
    oPlace->component.reset();
    Take();
  } else if (line && IsComponentOpening(line->text)) {
    oPlace->presence = ComponentPresence::Dumped;
    ParseComponent(&oPlace->component.emplace());
  } else {
    oPlace->presence = ComponentPresence::NothingWritten;
    oPlace->component.reset();
  }
}

void Parser::ReadHexIdentifier(HexIdentifier* oIdentifier, std::string_view iPresent,
                               std::string_view iAbsent) {
  const Line* line = Current();
  oIdentifier->hexadecimal.clear();
  if (line && StartsWith(line->text, iPresent)) {
    oIdentifier->presence = IdentifierPresence::Present;
    oIdentifier->hexadecimal.assign(line->text.substr(iPresent.size()));
    Take();
  } else if (line && line->text == iAbsent) {
    oIdentifier->presence = IdentifierPresence::Absent;
    Take();
  } else {
    oIdentifier->presence = IdentifierPresence::NotWritten;
  }
}

bool Parser::ExpectExactly(std::string_view iText) {
  if (!Expect("\"" + std::string(iText) + "\"",
              [iText](std::string_view iLine) { return iLine == iText; }))
    return false;
  Take();
  return true;
}

void Parser::ParseDmtInfo(DmtRow* oRow) {
  const Line* line = Expect(
      "the info line (\"<DMTEltInfo> Mapping Master:\")",
      [](std::string_view iText) { return StartsWith(iText, "<DMTEltInfo> Mapping Master:"); });
  if (!line) return;
  std::string_view rest = line->text.substr(28);
  constexpr std::string_view kExists = ", DMT element already exists, ModificationState:";
  constexpr std::string_view kNew = ", New DMT element, ModificationState:";
  // The element's state is read from the end: the mapping master's text keeps the rest.
  const std::size_t exists = rest.rfind(kExists), fresh = rest.rfind(kNew);
  const std::size_t at = exists == std::string_view::npos  ? fresh
                         : fresh == std::string_view::npos ? exists
                                                           : std::max(exists, fresh);
  std::string_view state = at == std::string_view::npos ? std::string_view() : rest.substr(at);
  if (at == std::string_view::npos || !text::EatEnd(&state, " </DMTEltInfo>")) {
    Unplaced(*line, 28, "the mapping master, the element's state and \" </DMTEltInfo>\"");
    if (Stopped()) return;
    Take();
    return;
  }
  oRow->mappingMaster.assign(rest.substr(0, at));
  oRow->alreadyExists = at == exists;
  state.remove_prefix(oRow->alreadyExists ? kExists.size() : kNew.size());
  const std::optional<std::int32_t> modification = text::Int32(state);
  if (!modification) Unplaced(*line, line->text.size() - 14 - state.size(), "a number");
  oRow->modificationState = modification.value_or(0);
  Take();
}

void Parser::ParseDmtComponents(DmtRow* oRow) {
  if (!ExpectExactly("<Non-M1 Component>")) return;
  ReadComponentPlace(&oRow->nonM1Component, "No non-M1 component");
  ReadHexIdentifier(&oRow->nonM1ComponentVersion,
                    "Non-M1 component version: ", "No non-M1 component version.");
  if (!ExpectExactly("</Non-M1 Component>") || !ExpectExactly("<M1 Component>")) return;
  ReadComponentPlace(&oRow->m1Component, "No M1 component ");
  ReadHexIdentifier(&oRow->m1ComponentVersion,
                    "M1 component version: ", "No M1 component version.");
  ReadHexIdentifier(&oRow->m1ComponentMajorId,
                    "M1 component majorID: ", "No M1 component majorID.");
  ExpectExactly("</M1 Component>");
}

void Parser::ParseDmtRmtRows(DmtRow* oRow) {
  constexpr std::string_view kCount = "<DUMP of RMTElements>   Number of RMT elements : ";
  const Line* line = Expect("the RMT row count (\"<DUMP of RMTElements>\")",
                            [&](std::string_view iText) { return StartsWith(iText, kCount); });
  if (!line) return;
  std::string_view count = line->text.substr(kCount.size());
  if (!count.empty() && count.back() == ' ') count.remove_suffix(1);  // the trace tool's blank
  oRow->announcedRmtRowCount = text::Int32(count);
  if (!oRow->announcedRmtRowCount) Unplaced(*line, kCount.size(), "the number of RMT rows");
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
  if (Expect("\"</DUMP of RMTElements>\"", [](std::string_view iText) {
        return iText == "</DUMP of RMTElements>" || iText == "</DUMP of RMTElement>";
      }))
    Take();
}

void Parser::ParseDmtRow(DmtRow* oRow) {
  const Line* line = Current();
  const std::uint64_t first = line->number;
  oRow->span = SourceSpan{first, first, line->column};
  oRow->reading = Reading{};
  oRow->closing.reset();
  oRow->announcedRmtRowCount.reset();
  oRow->nonM1Component = ComponentPlace{};
  oRow->m1Component = ComponentPlace{};
  oRow->nonM1ComponentVersion = oRow->m1ComponentVersion = oRow->m1ComponentMajorId =
      HexIdentifier{};
  oRow->mappingMaster.clear();
  oRow->alreadyExists = false;
  oRow->modificationState = 0;
  KeptText kept(*this, &oRow->text);
  OpenBlock block(*this, "DMT row", first);
  rmtRowsRead_ = false;
  ReadDmtRowLines(oRow, first);
  if (!rmtRowsRead_) oRow->rmtRows.clear();
  oRow->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

void Parser::ReadDmtRowLines(DmtRow* oRow, std::uint64_t iFirst) {
  const Line* line = Current();
  std::string_view after;
  if (!ReadRowHeader(kDmtOpening, kDmtMarks, kDmtOpening, "</DUMP of DMTElements>", &oRow->header,
                     &after)) {
    if (!Stopped()) Take();
    return;
  }
  if (oRow->header.stoppedAfterFirstPiece) return;
  if (after == "</DMTElement>" || after == " </DMTElement>") {
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
  ReadRowClosing("</DMTElement>", kDmtMarks, &oRow->closing);
}

void Parser::ParseRmtState(RmtRow* oRow) {
  const Line* line = Expect("the state line (\"Migration State: \")", [](std::string_view iText) {
    return StartsWith(iText, "Migration State: ");
  });
  if (!line) return;
  std::string_view rest = line->text.substr(17);
  bool good = true;
  if (Eat(&rest, "TRUE"))
    oRow->migrationState = true;
  else if (Eat(&rest, "FALSE"))
    oRow->migrationState = false;
  else
    good = false;
  if (good && Eat(&rest, ", RMT element already exists"))
    oRow->alreadyExists = true;
  else if (good && Eat(&rest, ", New RMT element"))
    oRow->alreadyExists = false;
  else
    good = false;
  std::optional<std::int32_t> state;
  if (good && Eat(&rest, ", ModificationState:")) state = text::Int32(rest);
  if (!state) {
    Unplaced(*line, line->text.size() - rest.size(),
             "TRUE or FALSE, the element's state and \", ModificationState:\" with a number");
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
  const Label labels[] = {{"  Owner:", "  Owner:", &oRow->owner},
                          {"  Ref:", "  Ref:", &oRow->ref},
                          {" Pointed:", "  Pointed: ", &oRow->pointed}};
  for (const Label& label : labels) {
    const Line* line = Current();
    *label.place = ComponentPlace{};
    if (!line || (line->text != label.trace && line->text != label.output)) continue;
    Take();
    ReadComponentPlace(label.place, {});
  }
  // The non-M1 block: standard output writes its tags without the opening angle bracket.
  const Line* line = Expect("\"<Non-M1 Component>\"", [](std::string_view iText) {
    return iText == "<Non-M1 Component>" || iText == "Non-M1 Component>";
  });
  if (!line) return;
  if (line->text[0] == '<') Saw(Form::Trace, *line);
  Take();
  ReadComponentPlace(&oRow->nonM1Component, {});
  line = Expect("\"</Non-M1 Component>\"", [](std::string_view iText) {
    return iText == "</Non-M1 Component>" || iText == "/Non-M1 Component>";
  });
  if (!line) return;
  if (line->text[0] == '<') Saw(Form::Trace, *line);
  Take();
}

void Parser::ParseRmtM1Components(RmtRow* oRow) {
  constexpr std::string_view kCount = "<M1 Components> Number of M1 Components : ";
  std::size_t used = 0;
  const Line* line =
      Expect("\"<M1 Components>\" or \"No M1 Components\"", [&](std::string_view iText) {
        return iText == "No M1 Components" || StartsWith(iText, kCount);
      });
  if (line && line->text == "No M1 Components") {
    oRow->announcedM1ComponentCount.reset();
    Take();
  } else if (line) {
    oRow->announcedM1ComponentCount = text::Int32(line->text.substr(kCount.size()));
    if (!oRow->announcedM1ComponentCount)
      Unplaced(*line, kCount.size(), "the number of M1 components");
    Take();
    for (line = Current(); line && OpensComponent(line->text); line = Current()) {
      if (used == oRow->m1Components.size()) oRow->m1Components.emplace_back();
      ParseComponent(&oRow->m1Components[used++]);
    }
    if (!Stopped()) ExpectExactly("</M1 Components>");
  }
  oRow->m1Components.resize(used);
}

void Parser::ParseRmtRow(RmtRow* oRow) {
  const Line* line = Current();
  const std::uint64_t first = line->number;
  oRow->span = SourceSpan{first, first, line->column};
  oRow->reading = Reading{};
  oRow->closing.reset();
  oRow->migrationState = oRow->alreadyExists = false;
  oRow->modificationState = 0;
  oRow->owner = oRow->ref = oRow->pointed = oRow->nonM1Component = ComponentPlace{};
  oRow->announcedM1ComponentCount.reset();
  OpenBlock block(*this, "RMT row", first);
  std::string_view after;
  bool whole = false;
  if (!ReadRowHeader(kRmtOpening, kRmtMarks, kRmtOpening, "</DUMP of RMTElement", &oRow->header,
                     &after)) {
    if (!Stopped()) Take();
  } else if (oRow->header.stoppedAfterFirstPiece) {
  } else if (after == "  </RMTElement>") {
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
    ReadRowClosing("</RMTElement>", kRmtMarks, &oRow->closing);
  } else {
    oRow->m1Components.clear();
  }
  oRow->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

}  // namespace zyn::reader
