// Reads the blocks of the six kinds of component: file-based, RMT file-based, Orv, Pell (both
// kinds), provider and dummy.
#include "Parser.h"
#include "Text.h"

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

constexpr std::string_view kPathLabel = "                   PathName : ";
constexpr std::string_view kLastSaveLabel = "                   LastSaveName : ";
constexpr std::string_view kBrokenLink = "   Broken Link,Object type:";
constexpr std::string_view kNotBrokenLink = "   Not Broken Link,Object type:";

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
  std::string_view line = Gather(&gathered_, &reading, [](std::string_view iText) {
    const std::size_t type = iText.find(" , DocType : ");
    return type != std::string_view::npos &&
           iText.find(" , Uuid :", type) != std::string_view::npos;
  });
  const Line at{line, LastTakenLine(), 1, true};
  reading.ambiguous = text::Count(line, " , DocType : ") > 1 || text::Count(line, " , Uuid :") > 1;
  Eat(&line, kFileOpening);
  std::string_view name, type;
  if (!text::SplitAt(&line, " , DocType : ", &name) || !text::SplitAt(&line, " , Uuid :", &type)) {
    Unplaced(at, kFileOpening.size(), "\" , DocType : \" and \" , Uuid :\" after the name");
    oComponent->closed = false;
    return;
  }
  fields.name.assign(name);
  fields.documentType.assign(type);
  if (EatEnd(&line, " </File Component>")) {
    fields.uuid.assign(line);
    return;
  }
  fields.uuid.assign(line);
  FileSaveDetails& details = fields.details.emplace();
  oComponent->closed = false;
  const Line* path = Expect("the path line (\"                   PathName : \")",
                            [](std::string_view iText) { return StartsWith(iText, kPathLabel); });
  if (!path) return;
  const Line pathLine = *path;
  details.pathName.assign(path->text.substr(kPathLabel.size()));
  Take();
  JoinContinuation(&details.pathName, &reading,
                   [](std::string_view iText) { return StartsWith(iText, kLastSaveLabel); });
  // The trace tool ends the path with a blank, standard output does not.
  const bool blank = !details.pathName.empty() && details.pathName.back() == ' ';
  if (CurrentForm() == Form::Unknown) Saw(blank ? Form::Trace : Form::StandardOutput, pathLine);
  if (CurrentForm() == Form::Trace) {
    if (blank)
      details.pathName.pop_back();
    else
      Unplaced(pathLine, pathLine.text.size(), "a blank at the end of the path line");
  }
  if (!Expect("the last-save line (\"                   LastSaveName : \")",
              [](std::string_view iText) { return StartsWith(iText, kLastSaveLabel); }))
    return;
  std::string_view save = Gather(&gathered_, &reading, [](std::string_view iText) {
    const std::size_t time = iText.find(" , LastSaveTime : ");
    return time != std::string_view::npos &&
           iText.find(" , LastSavePath : ", time) != std::string_view::npos;
  });
  const Line saveLine{save, LastTakenLine(), 1, true};
  if (text::Count(save, " , LastSaveTime : ") > 1 || text::Count(save, " , LastSavePath : ") > 1)
    reading.ambiguous = true;
  Eat(&save, kLastSaveLabel);
  std::string_view saveName, saveTime;
  if (!text::SplitAt(&save, " , LastSaveTime : ", &saveName) ||
      !text::SplitAt(&save, " , LastSavePath : ", &saveTime)) {
    Unplaced(saveLine, kLastSaveLabel.size(),
             "\" , LastSaveTime : \" and \" , LastSavePath : \" after the last-save name");
    return;
  }
  details.lastSaveName.assign(saveName);
  details.lastSaveTime.assign(saveTime);
  details.lastSavePath.assign(save);
  JoinContinuation(&details.lastSavePath, &reading,
                   [](std::string_view iText) { return iText == "</File Component>"; });
  if (!Expect("\"</File Component>\"",
              [](std::string_view iText) { return iText == "</File Component>"; }))
    return;
  Take();
  oComponent->closed = true;
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
  std::string_view names = Gather(&gathered_, &reading, [](std::string_view iText) {
    return iText.find(", TechnoString:") != std::string_view::npos;
  });
  const Line namesLine{names, LastTakenLine(), 1, true};
  Eat(&names, "   Alias:");
  std::string_view alias;
  if (!text::SplitAt(&names, ", TechnoString:", &alias)) {
    Unplaced(namesLine, 9, "\", TechnoString:\" after the alias");
    return;
  }
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
