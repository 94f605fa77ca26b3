// Reads the blocks of the components known by identifiers: Orv, Pell (both kinds) and
// provider. Each may carry the heading of its exposed identifier, written among its lines by
// a named trace that writes to standard output.
#include <vector>

#include "parse/DumpTexts.h"
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

// The dump's texts (kName) and the matching helpers over a line's bytes.
using namespace text;

namespace {

/// The blanks that open each piece of an identity line.
constexpr std::string_view kPieceIndent = kElementUuidLabel.substr(0, 4);

const Expected kElementPiecesExpected(
    "the element id (% with a number, or %) and the element uuid (% with \".\", or %)",
    kElementIdLabel, kNoElementId, kElementUuidLabel, kNoElementUuid);

/// Reads the pieces that end an Orv identity line, from the element id to the line's end: the
/// element id ("    element Id : " and a number, with "," on standard output only) or
/// "    No element Id ,", then the element uuid ("    element Uuid : ", the uuid and ".") or
/// "    No element Uuid .". False when iText does not have that shape. With no oIdentity, only
/// tells whether the pieces fit.
bool ReadElementPieces(std::string_view iText, OrvIdentity* oIdentity) {
  if (Eat(&iText, kElementIdLabel)) {
    std::size_t digits = !iText.empty() && iText[0] == '-' ? 1 : 0;
    while (digits < iText.size() && iText[digits] >= '0' && iText[digits] <= '9') ++digits;
    const std::optional<std::int32_t> id = text::Int32(iText.substr(0, digits));
    if (!id) return false;
    if (oIdentity) oIdentity->elementId = id;
    iText.remove_prefix(digits);
    Eat(&iText, ",");
  } else if (!Eat(&iText, kNoElementId)) {
    return false;
  }
  if (iText == kNoElementUuid) return true;
  if (!Eat(&iText, kElementUuidLabel) || !EatEnd(&iText, ".")) return false;
  if (oIdentity) oIdentity->elementUuid.emplace(iText);
  return true;
}

/// Where the identity pieces start in a line, when they do.
std::size_t IdentityStart(std::string_view iText) {
  if (StartsWith(iText, kWorkspaceIdLabel) || StartsWith(iText, kNoWorkspaceId)) return 0;
  const std::size_t id = text::Find(iText, kWorkspaceIdLabel);
  const std::size_t none = text::Find(iText, kNoWorkspaceId);
  return id < none ? id : none;
}

/// Where the stamp piece starts in a line, when it does.
std::size_t StampStart(std::string_view iText) {
  if (StartsWith(iText, kStampLabel) || StartsWith(iText, kNoStamp)) return 0;
  const std::size_t stamp = text::Find(iText, kStampLabel);
  const std::size_t none = text::Find(iText, kNoStamp);
  return stamp < none ? stamp : none;
}

/// Whether a stamp piece read so far may end there: at detail level 2 a blank ends it, above 2
/// the closing tag, and the exposed identifier's heading may follow on its line.
bool StampPieceMayEnd(std::string_view iPiece, std::string_view iClosing) {
  return EndsWith(iPiece, iClosing) || EndsWith(iPiece, " ") || EndsWith(iPiece, kPellExposed);
}

/// Whether the line iNext goes on a full form's stamp piece that may end: after a piece that
/// the closing tag does not end, only an empty line, the exposed identifier's heading or the
/// closing tag may follow it.
bool StampPieceGoesOn(std::string_view iPiece, std::string_view iNext, std::string_view iClosing) {
  return EndsWith(iNext, iClosing) ||
         (!EndsWith(iPiece, iClosing) && !iNext.empty() && iNext != kPellExposed);
}

}  // namespace

