// Reads the block of an RMT file-based component (an RMT non-M1 component): its PX1 id, alias,
// techno string, link sequence and object type, and the octet values among them.
#include "parse/DumpTexts.h"
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

// The dump's texts (kName) and the matching helpers over a line's bytes.
using namespace text;

namespace {

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

bool IsLinkLine(std::string_view iText) {
  return StartsWith(iText, kLinkLengthLead) || iText == kEmptyLinkSequence;
}

bool IsObjectTypeLine(std::string_view iText) {
  return StartsWith(iText, kBrokenLinkLead) || StartsWith(iText, kNotBrokenLinkLead);
}

/// What the first line of an octet value was expected to be.
Expected OctetValueExpected() {
  return Expected("% or the notice % or %", kHexaLead, kChainTooLongLead, kSequenceTooLongLead);
}

}  // namespace

void Parser::ParseOctetValue(OctetValue* oValue, Reading* oReading,
                             bool (*iIsNext)(std::string_view)) {
  const Line* line = Expect(OctetValueExpected, [](std::string_view iText) {
    return StartsWith(iText, kHexaLead) || StartsWith(iText, kChainTooLongLead) ||
           StartsWith(iText, kSequenceTooLongLead);
  });
  if (!line) return;
  std::string_view rest = line->text;
  // A sequence too long for its hexadecimal buffer to be counted, on either sink.
  if (Eat(&rest, kSequenceTooLongLead)) {
    // Neither the hexadecimal nor the character line follows: the notice stands for both.
    oValue->uncountableOctets = text::Int32(rest);
    if (!oValue->uncountableOctets) {
      Unplaced(*line, line->text.size() - rest.size(), "the octet count (a number)");
      if (Stopped()) return;
    }
    Take();
    return;
  }
  if (Eat(&rest, kHexaLead)) {
    oValue->hexadecimal.emplace(rest);
    Take();
  } else {
    Eat(&rest, kChainTooLongLead);
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
  line = ExpectLead(kUnicodeLead, [] { return Expected("%", kUnicodeLead); });
  if (!line) return;
  text::Assign(&oValue->text, line->text.substr(kUnicodeLead.size()));
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
  const Line* line = Expect([] { return Expected("% or %", kPx1IdKeyLead, kEmptyPx1Id); },
                            [](std::string_view iText) {
                              return StartsWith(iText, kPx1IdKeyLead) || iText == kEmptyPx1Id;
                            });
  if (!line) return false;
  if (line->text == kEmptyPx1Id) {
    oFields->px1IdEmpty = true;
    Take();
  } else {
    constexpr std::size_t kKeyAt = kPx1IdKeyLead.size();
    std::string_view key = line->text.substr(kKeyAt);
    // Standard output continues the key's line with the alias below detail level 2.
    const std::size_t alias = text::Find(key, kAliasLead);
    if (alias != std::string_view::npos) key = key.substr(0, alias);
    std::uint32_t value = 0;
    if (ReadHashKey(*line, kKeyAt, key, &value)) oFields->px1IdHashKey = value;
    if (Stopped()) return false;
    if (alias != std::string_view::npos) {
      Saw(Form::StandardOutput, *line);
      KeepRest(kKeyAt + alias);
    } else {
      Take();
      if (const Line* next = Current(); next && next->text == kPx1IdValue) {
        Take();
        ParseOctetValue(&oFields->px1IdValue.emplace(), oReading,
                        [](std::string_view iText) { return StartsWith(iText, kAliasLead); });
      }
    }
  }
  return true;
}

void Parser::ParseRmtFileBased(Component* oComponent) {
  RmtFileBasedFields& fields = spares_.Use<RmtFileBasedFields>(oComponent);
  Reading& reading = oComponent->reading;
  oComponent->closed = false;
  Take();
  if (!ParsePx1Id(&fields, &reading) || !ReadAliasLine(&fields, &reading) ||
      !ReadLinkSequence(&fields, &reading))
    return;
  const Line* line = Expect([] { return Expected("% or %", kBrokenLinkLead, kNotBrokenLinkLead); },
                            IsObjectTypeLine);
  if (!line) return;
  fields.linkBroken = StartsWith(line->text, kBrokenLinkLead);
  text::Assign(
      &fields.objectType,
      line->text.substr(fields.linkBroken ? kBrokenLinkLead.size() : kNotBrokenLinkLead.size()));
  Take();
  JoinContinuation(&fields.objectType, &reading,
                   [](std::string_view iText) { return iText == kRmtFileClosing; });
  oComponent->closed = ExpectExactly(kRmtFileClosing);
}

bool Parser::ReadAliasLine(RmtFileBasedFields* oFields, Reading* oReading) {
  if (!ExpectLead(kAliasLead, [] { return Expected("%", kAliasLead); })) return false;
  // An alias holding a line end: the line goes on while the next one holds the techno string's
  // label.
  auto holdsTechnoLabel = [](std::string_view iText) {
    return text::Find(iText, kTechnoLabel) != std::string_view::npos;
  };
  std::string_view names =
      Gather(&gathered_, oReading, holdsTechnoLabel,
             [&](std::string_view, std::string_view iNext) { return holdsTechnoLabel(iNext); });
  const Line namesLine{names, LastTakenLine(), 1, true};
  Eat(&names, kAliasLead);
  std::string_view alias;
  if (!text::SplitAt(&names, kTechnoLabel, &alias)) {
    Unplaced(namesLine, kAliasLead.size(), Expected("% after the alias", kTechnoLabel));
    return false;
  }
  // Two free texts with no fixed-shape value between them: a second label cannot be placed.
  if (text::Count(names, kTechnoLabel) > 0) oReading->ambiguous = true;
  text::Assign(&oFields->alias, alias);
  text::Assign(&oFields->technoString, names);
  JoinContinuation(&oFields->technoString, oReading, IsLinkLine);
  return true;
}

bool Parser::ReadLinkSequence(RmtFileBasedFields* oFields, Reading* oReading) {
  const Line* line =
      Expect([] { return Expected("% or %", kLinkLengthLead, kEmptyLinkSequence); }, IsLinkLine);
  if (!line) return false;
  if (line->text == kEmptyLinkSequence) {
    Take();
    return true;
  }
  oFields->linkSequenceLength = text::Int32(line->text.substr(kLinkLengthLead.size()));
  if (!oFields->linkSequenceLength)
    Unplaced(*line, kLinkLengthLead.size(), "the link sequence's length (a number)");
  if (Stopped()) return false;
  Take();
  if (const Line* next = Current(); next && next->text == kLinkValue) {
    Take();
    ParseOctetValue(&oFields->linkSequenceValue.emplace(), oReading, IsObjectTypeLine);
  }
  return true;
}

}  // namespace zyn::reader
