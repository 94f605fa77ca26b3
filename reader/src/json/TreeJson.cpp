// Each node of the tree as one compact JSON object, keys in a fixed order, absent values null.
#include "zyn/reader/TreeJson.h"

#include <array>
#include <cstring>
#include <iterator>
#include <optional>

#include "tree/EnumTable.h"
#include "tree/FieldKeys.h"

namespace zyn::reader {

namespace {

/// Writes iValue in decimal at oOut (room for 20 characters), two digits at a time from a
/// table, without the locale; answers the end.
char* WriteDecimal(char* oOut, std::int64_t iValue) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::uint64_t value = static_cast<std::uint64_t>(iValue);
  if (iValue < 0) {
    *oOut++ = '-';
    value = 0 - value;
  }
  // The count of digits from the count of bits: 1233 / 4096 is just under log10(2), so the
  // estimate is the count or one less, which one comparison with 10^estimate settles (with 0 in
  // place of 10^0, so that every number of fewer than 4 bits, 0 included, has one digit).
  static constexpr auto kPowers = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::size_t i = 1; i < powers.size(); ++i) powers[i] = power *= 10;
    return powers;
  }();
  const unsigned bits = 64 - static_cast<unsigned>(__builtin_clzll(value | 1));
  const unsigned estimate = (bits * 1233) >> 12;
  const std::size_t digits = estimate + (value >= kPowers[estimate] ? 1 : 0);
  char* end = oOut + digits;
  char* at = end;
  for (; value >= 100; value /= 100) {
    at -= 2;
    std::memcpy(at, kPairs + 2 * (value % 100), 2);
  }
  if (value >= 10) {
    std::memcpy(at - 2, kPairs + 2 * value, 2);
  } else {
    at[-1] = static_cast<char>('0' + value);
  }
  return end;
}

/// Appends the members of one JSON object, each key once, in the order given.
class Members {
 public:
  explicit Members(JsonText* oJson, std::string_view iLead = "{") : json_(oJson) {
    json_->Append(iLead);
  }
  void Close() { json_->Push('}'); }

  /// Writes the separator and the key; keys are short names known here.
  JsonText* Key(std::string_view iKey) {
    Commit(KeyAt(iKey, json_->Claim(iKey.size() + 4)));
    return json_;
  }
  /// Writes the separator and the key at iOut; answers the end. Inline, so that each key's
  /// copy is of a known size, without a call.
  [[gnu::always_inline]] char* KeyAt(std::string_view iKey, char* iOut) {
    if (!first_) *iOut++ = ',';
    first_ = false;
    *iOut++ = '"';
    std::memcpy(iOut, iKey.data(), iKey.size());
    iOut += iKey.size();
    *iOut++ = '"';
    *iOut++ = ':';
    return iOut;
  }
  void Commit(char* iEnd) { json_->Commit(iEnd); }
  void Text(std::string_view iKey, const std::string& iValue) {
    Text(iKey, std::string_view(iValue));
  }
  void Text(std::string_view iKey, const char* iValue) { Text(iKey, std::string_view(iValue)); }
  void Text(std::string_view iKey, std::string_view iValue) { AppendJsonString(iValue, Key(iKey)); }
  void MaybeText(std::string_view iKey, const std::optional<std::string>& iValue) {
    if (iValue)
      Text(iKey, std::string_view(*iValue));
    else
      Null(iKey);
  }
  [[gnu::always_inline]] void Number(std::string_view iKey, std::int64_t iValue) {
    Commit(WriteDecimal(KeyAt(iKey, json_->Claim(iKey.size() + 4 + 21)), iValue));
  }
  template <class Integer>
  void Number(std::string_view iKey, const std::optional<Integer>& iValue) {
    if (iValue)
      Number(iKey, static_cast<std::int64_t>(*iValue));
    else
      Null(iKey);
  }
  void Flag(std::string_view iKey, bool iValue) { Word(iKey, iValue ? "true" : "false"); }
  void Null(std::string_view iKey) { Word(iKey, "null"); }
  /// The key and a word of at most five letters.
  void Word(std::string_view iKey, std::string_view iWord) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + 5));
    for (char c : iWord) *out++ = c;
    Commit(out);
  }

  /// The members every node has: kind, lines, and what the reader had to guess.
  void Node(NodeKind iKind, const SourceSpan& iSpan, const Reading* iReading) {
    Text(keys::kKind, NodeKindName(iKind));
    Number(keys::kLine, static_cast<std::int64_t>(iSpan.firstLine));
    Number(keys::kLastLine, static_cast<std::int64_t>(iSpan.lastLine));
    if (iSpan.firstColumn != 1) Number(keys::kColumn, iSpan.firstColumn);
    if (iReading && iReading->ambiguous) Flag(keys::kAmbiguous, true);
    if (iReading && iReading->joinedLines) Number(keys::kJoinedLines, iReading->joinedLines);
  }

 private:
  JsonText* json_;
  bool first_ = true;
};

