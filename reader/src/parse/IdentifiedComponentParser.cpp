// Reads the blocks of the components known by identifiers: Orv, Pell (both kinds) and
// provider. Each may carry the heading of its exposed identifier, written among its lines by
// a named trace that writes to standard output.
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

using text::Eat;
using text::EatEnd;
using text::StartsWith;

namespace {

constexpr std::string_view kWorkspaceId = "    workspace Id : ";
constexpr std::string_view kNoWorkspaceId = "    No workspace Id ,";
constexpr std::string_view kElementUuid = "    element Uuid : ";
constexpr std::string_view kNoElementUuid = "    No element Uuid .";
constexpr std::string_view kStamp = "Stamp : ";
constexpr std::string_view kNoStamp = "No CEStamp ";

constexpr std::string_view kElementId = "    element Id : ";
constexpr std::string_view kElementPiecesExpected =
    "the element id (\"    element Id : \" with a number, or \"    No element Id ,\") and the "
    "element uuid (\"    element Uuid : \" with \".\", or \"    No element Uuid .\")";

/// Reads the pieces that end an Orv identity line, from the element id to the line's end: the
/// element id ("    element Id : " and a number, with "," on standard output only) or
/// "    No element Id ,", then the element uuid ("    element Uuid : ", the uuid and ".") or
/// "    No element Uuid .". False when iText does not have that shape.
bool ReadElementPieces(std::string_view iText, OrvIdentity* oIdentity) {
  if (Eat(&iText, kElementId)) {
    std::size_t digits = !iText.empty() && iText[0] == '-' ? 1 : 0;
    while (digits < iText.size() && iText[digits] >= '0' && iText[digits] <= '9') ++digits;
    oIdentity->elementId = text::Int32(iText.substr(0, digits));
    if (!oIdentity->elementId) return false;
    iText.remove_prefix(digits);
    Eat(&iText, ",");
  } else if (!Eat(&iText, "    No element Id ,")) {
    return false;
  }
  if (iText == kNoElementUuid) return true;
  if (!Eat(&iText, kElementUuid) || !EatEnd(&iText, ".")) return false;
  oIdentity->elementUuid.emplace(iText);
  return true;
}

/// Where the identity pieces start in a line, when they do.
std::size_t IdentityStart(std::string_view iText) {
  const std::size_t id = iText.find(kWorkspaceId);
  const std::size_t none = iText.find(kNoWorkspaceId);
  return id < none ? id : none;
}

/// Where the stamp piece starts in a line, when it does.
std::size_t StampStart(std::string_view iText) {
  const std::size_t stamp = iText.find(kStamp);
  const std::size_t none = iText.find(kNoStamp);
  return stamp < none ? stamp : none;
}

}  // namespace

