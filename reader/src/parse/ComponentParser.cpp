// Reads the blocks of the six kinds of component: file-based, RMT file-based, Orv, Pell (both
// kinds), provider and dummy.
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

using text::Eat;
using text::EatEnd;
using text::EndsWith;
using text::StartsWith;

namespace {

constexpr std::string_view kFileOpening = "<File component>  Name :";
constexpr std::string_view kRmtFileOpening = "<RMT non-M1 component>";
constexpr std::string_view kOrvOpening = "<Orv component>";
constexpr std::string_view kPellOpening = "<Pell component>";
constexpr std::string_view kPellNonM1Opening = "<Pell Non-M1 component>";
constexpr std::string_view kProviderOpening = "<Provider component>";
constexpr std::string_view kDummyOpening = "<Dummy component>";

constexpr std::string_view kDocTypeLabel = " , DocType : ";
constexpr std::string_view kUuidLabel = " , Uuid :";
constexpr std::string_view kPathLabel = "                   PathName : ";
constexpr std::string_view kLastSaveLabel = "                   LastSaveName : ";
constexpr std::string_view kBrokenLink = "   Broken Link,Object type:";
constexpr std::string_view kNotBrokenLink = "   Not Broken Link,Object type:";

constexpr std::string_view kSaveTimeLabel = " , LastSaveTime : ";
constexpr std::string_view kSavePathLabel = " , LastSavePath : ";

/// Whether a text has the shape of a last-save time: the year, "-", month, "-", day, "T", hours,
/// ":", minutes, ":", seconds and "Z", every part but the year two digits.
bool IsSaveTime(std::string_view iText) {
  std::size_t at = !iText.empty() && iText[0] == '-' ? 1 : 0;
  const std::size_t yearStart = at;
  while (at < iText.size() && iText[at] >= '0' && iText[at] <= '9') ++at;
  if (at == yearStart) return false;
  constexpr std::string_view kRest = "-00-00T00:00:00Z";  // '0' stands for any digit
  if (iText.size() - at != kRest.size()) return false;
  for (std::size_t i = 0; i < kRest.size(); ++i) {
    const char c = iText[at + i];
    if (kRest[i] == '0' ? (c < '0' || c > '9') : c != kRest[i]) return false;
  }
  return true;
}

/// The places in a last-save line (after its label) where the time's label, a time or nothing,
/// and the path's label stand: the first of them and how many there are.
struct SaveTimeCut {
  std::size_t at = 0;        // where the time's label starts
  std::size_t timeSize = 0;  // the time's length (0: the time is not set)
  std::size_t count = 0;
};
SaveTimeCut SaveTimeCuts(std::string_view iText) {
  SaveTimeCut cut;
  for (std::size_t at = iText.find(kSaveTimeLabel); at != std::string_view::npos;
       at = iText.find(kSaveTimeLabel, at + 1)) {
    const std::size_t time = at + kSaveTimeLabel.size();
    const std::size_t path = iText.find(kSavePathLabel, time);
    if (path == std::string_view::npos) break;
    if (path != time && !IsSaveTime(iText.substr(time, path - time))) continue;
    if (cut.count++ == 0) {
      cut.at = at;
      cut.timeSize = path - time;
    }
  }
  return cut;
}

/// Fields of a kind, made the component's own (reset when it held another kind).
template <class Fields>
Fields& Use(Component* oComponent) {
  return oComponent->fields.emplace<Fields>();
}

/// The value of an octet's hexadecimal digit pair, or -1.
int HexPair(char iHigh, char iLow) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  const int high = digit(iHigh), low = digit(iLow);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

/// The line ends that the text of these octets holds: one per octet 0x0A before the first 0.
std::uint32_t LineEndsInOctetText(std::string_view iHexadecimal) {
  std::uint32_t count = 0;
  for (std::size_t i = 0; i + 1 < iHexadecimal.size(); i += 2) {
    const int octet = HexPair(iHexadecimal[i], iHexadecimal[i + 1]);
    if (octet == 0) break;
    if (octet == '\n') ++count;
  }
  return count;
}

}  // namespace

bool Parser::OpensComponent(std::string_view iText) {
  return StartsWith(iText, kFileOpening) || iText == kRmtFileOpening || iText == kOrvOpening ||
         StartsWith(iText, kPellOpening) || StartsWith(iText, kPellNonM1Opening) ||
         iText == kProviderOpening || iText == kDummyOpening;
}

