// The walk over the fields of each node of a dump tree, in a fixed order, with their meanings.
#include "zyn/reader/RowFields.h"

#include <string>

#include "tree/FieldKeys.h"

namespace zyn::reader {

namespace {

/// Hands fields to the visitor, each at the current line unless told otherwise.
class Walk {
 public:
  explicit Walk(FieldVisitor& ioVisitor) : visitor_(ioVisitor) {}

  std::uint64_t line = 0;

  void Put(std::string_view iKey, std::string_view iLabel, FieldValue iValue,
           FieldRole iRole = FieldRole::Value, FormDependentKind iKind = FormDependentKind::None) {
    visitor_.OnField(Field{iKey, iLabel, iValue, line, iRole, iKind});
  }
  void Text(std::string_view iKey, std::string_view iLabel, std::string_view iText) {
    Put(iKey, iLabel, FieldValue::OfText(iText));
  }
  void Flag(std::string_view iKey, std::string_view iLabel, bool iValue) {
    Put(iKey, iLabel, FieldValue::OfBoolean(iValue));
  }
  void Number(std::string_view iKey, std::string_view iLabel, std::int64_t iValue) {
    Put(iKey, iLabel, FieldValue::OfInteger(iValue));
  }
  /// A number the dump may replace by a note: the number, or the word.
  template <class Integer>
  void NumberOr(std::string_view iKey, std::string_view iLabel,
                const std::optional<Integer>& iValue, std::string_view iWord) {
    Put(iKey, iLabel,
        iValue ? FieldValue::OfInteger(static_cast<std::int64_t>(*iValue))
               : FieldValue::OfWord(iWord));
  }
  void TextOr(std::string_view iKey, std::string_view iLabel,
              const std::optional<std::string>& iValue, std::string_view iWord) {
    Put(iKey, iLabel, iValue ? FieldValue::OfText(*iValue) : FieldValue::OfWord(iWord));
  }
  void Enter(std::string_view iKey, std::string_view iLabel) { visitor_.Enter(iKey, iLabel, line); }
  void Leave() { visitor_.Leave(); }
  FieldVisitor& Visitor() { return visitor_; }