void AppendOctets(std::string_view iKey, const std::optional<OctetValue>& iValue,
                  Members* ioMembers) {
  if (!iValue) return ioMembers->Null(iKey);
  Members value(ioMembers->Key(iKey));
  value.MaybeText(keys::kHexadecimal, iValue->hexadecimal);
  value.Number(keys::kTooLongNoticeSize, iValue->tooLongNoticeSize);
  value.Number(keys::kUncountableOctets, iValue->uncountableOctets);
  value.Text(keys::kText, iValue->text);
  value.Close();
}

void AppendFields(const FileBasedFields& iFields, Members* ioMembers) {
  ioMembers->Text(keys::kName, iFields.name);
  ioMembers->Text(keys::kDocumentType, iFields.documentType);
  ioMembers->Text(keys::kUuid, iFields.uuid);
  if (!iFields.details) return ioMembers->Null(keys::kDetails);
  Members details(ioMembers->Key(keys::kDetails));
  details.Text(keys::kPathName, iFields.details->pathName);
  details.Text(keys::kLastSaveName, iFields.details->lastSaveName);
  details.Text(keys::kLastSaveTime, iFields.details->lastSaveTime);
  details.Text(keys::kLastSavePath, iFields.details->lastSavePath);
  details.Close();
}

void AppendFields(const RmtFileBasedFields& iFields, Members* ioMembers) {
  ioMembers->Flag(keys::kPx1IdEmpty, iFields.px1IdEmpty);
  ioMembers->Number(keys::kPx1IdHashKey, iFields.px1IdHashKey);
  AppendOctets(keys::kPx1IdValue, iFields.px1IdValue, ioMembers);
  ioMembers->Text(keys::kAlias, iFields.alias);
  ioMembers->Text(keys::kTechnoString, iFields.technoString);
  ioMembers->Number(keys::kLinkSequenceLength, iFields.linkSequenceLength);
  AppendOctets(keys::kLinkSequenceValue, iFields.linkSequenceValue, ioMembers);
  ioMembers->Flag(keys::kLinkBroken, iFields.linkBroken);
  ioMembers->Text(keys::kObjectType, iFields.objectType);
}

void AppendFields(const OrvFields& iFields, Members* ioMembers) {
  ioMembers->Number(keys::kHashKey, iFields.hashKey);
  if (iFields.identity) {
    const OrvIdentity& identity = *iFields.identity;
    Members members(ioMembers->Key(keys::kIdentity));
    members.MaybeText(keys::kModelPlmidText, identity.modelPlmidText);
    members.Number(keys::kWorkspaceId, identity.workspaceId);
    members.MaybeText(keys::kWorkspaceUuid, identity.workspaceUuid);
    members.Number(keys::kElementId, identity.elementId);
    members.MaybeText(keys::kElementUuid, identity.elementUuid);
    members.Close();
  } else {
    ioMembers->Null(keys::kIdentity);
  }
  ioMembers->Flag(keys::kIdentityFailed, iFields.identityFailed);
  ioMembers->Flag(keys::kExposedIdentifierAnnounced, iFields.exposedIdentifierAnnounced);
}

void AppendFields(const PellFields& iFields, Members* ioMembers) {
  ioMembers->Flag(keys::kFullForm, iFields.fullForm);
  ioMembers->MaybeText(keys::kPhysicalId, iFields.physicalId);
  ioMembers->MaybeText(keys::kPlmidText, iFields.plmidText);
  ioMembers->MaybeText(keys::kCeStamp, iFields.ceStamp);
  ioMembers->Flag(keys::kExposedIdentifierAnnounced, iFields.exposedIdentifierAnnounced);
}