bool Parser::ReadOrvIdentityLine(const Line& iLine, OrvIdentity* oIdentity, bool* oAmbiguous) {
  std::string_view rest = iLine.text;
  auto fail = [&](std::string_view iExpected) {
    Unplaced(iLine, iLine.text.size() - rest.size(), iExpected);
    return false;
  };
  std::string_view piece;
  if (Eat(&rest, kWorkspaceId)) {
    if (!text::SplitAt(&rest, ",", &piece) || !(oIdentity->workspaceId = text::Int32(piece)))
      return fail("the workspace id and \",\"");
  } else if (!Eat(&rest, kNoWorkspaceId)) {
    return fail("\"    workspace Id : \" or \"    No workspace Id ,\"");
  }
  if (Eat(&rest, "    workspace Uuid : ")) {
    // Both uuids are free texts: the workspace uuid ends where the element pieces fit.
    std::size_t fits = 0, end = std::string_view::npos;
    for (std::size_t at = rest.find(",    "); at != std::string_view::npos;
         at = rest.find(",    ", at + 1)) {
      OrvIdentity trial;
      if (!ReadElementPieces(rest.substr(at + 1), &trial)) continue;
      if (fits++ == 0) end = at;
    }
    if (fits == 0) return fail(kElementPiecesExpected);
    if (fits > 1) *oAmbiguous = true;
    oIdentity->workspaceUuid.emplace(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  } else if (!Eat(&rest, "    No workspace Uuid ,")) {
    return fail("\"    workspace Uuid : \" or \"    No workspace Uuid ,\"");
  }
  if (!ReadElementPieces(rest, oIdentity)) return fail(kElementPiecesExpected);
  // Standard output ends the element id with a comma, the trace tool does not.
  if (StartsWith(rest, kElementId)) {
    const std::size_t uuid = rest.find("    ", kElementId.size());
    Saw(rest[uuid - 1] == ',' ? Form::StandardOutput : Form::Trace, iLine);
  }
  return true;
}

void Parser::ParseOrvIdentity(Component* oComponent, OrvFields* oFields) {
  OrvIdentity& identity = oFields->identity.emplace();
  Take();  // "    model PLMID:"
  // The PLMID's own text, when this form writes it: the lines up to the identity pieces.
  if (auto text = TakeTextBefore(oComponent->reading, IdentityStart))
    identity.modelPlmidText = std::move(*text);
  const Line* line =
      Expect("the identity line (\"    workspace Id : \" or \"    No workspace Id ,\")",
             [](std::string_view iText) { return IdentityStart(iText) == 0; });
  if (!line) return;
  const std::uint32_t column = line->column;
  const std::uint32_t joinedBefore = oComponent->reading.joinedLines;
  // A uuid holding a line end: the line goes on while the next one ends as the line must.
  auto endsWithPoint = [](std::string_view iText) { return text::EndsWith(iText, "."); };
  const std::string_view joined =
      Gather(&gathered_, &oComponent->reading, endsWithPoint, endsWithPoint);
  const bool oneLine = oComponent->reading.joinedLines == joinedBefore;
  ReadOrvIdentityLine(Line{joined, LastTakenLine(), oneLine ? column : 1, true}, &identity,
                      &oComponent->reading.ambiguous);
}

void Parser::ParseOrv(Component* oComponent) {
  OrvFields& fields = oComponent->fields.emplace<OrvFields>();
  Take();
  const Line* line = Current();
  if (line && StartsWith(line->text, "    Hash key: ")) {
    std::uint32_t key = 0;
    if (ReadHashKey(*line, 14, line->text.substr(14), &key)) fields.hashKey = key;
    if (Stopped()) return;
    Take();
  } else if (line && line->text == "    model PLMID:") {
    ParseOrvIdentity(oComponent, &fields);
    if (Stopped()) return;
  } else {
    // An identity query failed: the dump stopped after its opening tag.
    fields.identityFailed = true;
    oComponent->closed = false;
    return;
  }
  line = Current();
  if (line && line->text == "    Exposed Identifier") {
    fields.exposedIdentifierAnnounced = true;
    Take();
  }
  oComponent->closed = false;
  if (!Expect("\"</Orv component>\"",
              [](std::string_view iText) { return iText == "</Orv component>"; }))
    return;
  Take();
  oComponent->closed = true;
}

bool Parser::ReadStampPiece(const Line& iLine, std::string_view iClosing, PellFields* oFields) {
  std::string_view piece = iLine.text;
  const bool closes = EatEnd(&piece, iClosing);
  if (piece == kNoStamp) return closes;
  if (!Eat(&piece, kStamp) || !EatEnd(&piece, " ")) {
    Unplaced(iLine, iLine.text.size() - piece.size(),
             "\"Stamp : \", the stamp and a blank, or \"No CEStamp \"");
    return closes;
  }
  oFields->ceStamp.emplace(piece);
  return closes;
}

void Parser::ParsePell(Component* oComponent, std::string_view iOpening,
                       std::string_view iClosing) {
  PellFields& fields = oComponent->fields.emplace<PellFields>();
  const Line* line = Current();
  const Line opening = *line;
  bool closes = false;
  oComponent->closed = false;
  // A stamp holding a line end: its piece goes on while the next line ends with the closing tag.
  auto endsPiece = [iClosing](std::string_view iText) {
    return text::EndsWith(iText, iClosing) || text::EndsWith(iText, " ");
  };
  auto endsShort = [iClosing](std::string_view iText) { return text::EndsWith(iText, iClosing); };
  if (line->text.size() == iOpening.size()) {
    fields.fullForm = true;
    Take();
    // The PLMID's own text, when this form writes it: the lines up to the stamp piece.
    if (auto text = TakeTextBefore(oComponent->reading, StampStart))
      fields.plmidText = std::move(*text);
    line = Expect("the stamp (\"Stamp : \" or \"No CEStamp \")",
                  [](std::string_view iText) { return StampStart(iText) == 0; });
    if (!line) return;
    const Line first = *line;
    // At detail level 2 the piece ends with a blank, and only an empty line, the exposed
    // identifier's heading or the closing tag may follow it; above 2 the closing tag ends it.
    auto pieceGoesOn = [this, iClosing](std::string_view iNext) {
      return text::EndsWith(iNext, iClosing) || (!text::EndsWith(gathered_, iClosing) &&
                                                 !iNext.empty() && iNext != "Exposed Identifier");
    };
    const std::string_view piece = Gather(&gathered_, &oComponent->reading, endsPiece, pieceGoesOn);
    closes = ReadStampPiece(Line{piece, first.number, first.column, true}, iClosing, &fields);
  } else {
    // The short form is one line, which the closing tag ends.
    std::string_view rest = Gather(&gathered_, &oComponent->reading, endsShort, endsShort);
    const Line whole{rest, opening.number, opening.column, true};
    rest.remove_prefix(iOpening.size());
    if (!Eat(&rest, "    PLMId physicalId: ")) {
      Unplaced(whole, iOpening.size(), "\"    PLMId physicalId: \" or the line's end");
      return;
    }
    std::string_view physical;
    if (!text::SplitAt(&rest, " , ", &physical)) {
      Unplaced(whole, whole.text.size() - rest.size(), "\" , \" after the physical id");
      return;
    }
    fields.physicalId.emplace(physical);
    const std::size_t offset = whole.text.size() - rest.size();
    closes = ReadStampPiece(
        Line{rest, whole.number, whole.column + static_cast<std::uint32_t>(offset), true}, iClosing,
        &fields);
  }
  if (Stopped()) return;
  if (closes) {
    oComponent->closed = true;
    return;
  }
  // The heading of the exposed identifier on a line of its own; at detail level 2 the line end
  // before the closing tag then leaves an empty line.
  line = Current();
  if (line && line->text == "Exposed Identifier") {
    fields.exposedIdentifierAnnounced = true;
    Take();
    line = Current();
    if (line && line->text.empty()) Take();
  }
  if (!Expect(iClosing == "</Pell component>" ? "\"</Pell component>\""
                                              : "\"</Pell Non-M1 component>\"",
              [iClosing](std::string_view iText) { return iText == iClosing; }))
    return;
  Take();
  oComponent->closed = true;
}

void Parser::ParseProvider(Component* oComponent) {
  ProviderFields& fields = oComponent->fields.emplace<ProviderFields>();
  oComponent->closed = false;
  Take();
  constexpr std::string_view kLength = "   Binary identifier length:";
  constexpr std::string_view kValue = "   Binary identifier Value:";
  constexpr std::string_view kName = "   Provider name:";
  constexpr std::string_view kUncountableNotice = "Identifier too long to print, bytes = ";
  const Line* line =
      Expect("\"   Binary identifier length:\" or \"   Empty binary identifier\"",
             [&](std::string_view iText) {
               return StartsWith(iText, kLength) || iText == "   Empty binary identifier";
             });
  if (!line) return;
  if (StartsWith(line->text, kLength)) {
    std::string_view length = line->text.substr(kLength.size());
    // Below detail level 2 the provider name follows on the same line.
    const std::size_t name = length.find(kName);
    if (name != std::string_view::npos) length = length.substr(0, name);
    fields.binaryIdentifierLength = text::Int32(length);
    if (!fields.binaryIdentifierLength)
      Unplaced(*line, kLength.size(), "the binary identifier's length (a number)");
    if (Stopped()) return;
    if (name != std::string_view::npos) {
      KeepRest(kLength.size() + name);
    } else {
      Take();
      line = Current();
      if (line && StartsWith(line->text, kValue)) {
        std::string_view value = line->text.substr(kValue.size());
        if (Eat(&value, kUncountableNotice)) {
          fields.uncountableIdentifierBytes = text::Int32(value);
          if (!fields.uncountableIdentifierBytes)
            Unplaced(*line, line->text.size() - value.size(), "the identifier's length (a number)");
          if (Stopped()) return;
        } else {
          fields.binaryIdentifierHexadecimal.emplace(value);
        }
        Take();
      }
    }
  } else {
    Take();
  }
  line = Expect("\"   Provider name:\"",
                [&](std::string_view iText) { return StartsWith(iText, kName); });
  if (!line) return;
  fields.providerName.assign(line->text.substr(kName.size()));
  Take();
  JoinContinuation(&fields.providerName, &oComponent->reading, [](std::string_view iText) {
    return iText == "   Exposed Identifier" || iText == "</Provider component>";
  });
  line = Current();
  if (line && line->text == "   Exposed Identifier") {
    fields.exposedIdentifierAnnounced = true;
    Take();
  }
  if (!Expect("\"</Provider component>\"",
              [](std::string_view iText) { return iText == "</Provider component>"; }))
    return;
  Take();
  oComponent->closed = true;
}

}  // namespace zyn::reader