bool Parser::ReadOrvIdentityLine(const Line& iLine, OrvIdentity* oIdentity, bool* oAmbiguous) {
  std::string_view rest = iLine.text;
  auto fail = [&](const Expected& iExpected) {
    Unplaced(iLine, iLine.text.size() - rest.size(), iExpected);
    return false;
  };
  std::string_view piece;
  if (Eat(&rest, kWorkspaceIdLabel)) {
    if (!text::SplitAt(&rest, ",", &piece) || !(oIdentity->workspaceId = text::Int32(piece)))
      return fail("the workspace id and \",\"");
  } else if (!Eat(&rest, kNoWorkspaceId)) {
    return fail(Expected("% or %", kWorkspaceIdLabel, kNoWorkspaceId));
  }
  if (Eat(&rest, kWorkspaceUuidLabel)) {
    // Both uuids are free texts: the workspace uuid ends where the element pieces fit.
    std::size_t fits = 0, end = std::string_view::npos;
    for (std::size_t at = text::Find(rest, kPieceBreak); at != std::string_view::npos;
         at = text::Find(rest, kPieceBreak, at + 1)) {
      if (!ReadElementPieces(rest.substr(at + 1), nullptr)) continue;
      if (fits++ == 0) end = at;
    }
    if (fits == 0) return fail(kElementPiecesExpected);
    if (fits > 1) *oAmbiguous = true;
    oIdentity->workspaceUuid.emplace(rest.substr(0, end));
    rest.remove_prefix(end + 1);
  } else if (!Eat(&rest, kNoWorkspaceUuid)) {
    return fail(Expected("% or %", kWorkspaceUuidLabel, kNoWorkspaceUuid));
  }
  if (!ReadElementPieces(rest, oIdentity)) return fail(kElementPiecesExpected);
  // Standard output ends the element id with a comma, the trace tool does not.
  if (StartsWith(rest, kElementIdLabel)) {
    const std::size_t uuid = text::Find(rest, kPieceIndent, kElementIdLabel.size());
    Saw(rest[uuid - 1] == ',' ? Form::StandardOutput : Form::Trace, iLine);
  }
  return true;
}

void Parser::ParseOrvIdentity(Component* oComponent, OrvFields* oFields) {
  OrvIdentity& identity = oFields->identity.emplace();
  Take();  // kModelPlmid
  // The PLMID's own text, when this form writes it: the lines up to the identity pieces.
  if (auto text = TakeTextBefore(oComponent->reading, IdentityStart))
    identity.modelPlmidText = std::move(*text);
  const Line* line = Expect(
      [] { return Expected("the identity line (% or %)", kWorkspaceIdLabel, kNoWorkspaceId); },
      [](std::string_view iText) { return IdentityStart(iText) == 0; });
  if (!line) return;
  const std::uint32_t column = line->column;
  const std::uint32_t joinedBefore = oComponent->reading.joinedLines;
  // A uuid holding a line end: the line goes on while the next one ends as the line must.
  auto endsWithPoint = [](std::string_view iText) { return text::EndsWith(iText, "."); };
  const std::string_view joined =
      Gather(&gathered_, &oComponent->reading, endsWithPoint,
             [&](std::string_view, std::string_view iNext) { return endsWithPoint(iNext); });
  const bool oneLine = oComponent->reading.joinedLines == joinedBefore;
  ReadOrvIdentityLine(Line{joined, LastTakenLine(), oneLine ? column : 1, true}, &identity,
                      &oComponent->reading.ambiguous);
}

void Parser::ParseOrv(Component* oComponent) {
  OrvFields& fields = spares_.Use<OrvFields>(oComponent);
  Take();
  const Line* line = Current();
  if (line && StartsWith(line->text, kOrvHashKeyLead)) {
    std::uint32_t key = 0;
    const std::size_t at = kOrvHashKeyLead.size();
    if (ReadHashKey(*line, at, line->text.substr(at), &key)) fields.hashKey = key;
    if (Stopped()) return;
    Take();
  } else if (line && line->text == kModelPlmid) {
    ParseOrvIdentity(oComponent, &fields);
    if (Stopped()) return;
  } else {
    // An identity query failed: the dump stopped after its opening tag.
    fields.identityFailed = true;
    oComponent->closed = false;
    return;
  }
  line = Current();
  if (line && line->text == kOrvExposed) {
    fields.exposedIdentifierAnnounced = true;
    Take();
  }
  oComponent->closed = false;
  oComponent->closed = ExpectExactly(kOrvClosing);
}

bool Parser::ReadStampPiece(const Line& iLine, std::string_view iClosing, PellFields* oFields) {
  std::string_view piece = iLine.text;
  const bool closes = EatEnd(&piece, iClosing);
  // The exposed identifier's heading, written with no line end before it, ends the piece's
  // line; the piece itself ends with a blank.
  if (!closes && EndsWith(piece, kPellExposed) &&
      EndsWith(piece.substr(0, piece.size() - kPellExposed.size()), " ")) {
    piece.remove_suffix(kPellExposed.size());
    oFields->exposedIdentifierAnnounced = true;
  }
  if (piece == kNoStamp) return closes;
  if (!Eat(&piece, kStampLabel) || !EatEnd(&piece, " ")) {
    Unplaced(iLine, iLine.text.size() - piece.size(),
             Expected("%, the stamp and a blank, or %", kStampLabel, kNoStamp));
    return closes;
  }
  oFields->ceStamp.emplace(piece);
  return closes;
}