void AppendFields(const ProviderFields& iFields, Members* ioMembers) {
  ioMembers->Number(keys::kBinaryIdentifierLength, iFields.binaryIdentifierLength);
  ioMembers->MaybeText(keys::kBinaryIdentifierHexadecimal, iFields.binaryIdentifierHexadecimal);
  ioMembers->Number(keys::kUncountableIdentifierBytes, iFields.uncountableIdentifierBytes);
  ioMembers->Text(keys::kProviderName, iFields.providerName);
  ioMembers->Flag(keys::kExposedIdentifierAnnounced, iFields.exposedIdentifierAnnounced);
}

void AppendFields(const DummyFields&, Members*) {}

constexpr std::string_view kComponentPresenceNames[] = {"absent", "nothingWritten", "dumped"};
static_assert(std::size(kComponentPresenceNames) == EnumCount(ComponentPresence::Dumped));
constexpr std::string_view kIdentifierPresenceNames[] = {"present", "absent", "notWritten"};
static_assert(std::size(kIdentifierPresenceNames) == EnumCount(IdentifierPresence::NotWritten));

std::string_view PresenceName(ComponentPresence iPresence) {
  return EntryFor(kComponentPresenceNames, iPresence);
}

std::string_view PresenceName(IdentifierPresence iPresence) {
  return EntryFor(kIdentifierPresenceNames, iPresence);
}

void AppendPlace(std::string_view iKey, const ComponentPlace& iPlace, Members* ioMembers) {
  Members place(ioMembers->Key(iKey));
  place.Text(keys::kPresence, PresenceName(iPlace.presence));
  if (iPlace.component)
    AppendJson(*iPlace.component, place.Key(keys::kComponent));
  else
    place.Null(keys::kComponent);
  place.Close();
}

void AppendIdentifier(std::string_view iKey, const HexIdentifier& iIdentifier, Members* ioMembers) {
  Members identifier(ioMembers->Key(iKey));
  identifier.Text(keys::kPresence, PresenceName(iIdentifier.presence));
  if (iIdentifier.presence == IdentifierPresence::Present)
    identifier.Text(keys::kHexadecimal, iIdentifier.hexadecimal);
  else
    identifier.Null(keys::kHexadecimal);
  identifier.Close();
}

/// Opens a row's object: the members every node has, then its header's.
template <class Row>
Members OpenRow(NodeKind iKind, const Row& iRow, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(iKind, iRow.span, &iRow.reading);
  members.Number(keys::kOrdinal, iRow.header.ordinal);
  members.MaybeText(keys::kUuid, iRow.header.uuid);
  members.Flag(keys::kHeaderOnly, iRow.header.headerOnly);
  members.Flag(keys::kStoppedAfterFirstPiece, iRow.header.stoppedAfterFirstPiece);
  return members;
}

/// Whether the row already existed, and its modification state.
template <class Row>
void AppendState(const Row& iRow, Members* ioMembers) {
  ioMembers->Flag(keys::kAlreadyExists, iRow.alreadyExists);
  ioMembers->Number(keys::kModificationState, iRow.modificationState);
}

/// Writes the row's closing line, and closes its object.
void CloseRow(const std::optional<RowClosing>& iClosing, Members* ioMembers) {
  if (!iClosing) {
    ioMembers->Null(keys::kClosing);
  } else {
    Members closing(ioMembers->Key(keys::kClosing));
    closing.Number(keys::kLine, static_cast<std::int64_t>(iClosing->line));
    closing.Number(keys::kOrdinal, iClosing->ordinal);
    closing.MaybeText(keys::kUuid, iClosing->uuid);
    closing.Close();
  }
  ioMembers->Close();
}

/// A DMT row's two components, each with its version, and the M1 component's major id.
void AppendDmtComponents(const DmtRow& iRow, Members* ioMembers) {
  AppendPlace(keys::kNonM1Component, iRow.nonM1Component, ioMembers);
  AppendIdentifier(keys::kNonM1ComponentVersion, iRow.nonM1ComponentVersion, ioMembers);
  AppendPlace(keys::kM1Component, iRow.m1Component, ioMembers);
  AppendIdentifier(keys::kM1ComponentVersion, iRow.m1ComponentVersion, ioMembers);
  AppendIdentifier(keys::kM1ComponentMajorId, iRow.m1ComponentMajorId, ioMembers);
}

/// Writes a row's nodes of one kind as the member iKey: an array, in the order of the text.
template <class Node>
void AppendList(std::string_view iKey, const std::vector<Node>& iNodes, Members* ioMembers) {
  JsonText* list = ioMembers->Key(iKey);
  list->Push('[');
  for (std::size_t i = 0; i < iNodes.size(); ++i) {
    if (i) list->Push(',');
    AppendJson(iNodes[i], list);
  }
  list->Push(']');
}

}  // namespace