 private:
  FieldVisitor& visitor_;
};

void PutOctets(std::string_view iKey, std::string_view iLabel,
               const std::optional<OctetValue>& iValue, Walk& ioWalk) {
  if (!iValue) return;
  ioWalk.Enter(iKey, iLabel);
  if (iValue->hexadecimal)
    ioWalk.Put(keys::kHexadecimal, "octets in hexadecimal",
               FieldValue::OfText(*iValue->hexadecimal), FieldRole::FormDependent,
               FormDependentKind::OctetHexadecimal);
  if (iValue->tooLongNoticeSize)
    ioWalk.Put(keys::kTooLongNoticeSize, "too long to print: buffer size",
               FieldValue::OfInteger(*iValue->tooLongNoticeSize), FieldRole::FormDependent,
               FormDependentKind::OctetTooLongNotice);
  // Both sinks write the count of a sequence too long to be printed at all.
  if (iValue->uncountableOctets)
    ioWalk.Put(keys::kUncountableOctets, "too long to print: octet count",
               FieldValue::OfInteger(*iValue->uncountableOctets));
  ioWalk.Text(keys::kText, "octets read one character each", iValue->text);
  ioWalk.Leave();
}

void PutFields(const FileBasedFields& iFields, Walk& ioWalk) {
  ioWalk.Text(keys::kName, "name", iFields.name);
  ioWalk.Text(keys::kDocumentType, "document type", iFields.documentType);
  ioWalk.Text(keys::kUuid, "uuid", iFields.uuid);
  if (!iFields.details) return;
  ++ioWalk.line;
  ioWalk.Text(keys::kPathName, "path name", iFields.details->pathName);
  ++ioWalk.line;
  ioWalk.Text(keys::kLastSaveName, "name at last save", iFields.details->lastSaveName);
  ioWalk.Text(keys::kLastSaveTime, "time of last save", iFields.details->lastSaveTime);
  ioWalk.Text(keys::kLastSavePath, "path at last save", iFields.details->lastSavePath);
}

void PutFields(const RmtFileBasedFields& iFields, Walk& ioWalk) {
  ioWalk.Flag(keys::kPx1IdEmpty, "PX1 identifier empty", iFields.px1IdEmpty);
  if (iFields.px1IdHashKey)
    ioWalk.Number(keys::kPx1IdHashKey, "PX1 identifier hash key", *iFields.px1IdHashKey);
  PutOctets(keys::kPx1IdValue, "PX1 identifier value", iFields.px1IdValue, ioWalk);
  ioWalk.Text(keys::kAlias, "alias", iFields.alias);
  ioWalk.Text(keys::kTechnoString, "techno string", iFields.technoString);
  ioWalk.NumberOr(keys::kLinkSequenceLength, "link sequence length", iFields.linkSequenceLength,
                  "empty");
  PutOctets(keys::kLinkSequenceValue, "link sequence value", iFields.linkSequenceValue, ioWalk);
  ioWalk.Flag(keys::kLinkBroken, "link broken", iFields.linkBroken);
  ioWalk.Text(keys::kObjectType, "object type", iFields.objectType);
}

void PutExposedIdentifier(bool iAnnounced, Walk& ioWalk) {
  ioWalk.Put(keys::kExposedIdentifierAnnounced, "exposed identifier heading (named trace)",
             FieldValue::OfBoolean(iAnnounced), FieldRole::Circumstance);
}

void PutFields(const OrvFields& iFields, Walk& ioWalk) {
  if (iFields.hashKey) ioWalk.Number(keys::kHashKey, "hash key", *iFields.hashKey);
  if (iFields.identity) {
    const OrvIdentity& identity = *iFields.identity;
    if (identity.modelPlmidText)
      ioWalk.Put(keys::kModelPlmidText, "model PLMID", FieldValue::OfText(*identity.modelPlmidText),
                 FieldRole::FormDependent, FormDependentKind::OrvModelPlmidText);
    ioWalk.NumberOr(keys::kWorkspaceId, "workspace id", identity.workspaceId, "none");
    ioWalk.TextOr(keys::kWorkspaceUuid, "workspace uuid", identity.workspaceUuid, "none");
    ioWalk.NumberOr(keys::kElementId, "element id", identity.elementId, "none");
    ioWalk.TextOr(keys::kElementUuid, "element uuid", identity.elementUuid, "none");
  }
  ioWalk.Flag(keys::kIdentityFailed, "identity query failed", iFields.identityFailed);
  PutExposedIdentifier(iFields.exposedIdentifierAnnounced, ioWalk);
}

void PutFields(const PellFields& iFields, Walk& ioWalk) {
  ioWalk.Flag(keys::kFullForm, "full PLMID form", iFields.fullForm);
  if (iFields.physicalId) ioWalk.Text(keys::kPhysicalId, "physical id", *iFields.physicalId);
  if (iFields.plmidText)
    ioWalk.Put(keys::kPlmidText, "PLMID", FieldValue::OfText(*iFields.plmidText),
               FieldRole::FormDependent, FormDependentKind::PellPlmidText);
  ioWalk.TextOr(keys::kCeStamp, "CE stamp", iFields.ceStamp, "none");
  PutExposedIdentifier(iFields.exposedIdentifierAnnounced, ioWalk);
}

void PutFields(const ProviderFields& iFields, Walk& ioWalk) {
  ioWalk.NumberOr(keys::kBinaryIdentifierLength, "binary identifier length",
                  iFields.binaryIdentifierLength, "empty");
  if (iFields.binaryIdentifierHexadecimal)
    ioWalk.Text(keys::kBinaryIdentifierHexadecimal, "binary identifier in hexadecimal",
                *iFields.binaryIdentifierHexadecimal);
  // Both sinks write the length of an identifier too long to be printed at all.
  if (iFields.uncountableIdentifierBytes)
    ioWalk.Put(keys::kUncountableIdentifierBytes, "too long to print: identifier length",
               FieldValue::OfInteger(*iFields.uncountableIdentifierBytes));
  ioWalk.Text(keys::kProviderName, "provider name", iFields.providerName);
  PutExposedIdentifier(iFields.exposedIdentifierAnnounced, ioWalk);
}

void PutFields(const DummyFields&, Walk&) {}

std::string_view PresenceWord(ComponentPresence iPresence) {
  return iPresence == ComponentPresence::Absent ? "none" : "nothing written";
}

/// A component's place: a group holding the component's kind and fields, or the kind alone
/// as a word when the place holds no component.
void PutPlace(std::string_view iKey, std::string_view iLabel, const ComponentPlace& iPlace,
              std::uint64_t iLine, Walk& ioWalk) {
  const std::uint64_t line = iPlace.component ? iPlace.component->span.firstLine : iLine;
  ioWalk.line = line;
  ioWalk.Enter(iKey, iLabel);
  if (iPlace.component)
    VisitComponentFields(*iPlace.component, ioWalk.Visitor());
  else
    ioWalk.Put(keys::kKind, "component kind", FieldValue::OfWord(PresenceWord(iPlace.presence)));
  ioWalk.Leave();
}

/// The line after a place: where the next line of its row begins.
std::uint64_t LineAfter(const ComponentPlace& iPlace, std::uint64_t iLineOfPlace) {
  if (iPlace.component) return iPlace.component->span.lastLine + 1;
  return iPlace.presence == ComponentPresence::Absent ? iLineOfPlace + 1 : iLineOfPlace;
}

/// A version or major id, written after its component.
void PutIdentifier(std::string_view iKey, std::string_view iLabel, const HexIdentifier& iValue,
                   Walk& ioWalk) {
  switch (iValue.presence) {
    case IdentifierPresence::Present:
      ioWalk.Text(iKey, iLabel, iValue.hexadecimal);
      ++ioWalk.line;
      return;
    case IdentifierPresence::Absent:
      ioWalk.Put(iKey, iLabel, FieldValue::OfWord("none"));
      ++ioWalk.line;
      return;
    case IdentifierPresence::NotWritten:
      ioWalk.Put(iKey, iLabel, FieldValue::OfWord("not written"));
      return;
  }
}

/// What a row's header says: its ordinal, its uuid, and how the row was cut short.
void PutHeader(const RowHeader& iHeader, const SourceSpan& iSpan, Walk& ioWalk) {
  ioWalk.line = iSpan.firstLine;
  if (iHeader.ordinal)
    ioWalk.Put(keys::kOrdinal, "ordinal", FieldValue::OfInteger(*iHeader.ordinal),
               FieldRole::Position);
  ioWalk.Put(keys::kUuid, "uuid",
             iHeader.uuid ? FieldValue::OfText(*iHeader.uuid) : FieldValue::OfWord("invalid"));
  if (iHeader.headerOnly) ioWalk.Flag(keys::kHeaderOnly, "header only (detail level 0)", true);
  if (iHeader.stoppedAfterFirstPiece)
    ioWalk.Flag(keys::kStoppedAfterFirstPiece, "stopped after the header's first piece", true);
}

/// The closing line, after everything else of the row.
void PutClosed(const std::optional<RowClosing>& iClosing, const SourceSpan& iSpan, Walk& ioWalk) {
  ioWalk.line = iClosing ? iClosing->line : iSpan.lastLine;
  ioWalk.Flag(keys::kClosed, "closed by its closing line", iClosing.has_value());
}

/// Whether the row already existed, and its modification state.
template <class Row>
void PutState(const Row& iRow, Walk& ioWalk) {
  ioWalk.Flag(keys::kAlreadyExists, "already exists", iRow.alreadyExists);
  ioWalk.Number(keys::kModificationState, "modification state", iRow.modificationState);
}

/// A DMT row's two components, each with its version, and the M1 component's major id; the
/// non-M1 component's place is on line iLine.
void PutDmtComponents(const DmtRow& iRow, std::uint64_t iLine, Walk& ioWalk) {
  PutPlace(keys::kNonM1Component, "non-M1 component", iRow.nonM1Component, iLine, ioWalk);
  ioWalk.line = LineAfter(iRow.nonM1Component, iLine);
  PutIdentifier(keys::kNonM1ComponentVersion, "non-M1 component version",
                iRow.nonM1ComponentVersion, ioWalk);
  const std::uint64_t m1Line = ioWalk.line + 2;
  PutPlace(keys::kM1Component, "M1 component", iRow.m1Component, m1Line, ioWalk);
  ioWalk.line = LineAfter(iRow.m1Component, m1Line);
  PutIdentifier(keys::kM1ComponentVersion, "M1 component version", iRow.m1ComponentVersion, ioWalk);
  PutIdentifier(keys::kM1ComponentMajorId, "M1 component major id", iRow.m1ComponentMajorId,
                ioWalk);
  ioWalk.line += 1;
}

bool HasBody(const RowHeader& iHeader) {
  return !iHeader.headerOnly && !iHeader.stoppedAfterFirstPiece;
}

/// A row's header; its body (iBody, with the walk at the line after the header) when the row
/// has one; iBeforeClosing, when given; then whether the row was closed.
template <class Row, class Body>
void WalkRow(const Row& iRow, FieldVisitor& ioVisitor, const std::function<void()>& iBeforeClosing,
             Body iBody) {
  Walk walk(ioVisitor);
  PutHeader(iRow.header, iRow.span, walk);
  if (HasBody(iRow.header)) {
    walk.line = iRow.span.firstLine + 1;
    iBody(walk);
  }
  if (iBeforeClosing) iBeforeClosing();
  PutClosed(iRow.closing, iRow.span, walk);
}

}  // namespace

std::string_view RowUuidText(const RowHeader& iHeader) {
  return iHeader.uuid ? std::string_view(*iHeader.uuid) : std::string_view("invalid element uuid");
}

void VisitComponentFields(const Component& iComponent, FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iComponent.span.firstLine;
  walk.Put(keys::kKind, "component kind", FieldValue::OfWord(NodeKindName(iComponent.kind)));
  std::visit([&](const auto& iFields) { PutFields(iFields, walk); }, iComponent.fields);
  walk.line = iComponent.span.lastLine;
  walk.Flag(keys::kClosed, "closed by its closing tag", iComponent.closed);
}

void VisitManagerFields(const ManagerHeader& iHeader, const ManagerTrailer* iTrailer,
                        FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iHeader.span.firstLine;
  walk.Flag(keys::kHasContext, "has a context", iHeader.hasContext);
  if (iHeader.hasContext) {
    ++walk.line;
    walk.Text(keys::kContextName, "context name", iHeader.contextName);
  }
  walk.Flag(keys::kPlmidCompletionActive, "PLMID completion active", iHeader.plmidCompletionActive);
  ++walk.line;
  walk.Put(keys::kListing, "DMT elements listed",
           FieldValue::OfWord(iHeader.listing == Listing::All ? "all" : "to be saved"));
  if (iHeader.allRowCount)
    walk.Number(keys::kAllRowCount, "number of all DMT elements", *iHeader.allRowCount);
  walk.line = iHeader.span.lastLine;
  walk.Number(keys::kAnnouncedRowCount, "number of DMT elements listed", iHeader.announcedRowCount);
  if (!iTrailer) return;
  walk.line = iTrailer->listClosingLine ? iTrailer->listClosingLine : iTrailer->span.firstLine;
  walk.Flag(keys::kListClosed, "list of DMT elements closed", iTrailer->listClosingLine != 0);
  walk.line = iTrailer->managerClosingLine ? iTrailer->managerClosingLine : iTrailer->span.lastLine;
  walk.Flag(keys::kManagerClosed, "manager closed", iTrailer->managerClosingLine != 0);
}

void VisitEnvironmentFields(const Environment& iEnvironment, FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iEnvironment.span.firstLine + 1;
  walk.Text(keys::kName, "name", iEnvironment.name);
  walk.Text(keys::kMappingClient, "mapping client", iEnvironment.mappingClient);
  walk.Text(keys::kMappingMaster, "mapping master", iEnvironment.mappingMaster);
  if (iEnvironment.directory) {
    ++walk.line;
    walk.Text(keys::kDirectory, "directory", *iEnvironment.directory);
  }
  walk.line = iEnvironment.span.lastLine;
  walk.Flag(keys::kClosed, "closed by its closing tag", iEnvironment.closed);
}

void VisitDmtRowFields(const DmtRow& iRow, FieldVisitor& ioVisitor,
                       const std::function<void()>& iBeforeClosing) {
  WalkRow(iRow, ioVisitor, iBeforeClosing, [&](Walk& ioWalk) {
    ioWalk.Text(keys::kMappingMaster, "mapping master", iRow.mappingMaster);
    PutState(iRow, ioWalk);
    PutDmtComponents(iRow, ioWalk.line + 2, ioWalk);
    if (!iRow.rmtRows.empty()) ioWalk.line = iRow.rmtRows.front().span.firstLine - 1;
    if (iRow.announcedRmtRowCount)
      ioWalk.Number(keys::kAnnouncedRmtRowCount, "number of RMT elements",
                    *iRow.announcedRmtRowCount);
  });
}

void VisitRmtRowFields(const RmtRow& iRow, FieldVisitor& ioVisitor) {
  WalkRow(iRow, ioVisitor, {}, [&](Walk& ioWalk) {
    const std::uint64_t state = ioWalk.line;
    ioWalk.Flag(keys::kMigrationState, "migration state", iRow.migrationState);
    PutState(iRow, ioWalk);
    PutPlace(keys::kOwner, "owner component", iRow.owner, state, ioWalk);
    PutPlace(keys::kRef, "Ref component", iRow.ref, state, ioWalk);
    PutPlace(keys::kPointed, "pointed component", iRow.pointed, state, ioWalk);
    PutPlace(keys::kNonM1Component, "non-M1 component", iRow.nonM1Component, state, ioWalk);
    ioWalk.line = iRow.m1Components.empty() ? LineAfter(iRow.nonM1Component, state) + 1
                                            : iRow.m1Components.front().span.firstLine - 1;
    ioWalk.NumberOr(keys::kAnnouncedM1ComponentCount, "number of M1 components",
                    iRow.announcedM1ComponentCount, "none");
    std::string key;
    for (std::size_t i = 0; i < iRow.m1Components.size(); ++i) {
      key.assign(keys::kM1Components).append("[").append(std::to_string(i + 1)).append("]");
      ioWalk.line = iRow.m1Components[i].span.firstLine;
      ioWalk.Enter(key, "M1 component");
      VisitComponentFields(iRow.m1Components[i], ioVisitor);
      ioWalk.Leave();
    }
  });
}

}  // namespace zyn::reader
