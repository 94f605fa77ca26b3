// Each node of the tree as one compact JSON object, keys in a fixed order, absent values null.
#include "zyn/reader/TreeJson.h"

#include <array>
#include <cstring>
#include <iterator>
#include <optional>

#include "json/JsonPieces.h"
#include "tree/EnumTable.h"
#include "tree/FieldKeys.h"

namespace zyn::reader {

namespace {

using json::QuotedName;
using json::QuoteNames;
using json::WriteDecimal;

constexpr std::size_t kNodeKindCount = std::size(detail::kNodeKindWords);
constexpr auto kQuotedKinds = QuoteNames<kNodeKindCount>(
    [](std::size_t i) { return NodeKindName(static_cast<NodeKind>(i)); });

/// Appends the members of one JSON object, each key once, in the order given. Every member is
/// written inline, so that each key, a constant, is copied as a word or two of known size.
class Members {
 public:
  explicit Members(JsonText* oJson, std::string_view iLead = "{") : json_(oJson) {
    json_->Append(iLead);
  }
  void Close() { json_->Push('}'); }

  /// Writes the separator and the key; keys are short names known here.
  [[gnu::always_inline]] JsonText* Key(std::string_view iKey) {
    Commit(KeyAt(iKey, json_->Claim(iKey.size() + 4)));
    return json_;
  }
  /// Writes the separator and the key at iOut; answers the end.
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
  [[gnu::always_inline]] void Text(std::string_view iKey, std::string_view iValue) {
    AppendJsonString(iValue, Key(iKey));
  }
  template <class String>
  [[gnu::always_inline]] void MaybeText(std::string_view iKey,
                                        const std::optional<String>& iValue) {
    if (iValue)
      Text(iKey, std::string_view(*iValue));
    else
      Null(iKey);
  }
  /// The key and a name of this program's, which needs no escape, in its quotes.
  [[gnu::always_inline]] void Name(std::string_view iKey, const QuotedName& iName) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + QuotedName::kRoom));
    std::memcpy(out, iName.text, QuotedName::kRoom);
    Commit(out + iName.size);
  }
  [[gnu::always_inline]] void Number(std::string_view iKey, std::int64_t iValue) {
    Commit(WriteDecimal(KeyAt(iKey, json_->Claim(iKey.size() + 4 + 21)), iValue));
  }
  template <class Integer>
  [[gnu::always_inline]] void Number(std::string_view iKey, const std::optional<Integer>& iValue) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + 21));
    if (iValue) {
      out = WriteDecimal(out, static_cast<std::int64_t>(*iValue));
    } else {
      std::memcpy(out, "null", 4);
      out += 4;
    }
    Commit(out);
  }
  [[gnu::always_inline]] void Flag(std::string_view iKey, bool iValue) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + 5));
    // Five bytes either way, the fifth of "true" its terminating NUL, in room claimed and left
    // beyond the end.
    std::memcpy(out, iValue ? "true" : "false", 5);
    Commit(out + (iValue ? 4 : 5));
  }
  [[gnu::always_inline]] void Null(std::string_view iKey) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + 4));
    std::memcpy(out, "null", 4);
    Commit(out + 4);
  }

  /// The members every node has: kind, lines, and what the reader had to guess.
  void Node(NodeKind iKind, const SourceSpan& iSpan, const Reading* iReading) {
    Name(keys::kKind, kQuotedKinds[static_cast<std::size_t>(iKind)]);
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

constexpr auto kQuotedComponentPresences = QuoteNames<std::size(kComponentPresenceNames)>(
    [](std::size_t i) { return kComponentPresenceNames[i]; });
constexpr auto kQuotedIdentifierPresences = QuoteNames<std::size(kIdentifierPresenceNames)>(
    [](std::size_t i) { return kIdentifierPresenceNames[i]; });

const QuotedName& PresenceName(ComponentPresence iPresence) {
  return kQuotedComponentPresences[static_cast<std::size_t>(iPresence)];
}

const QuotedName& PresenceName(IdentifierPresence iPresence) {
  return kQuotedIdentifierPresences[static_cast<std::size_t>(iPresence)];
}

[[gnu::always_inline]] inline void AppendPlace(std::string_view iKey, const ComponentPlace& iPlace,
                                               Members* ioMembers) {
  Members place(ioMembers->Key(iKey));
  place.Name(keys::kPresence, PresenceName(iPlace.presence));
  if (iPlace.component)
    AppendJson(*iPlace.component, place.Key(keys::kComponent));
  else
    place.Null(keys::kComponent);
  place.Close();
}

[[gnu::always_inline]] inline void AppendIdentifier(std::string_view iKey,
                                                    const HexIdentifier& iIdentifier,
                                                    Members* ioMembers) {
  Members identifier(ioMembers->Key(iKey));
  identifier.Name(keys::kPresence, PresenceName(iIdentifier.presence));
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