/// A hash key: the trace tool writes it as a signed int, standard output unsigned; both are
/// read as the unsigned key.
bool Parser::ReadHashKey(const Line& iLine, std::size_t iOffset, std::string_view iDigits,
                         std::uint32_t* oKey) {
  const std::optional<std::int64_t> value = text::Integer(iDigits);
  if (!value || *value < INT32_MIN || *value > UINT32_MAX) {
    Unplaced(iLine, iOffset, "a hash key (a 32-bit number)");
    return false;
  }
  if (*value < 0) Saw(Form::Trace, iLine);
  if (*value > INT32_MAX) Saw(Form::StandardOutput, iLine);
  *oKey = static_cast<std::uint32_t>(*value);
  return true;
}

void Parser::ParseFileBased(Component* oComponent) {
  FileBasedFields& fields = Use<FileBasedFields>(oComponent);
  Reading& reading = oComponent->reading;
  // A name holding a line end: the header goes on while the next line holds the uuid's label.
  std::string_view line = Gather(
      &gathered_, &reading,
      [](std::string_view iText) {
        const std::size_t type = iText.find(kDocTypeLabel);
        return type != std::string_view::npos &&
               iText.find(kUuidLabel, type) != std::string_view::npos;
      },
      [](std::string_view iNext) {
        return !StartsWith(iNext, kPathLabel) && iNext.find(kUuidLabel) != std::string_view::npos;
      });
  const Line at{line, LastTakenLine(), 1, true};
  Eat(&line, kFileOpening);
  // The document type and the uuid are read from the end: the name keeps the rest.
  const bool shortForm = EatEnd(&line, " </File Component>");
  std::string_view uuid, type;
  if (!text::SplitAtLast(&line, kUuidLabel, &uuid) ||
      !text::SplitAtLast(&line, kDocTypeLabel, &type)) {
    Unplaced(at, kFileOpening.size(), "\" , DocType : \" and \" , Uuid :\" after the name");
    oComponent->closed = false;
    return;
  }
  fields.name.assign(line);
  fields.documentType.assign(type);
  fields.uuid.assign(uuid);
  if (shortForm) return;
  oComponent->closed = ReadFileSaveDetails(&fields.details.emplace(), &reading);
}

bool Parser::ReadFileSaveDetails(FileSaveDetails* oDetails, Reading* oReading) {
  const Line* path = Expect("the path line (\"                   PathName : \")",
                            [](std::string_view iText) { return StartsWith(iText, kPathLabel); });
  if (!path) return false;
  const Line pathLine = *path;
  oDetails->pathName.assign(path->text.substr(kPathLabel.size()));
  Take();
  JoinContinuation(&oDetails->pathName, oReading,
                   [](std::string_view iText) { return StartsWith(iText, kLastSaveLabel); });
  // The trace tool ends the path with a blank, standard output does not.
  const bool blank = !oDetails->pathName.empty() && oDetails->pathName.back() == ' ';
  if (CurrentForm() == Form::Unknown) Saw(blank ? Form::Trace : Form::StandardOutput, pathLine);
  if (CurrentForm() == Form::Trace) {
    if (blank)
      oDetails->pathName.pop_back();
    else
      Unplaced(pathLine, pathLine.text.size(), "a blank at the end of the path line");
  }
  if (!Expect("the last-save line (\"                   LastSaveName : \")",
              [](std::string_view iText) { return StartsWith(iText, kLastSaveLabel); }))
    return false;
  // A last-save name holding a line end: the line goes on while the next one holds the time's
  // label.
  std::string_view save = Gather(
      &gathered_, oReading, [](std::string_view iText) { return SaveTimeCuts(iText).count > 0; },
      [](std::string_view iNext) { return iNext.find(kSaveTimeLabel) != std::string_view::npos; });
  const Line saveLine{save, LastTakenLine(), 1, true};
  Eat(&save, kLastSaveLabel);
  // The name and the path are both free texts: the time between them places the cut.
  const SaveTimeCut cut = SaveTimeCuts(save);
  if (cut.count == 0) {
    Unplaced(saveLine, kLastSaveLabel.size(),
             "\" , LastSaveTime : \", a time or nothing, and \" , LastSavePath : \" after the "
             "last-save name");
    return false;
  }
  if (cut.count > 1) oReading->ambiguous = true;
  oDetails->lastSaveName.assign(save.substr(0, cut.at));
  oDetails->lastSaveTime.assign(save.substr(cut.at + kSaveTimeLabel.size(), cut.timeSize));
  oDetails->lastSavePath.assign(
      save.substr(cut.at + kSaveTimeLabel.size() + cut.timeSize + kSavePathLabel.size()));
  JoinContinuation(&oDetails->lastSavePath, oReading,
                   [](std::string_view iText) { return iText == "</File Component>"; });
  if (!Expect("\"</File Component>\"",
              [](std::string_view iText) { return iText == "</File Component>"; }))
    return false;
  Take();
  return true;
}