void Parser::ParsePell(Component* oComponent, std::string_view iOpening,
                       std::string_view iClosing) {
  PellFields& fields = spares_.Use<PellFields>(oComponent);
  oComponent->closed = false;
  bool closes = false;
  if (Current()->text.size() == iOpening.size()) {
    fields.fullForm = true;
    Take();
    if (!ReadPellFullForm(&fields, &oComponent->reading, iClosing, &closes)) return;
  } else if (!ReadPellShortForm(&fields, &oComponent->reading, iOpening, iClosing, &closes)) {
    return;
  }
  if (Stopped()) return;
  if (closes) {
    oComponent->closed = true;
    return;
  }
  // The heading of the exposed identifier on a line of its own; at detail level 2 the line end
  // before the closing tag then leaves an empty line.
  const Line* line = Current();
  if (!fields.exposedIdentifierAnnounced && line && line->text == kPellExposed) {
    fields.exposedIdentifierAnnounced = true;
    fields.exposedIdentifierOnItsOwnLine = true;
    Take();
    line = Current();
  }
  if (fields.exposedIdentifierAnnounced && line && line->text.empty()) Take();
  oComponent->closed = ExpectExactly(iClosing);
}

bool Parser::ReadPellFullForm(PellFields* oFields, Reading* oReading, std::string_view iClosing,
                              bool* oCloses) {
  Line first;
  std::string_view piece;
  if (!GatherPlmidAndStamp(oFields, oReading, iClosing, &first, &piece)) return false;
  *oCloses = ReadStampPiece(Line{piece, first.number, first.column, true}, iClosing, oFields);
  return true;
}

bool Parser::GatherPlmidAndStamp(PellFields* oFields, Reading* oReading, std::string_view iClosing,
                                 Line* oFirst, std::string_view* oPiece) {
  // The PLMID's own text, when this form writes it, ends with a line end: the stamp piece opens
  // the first line that opens with its label, and a label inside a line is the PLMID's. Only
  // when the piece that such a label would start ends before any line opens with one (a text
  // that the trace tool cut at a NUL byte) does the stamp start inside the line.
  std::string text;
  bool written = false;
  std::optional<std::size_t> inside;  // where a label inside a line stands in text
  std::vector<std::uint64_t> after;   // the lines taken after the line of that label
  for (const Line* line = Current(); line; line = Current()) {
    if (StampStart(line->text) == 0 || IsStructural(*line)) break;
    // after holds nothing until a label inside a line is met.
    if (oReading->joinedLines + after.size() >= kMaxJoinedLines) break;
    if (inside) {
      const std::string_view piece = std::string_view(text).substr(*inside);
      if (StampPieceMayEnd(piece, iClosing) && !StampPieceGoesOn(piece, line->text, iClosing))
        break;
    }
    if (written) text.push_back('\n');
    written = true;
    if (inside) {
      after.push_back(line->number);
    } else if (const std::size_t at = StampStart(line->text); at != std::string_view::npos) {
      inside = text.size() + at;
      *oFirst = Line{{}, line->number, line->column + static_cast<std::uint32_t>(at), true};
    }
    text.append(line->text);
    Take();
  }
  const Line* line = Current();
  if (inside && !(line && StampStart(line->text) == 0)) {
    gathered_.assign(text, *inside);
    text.resize(*inside);
    for (const std::uint64_t number : after)
      Note(number, "joined to the text on the line before (a text holding a line end)");
    oReading->joinedLines += static_cast<std::uint32_t>(after.size());
    oFields->plmidText = std::move(text);
    *oPiece = gathered_;
    return true;
  }
  if (written) oFields->plmidText = std::move(text);
  line = Expect([] { return Expected("the stamp (% or %)", kStampLabel, kNoStamp); },
                [](std::string_view iText) { return StampStart(iText) == 0; });
  if (!line) return false;
  *oFirst = *line;
  // A stamp holding a line end: its piece goes on while the next line may go on with it.
  *oPiece = Gather(
      &gathered_, oReading,
      [iClosing](std::string_view iText) { return StampPieceMayEnd(iText, iClosing); },
      [iClosing](std::string_view iPiece, std::string_view iNext) {
        return StampPieceGoesOn(iPiece, iNext, iClosing);
      });
  return true;
}