void AppendJson(const Component& iComponent, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(iComponent.kind, iComponent.span, &iComponent.reading);
  members.Flag(keys::kClosed, iComponent.closed);
  std::visit([&](const auto& iFields) { AppendFields(iFields, &members); }, iComponent.fields);
  members.Close();
}

void AppendJson(const RmtRow& iRow, JsonText* oJson, std::string_view iLead) {
  Members members = OpenRow(NodeKind::RmtRow, iRow, oJson, iLead);
  members.Flag(keys::kMigrationState, iRow.migrationState);
  AppendState(iRow, &members);
  AppendPlace(keys::kOwner, iRow.owner, &members);
  AppendPlace(keys::kRef, iRow.ref, &members);
  AppendPlace(keys::kPointed, iRow.pointed, &members);
  AppendPlace(keys::kNonM1Component, iRow.nonM1Component, &members);
  members.Number(keys::kAnnouncedM1ComponentCount, iRow.announcedM1ComponentCount);
  AppendList(keys::kM1Components, iRow.m1Components, &members);
  CloseRow(iRow.closing, &members);
}

void AppendJson(const DmtRow& iRow, JsonText* oJson, std::string_view iLead) {
  Members members = OpenRow(NodeKind::DmtRow, iRow, oJson, iLead);
  members.Text(keys::kMappingMaster, iRow.mappingMaster);
  AppendState(iRow, &members);
  AppendDmtComponents(iRow, &members);
  members.Number(keys::kAnnouncedRmtRowCount, iRow.announcedRmtRowCount);
  AppendList(keys::kRmtRows, iRow.rmtRows, &members);
  CloseRow(iRow.closing, &members);
}

void AppendJson(const Environment& iEnvironment, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Environment, iEnvironment.span, &iEnvironment.reading);
  members.Flag(keys::kClosed, iEnvironment.closed);
  members.Text(keys::kName, iEnvironment.name);
  members.Text(keys::kMappingClient, iEnvironment.mappingClient);
  members.Text(keys::kMappingMaster, iEnvironment.mappingMaster);
  members.MaybeText(keys::kDirectory, iEnvironment.directory);
  members.Close();
}

void AppendJson(const RawLine& iRaw, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Raw, SourceSpan{iRaw.line, iRaw.line, iRaw.column}, nullptr);
  members.Text(keys::kText, iRaw.text);
  members.Close();
}

void AppendJson(const Problem& iProblem, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Text(keys::kSeverity, iProblem.severity == Severity::Note ? "note" : "error");
  members.Number(keys::kLine, static_cast<std::int64_t>(iProblem.line));
  members.Number(keys::kColumn, iProblem.column);
  members.Text(keys::kMessage, iProblem.message);
  members.Flag(keys::kSplitBetweenSinks, iProblem.splitBetweenSinks);
  members.Close();
}

void AppendManagerHeaderMembers(const ManagerHeader& iHeader, JsonText* oJson,
                                std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Manager, iHeader.span, &iHeader.reading);
  members.Flag(keys::kHasContext, iHeader.hasContext);
  if (iHeader.hasContext)
    members.Text(keys::kContextName, iHeader.contextName);
  else
    members.Null(keys::kContextName);
  members.Flag(keys::kPlmidCompletionActive, iHeader.plmidCompletionActive);
  members.Text(keys::kListing, iHeader.listing == Listing::All ? "all" : "toBeSaved");
  members.Number(keys::kAllRowCount, iHeader.allRowCount);
  members.Number(keys::kAnnouncedRowCount, iHeader.announcedRowCount);
}

void AppendJson(const ManagerTrailer& iTrailer, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Number(keys::kLine, static_cast<std::int64_t>(iTrailer.span.firstLine));
  members.Number(keys::kLastLine, static_cast<std::int64_t>(iTrailer.span.lastLine));
  members.Number(keys::kListClosingLine, static_cast<std::int64_t>(iTrailer.listClosingLine));
  members.Number(keys::kManagerClosingLine, static_cast<std::int64_t>(iTrailer.managerClosingLine));
  members.Number(keys::kRowsRead, static_cast<std::int64_t>(iTrailer.rowsRead));
  members.Close();
}

}  // namespace zyn::reader