/// A sequence too long for its hexadecimal buffer to be counted, on either sink.
constexpr std::string_view kUncountableNotice = "Sequence too long to print, octets = ";

void Parser::ParseOctetValue(OctetValue* oValue, Reading* oReading,
                             bool (*iIsNext)(std::string_view)) {
  const Line* line = Expect(
      "\"hexa: \" or the notice \"Chain too long to print, size = \" or \"Sequence too long to "
      "print, octets = \"",
      [](std::string_view iText) {
        return StartsWith(iText, "hexa: ") ||
               StartsWith(iText, "Chain too long to print, size = ") ||
               StartsWith(iText, kUncountableNotice);
      });
  if (!line) return;
  std::string_view rest = line->text;
  if (Eat(&rest, kUncountableNotice)) {
    // Neither the hexadecimal nor the character line follows: the notice stands for both.
    oValue->uncountableOctets = text::Int32(rest);
    if (!oValue->uncountableOctets) {
      Unplaced(*line, line->text.size() - rest.size(), "the octet count (a number)");
      if (Stopped()) return;
    }
    Take();
    return;
  }
  if (Eat(&rest, "hexa: ")) {
    oValue->hexadecimal.emplace(rest);
    Take();
  } else {
    Eat(&rest, "Chain too long to print, size = ");
    const std::optional<std::int32_t> size = text::Int32(rest);
    if (!size) {
      Unplaced(*line, line->text.size() - rest.size(), "the buffer size (a number)");
      if (Stopped()) return;
    }
    oValue->tooLongNoticeSize = size;
    Take();
    if (!Expect("the empty line after the notice",
                [](std::string_view iText) { return iText.empty(); }))
      return;
    Take();
  }
  line = Expect("\"Unicode: \"",
                [](std::string_view iText) { return StartsWith(iText, "Unicode: "); });
  if (!line) return;
  oValue->text.assign(line->text.substr(9));
  Take();
  if (!oValue->hexadecimal) {
    JoinContinuation(&oValue->text, oReading, iIsNext);
    return;
  }
  // The octets tell how many line ends their text holds.
  for (std::uint32_t ends = LineEndsInOctetText(*oValue->hexadecimal); ends > 0; --ends) {
    line = Current();
    if (!line) return;
    oValue->text.push_back('\n');
    oValue->text.append(line->text);
    ++oReading->joinedLines;
    Take();
  }
}

bool Parser::ParsePx1Id(RmtFileBasedFields* oFields, Reading* oReading) {
  const Line* line = Expect("\"   PX1Id HKey: \" or \",empty PX1Id\"", [](std::string_view iText) {
    return StartsWith(iText, "   PX1Id HKey: ") || iText == ",empty PX1Id";
  });
  if (!line) return false;
  if (line->text == ",empty PX1Id") {
    oFields->px1IdEmpty = true;
    Take();
  } else {
    constexpr std::size_t kKeyAt = 15;  // after "   PX1Id HKey: "
    std::string_view key = line->text.substr(kKeyAt);
    // Standard output continues the key's line with the alias below detail level 2.
    const std::size_t alias = key.find("   Alias:");
    if (alias != std::string_view::npos) key = key.substr(0, alias);
    std::uint32_t value = 0;
    if (ReadHashKey(*line, kKeyAt, key, &value)) oFields->px1IdHashKey = value;
    if (Stopped()) return false;
    if (alias != std::string_view::npos) {
      Saw(Form::StandardOutput, *line);
      KeepRest(kKeyAt + alias);
    } else {
      Take();
      if (const Line* next = Current(); next && next->text == "   PX1Id Value:") {
        Take();
        ParseOctetValue(&oFields->px1IdValue.emplace(), oReading,
                        [](std::string_view iText) { return StartsWith(iText, "   Alias:"); });
      }
    }
  }
  return true;
}