bool Parser::ReadPellShortForm(PellFields* oFields, Reading* oReading, std::string_view iOpening,
                               std::string_view iClosing, bool* oCloses) {
  // The short form is one line, which the closing tag ends; on standard output the exposed
  // identifier's heading may end it instead, or follow it on a line of its own before the
  // closing tag.
  const Line opening = *Current();
  auto mayEnd = [iClosing](std::string_view iText) {
    return EndsWith(iText, iClosing) || EndsWith(iText, " ");
  };
  auto goesOn = [this, iClosing](std::string_view iText, std::string_view iNext) {
    if (EndsWith(iNext, iClosing)) return true;
    if (EndsWith(iText, iClosing)) return false;
    // The heading and then the closing tag alone are the dump's own lines, not a stamp's.
    if (iNext != kPellExposed) return true;
    const std::optional<std::string_view> after = LineAfterCurrent();
    return after && *after != iClosing;
  };
  std::string_view rest = Gather(&gathered_, oReading, mayEnd, goesOn);
  const Line whole{rest, opening.number, opening.column, true};
  rest.remove_prefix(iOpening.size());
  if (!Eat(&rest, kPhysicalIdLabel)) {
    Unplaced(whole, iOpening.size(), Expected("% or the line's end", kPhysicalIdLabel));
    return false;
  }
  std::string_view physical;
  if (!text::SplitAt(&rest, kPhysicalIdEnd, &physical)) {
    Unplaced(whole, whole.text.size() - rest.size(),
             Expected("% after the physical id", kPhysicalIdEnd));
    return false;
  }
  oFields->physicalId.emplace(physical);
  const std::size_t offset = whole.text.size() - rest.size();
  *oCloses = ReadStampPiece(
      Line{rest, whole.number, whole.column + static_cast<std::uint32_t>(offset), true}, iClosing,
      oFields);
  return true;
}

void Parser::ParseProvider(Component* oComponent) {
  ProviderFields& fields = spares_.Use<ProviderFields>(oComponent);
  oComponent->closed = false;
  Take();
  if (!ReadBinaryIdentifier(&fields)) return;
  const Line* line =
      Expect([] { return Expected("%", kProviderNameLead); },
             [](std::string_view iText) { return StartsWith(iText, kProviderNameLead); });
  if (!line) return;
  text::Assign(&fields.providerName, line->text.substr(kProviderNameLead.size()));
  Take();
  JoinContinuation(&fields.providerName, &oComponent->reading, [](std::string_view iText) {
    return iText == kProviderExposed || iText == kProviderClosing;
  });
  line = Current();
  if (line && line->text == kProviderExposed) {
    fields.exposedIdentifierAnnounced = true;
    Take();
  }
  oComponent->closed = ExpectExactly(kProviderClosing);
}

bool Parser::ReadBinaryIdentifier(ProviderFields* oFields) {
  const Line* line = Expect([] { return Expected("% or %", kBinaryLengthLead, kEmptyBinary); },
                            [](std::string_view iText) {
                              return StartsWith(iText, kBinaryLengthLead) || iText == kEmptyBinary;
                            });
  if (!line) return false;
  if (line->text == kEmptyBinary) {
    Take();
    return true;
  }
  std::string_view length = line->text.substr(kBinaryLengthLead.size());
  // Below detail level 2 the provider name follows on the same line.
  const std::size_t name = text::Find(length, kProviderNameLead);
  if (name != std::string_view::npos) length = length.substr(0, name);
  oFields->binaryIdentifierLength = text::Int32(length);
  if (!oFields->binaryIdentifierLength)
    Unplaced(*line, kBinaryLengthLead.size(), "the binary identifier's length (a number)");
  if (Stopped()) return false;
  if (name != std::string_view::npos) {
    KeepRest(kBinaryLengthLead.size() + name);
    return true;
  }
  Take();
  line = Current();
  if (!line || !StartsWith(line->text, kBinaryValueLead)) return true;
  std::string_view value = line->text.substr(kBinaryValueLead.size());
  if (Eat(&value, kIdentifierTooLong)) {
    oFields->uncountableIdentifierBytes = text::Int32(value);
    if (!oFields->uncountableIdentifierBytes)
      Unplaced(*line, line->text.size() - value.size(), "the identifier's length (a number)");
    if (Stopped()) return false;
  } else {
    oFields->binaryIdentifierHexadecimal.emplace(value);
  }
  Take();
  return true;
}

}  // namespace zyn::reader