void Parser::ParseRmtFileBased(Component* oComponent) {
  RmtFileBasedFields& fields = Use<RmtFileBasedFields>(oComponent);
  Reading& reading = oComponent->reading;
  oComponent->closed = false;
  Take();
  if (!ParsePx1Id(&fields, &reading)) return;
  if (!Expect("\"   Alias:\"",
              [](std::string_view iText) { return StartsWith(iText, "   Alias:"); }))
    return;
  // An alias holding a line end: the line goes on while the next one holds the techno string's
  // label.
  auto holdsTechnoLabel = [](std::string_view iText) {
    return iText.find(", TechnoString:") != std::string_view::npos;
  };
  std::string_view names = Gather(&gathered_, &reading, holdsTechnoLabel, holdsTechnoLabel);
  const Line namesLine{names, LastTakenLine(), 1, true};
  Eat(&names, "   Alias:");
  std::string_view alias;
  if (!text::SplitAt(&names, ", TechnoString:", &alias)) {
    Unplaced(namesLine, 9, "\", TechnoString:\" after the alias");
    return;
  }
  // Two free texts with no fixed-shape value between them: a second label cannot be placed.
  if (text::Count(names, ", TechnoString:") > 0) reading.ambiguous = true;
  fields.alias.assign(alias);
  fields.technoString.assign(names);
  JoinContinuation(&fields.technoString, &reading, [](std::string_view iText) {
    return StartsWith(iText, "   LinkSequence length:") || iText == ",empty LinkSequence";
  });
  const Line* line =
      Expect("\"   LinkSequence length:\" or \",empty LinkSequence\"", [](std::string_view iText) {
        return StartsWith(iText, "   LinkSequence length:") || iText == ",empty LinkSequence";
      });
  if (!line) return;
  if (line->text != ",empty LinkSequence") {
    fields.linkSequenceLength = text::Int32(line->text.substr(23));
    if (!fields.linkSequenceLength) Unplaced(*line, 23, "the link sequence's length (a number)");
    if (Stopped()) return;
    Take();
    if (const Line* next = Current(); next && next->text == "   LinkSequence Value: ") {
      Take();
      ParseOctetValue(&fields.linkSequenceValue.emplace(), &reading, [](std::string_view iText) {
        return StartsWith(iText, kBrokenLink) || StartsWith(iText, kNotBrokenLink);
      });
    }
  } else {
    Take();
  }
  line = Expect("\"   Broken Link,Object type:\" or \"   Not Broken Link,Object type:\"",
                [](std::string_view iText) {
                  return StartsWith(iText, kBrokenLink) || StartsWith(iText, kNotBrokenLink);
                });
  if (!line) return;
  fields.linkBroken = StartsWith(line->text, kBrokenLink);
  fields.objectType.assign(
      line->text.substr(fields.linkBroken ? kBrokenLink.size() : kNotBrokenLink.size()));
  Take();
  JoinContinuation(&fields.objectType, &reading,
                   [](std::string_view iText) { return iText == "</RMT non-M1 component>"; });
  if (!Expect("\"</RMT non-M1 component>\"",
              [](std::string_view iText) { return iText == "</RMT non-M1 component>"; }))
    return;
  Take();
  oComponent->closed = true;
}

void Parser::ParseComponent(Component* oComponent) {
  const Line* line = Current();
  if (!line) return;
  oComponent->span = SourceSpan{line->number, line->number, line->column};
  oComponent->reading = Reading{};
  oComponent->closed = true;
  const std::string_view text = line->text;
  const std::uint64_t first = line->number;
  const auto start = Position();
  OpenBlock block(*this, "component", first);
  if (StartsWith(text, kFileOpening)) {
    oComponent->kind = NodeKind::FileBasedComponent;
    ParseFileBased(oComponent);
  } else if (text == kRmtFileOpening) {
    oComponent->kind = NodeKind::RmtFileBasedComponent;
    ParseRmtFileBased(oComponent);
  } else if (text == kOrvOpening) {
    oComponent->kind = NodeKind::OrvComponent;
    ParseOrv(oComponent);
  } else if (StartsWith(text, kPellNonM1Opening)) {
    oComponent->kind = NodeKind::PellNonM1Component;
    ParsePell(oComponent, kPellNonM1Opening, "</Pell Non-M1 component>");
  } else if (StartsWith(text, kPellOpening)) {
    oComponent->kind = NodeKind::PellComponent;
    ParsePell(oComponent, kPellOpening, "</Pell component>");
  } else if (text == kProviderOpening) {
    oComponent->kind = NodeKind::ProviderComponent;
    ParseProvider(oComponent);
  } else {
    oComponent->kind = NodeKind::DummyComponent;
    Use<DummyFields>(oComponent);
    Take();
  }
  // An opening line that could not be read is taken with the component all the same.
  if (Position() == start) Take();
  oComponent->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

}  // namespace zyn::reader
