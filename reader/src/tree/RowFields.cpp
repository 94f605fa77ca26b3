// The walk over the fields of each node of a dump tree, in a fixed order, with their meanings.
#include "zyn/reader/RowFields.h"

#include <string>

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
    ioWalk.Put("hexadecimal", "octets in hexadecimal", FieldValue::OfText(*iValue->hexadecimal),
               FieldRole::FormDependent, FormDependentKind::OctetHexadecimal);
  if (iValue->tooLongNoticeSize)
    ioWalk.Put("tooLongNoticeSize", "too long to print: buffer size",
               FieldValue::OfInteger(*iValue->tooLongNoticeSize), FieldRole::FormDependent,
               FormDependentKind::OctetTooLongNotice);
  // Both sinks write the count of a sequence too long to be printed at all.
  if (iValue->uncountableOctets)
    ioWalk.Put("uncountableOctets", "too long to print: octet count",
               FieldValue::OfInteger(*iValue->uncountableOctets));
  ioWalk.Text("text", "octets read one character each", iValue->text);
  ioWalk.Leave();
}

void PutFields(const FileBasedFields& iFields, Walk& ioWalk) {
  ioWalk.Text("name", "name", iFields.name);
  ioWalk.Text("documentType", "document type", iFields.documentType);
  ioWalk.Text("uuid", "uuid", iFields.uuid);
  if (!iFields.details) return;
  ++ioWalk.line;
  ioWalk.Text("pathName", "path name", iFields.details->pathName);
  ++ioWalk.line;
  ioWalk.Text("lastSaveName", "name at last save", iFields.details->lastSaveName);
  ioWalk.Text("lastSaveTime", "time of last save", iFields.details->lastSaveTime);
  ioWalk.Text("lastSavePath", "path at last save", iFields.details->lastSavePath);
}

void PutFields(const RmtFileBasedFields& iFields, Walk& ioWalk) {
  ioWalk.Flag("px1IdEmpty", "PX1 identifier empty", iFields.px1IdEmpty);
  if (iFields.px1IdHashKey)
    ioWalk.Number("px1IdHashKey", "PX1 identifier hash key", *iFields.px1IdHashKey);
  PutOctets("px1IdValue", "PX1 identifier value", iFields.px1IdValue, ioWalk);
  ioWalk.Text("alias", "alias", iFields.alias);
  ioWalk.Text("technoString", "techno string", iFields.technoString);
  ioWalk.NumberOr("linkSequenceLength", "link sequence length", iFields.linkSequenceLength,
                  "empty");
  PutOctets("linkSequenceValue", "link sequence value", iFields.linkSequenceValue, ioWalk);
  ioWalk.Flag("linkBroken", "link broken", iFields.linkBroken);
  ioWalk.Text("objectType", "object type", iFields.objectType);
}

void PutExposedIdentifier(bool iAnnounced, Walk& ioWalk) {
  ioWalk.Put("exposedIdentifierAnnounced", "exposed identifier heading (named trace)",
             FieldValue::OfBoolean(iAnnounced), FieldRole::Circumstance);
}

void PutFields(const OrvFields& iFields, Walk& ioWalk) {
  if (iFields.hashKey) ioWalk.Number("hashKey", "hash key", *iFields.hashKey);
  if (iFields.identity) {
    const OrvIdentity& identity = *iFields.identity;
    if (identity.modelPlmidText)
      ioWalk.Put("modelPlmidText", "model PLMID", FieldValue::OfText(*identity.modelPlmidText),
                 FieldRole::FormDependent, FormDependentKind::OrvModelPlmidText);
    ioWalk.NumberOr("workspaceId", "workspace id", identity.workspaceId, "none");
    ioWalk.TextOr("workspaceUuid", "workspace uuid", identity.workspaceUuid, "none");
    ioWalk.NumberOr("elementId", "element id", identity.elementId, "none");
    ioWalk.TextOr("elementUuid", "element uuid", identity.elementUuid, "none");
  }
  ioWalk.Flag("identityFailed", "identity query failed", iFields.identityFailed);
  PutExposedIdentifier(iFields.exposedIdentifierAnnounced, ioWalk);
}

void PutFields(const PellFields& iFields, Walk& ioWalk) {
  ioWalk.Flag("fullForm", "full PLMID form", iFields.fullForm);
  if (iFields.physicalId) ioWalk.Text("physicalId", "physical id", *iFields.physicalId);
  if (iFields.plmidText)
    ioWalk.Put("plmidText", "PLMID", FieldValue::OfText(*iFields.plmidText),
               FieldRole::FormDependent, FormDependentKind::PellPlmidText);
  ioWalk.TextOr("ceStamp", "CE stamp", iFields.ceStamp, "none");
  PutExposedIdentifier(iFields.exposedIdentifierAnnounced, ioWalk);
}

void PutFields(const ProviderFields& iFields, Walk& ioWalk) {
  ioWalk.NumberOr("binaryIdentifierLength", "binary identifier length",
                  iFields.binaryIdentifierLength, "empty");
  if (iFields.binaryIdentifierHexadecimal)
    ioWalk.Text("binaryIdentifierHexadecimal", "binary identifier in hexadecimal",
                *iFields.binaryIdentifierHexadecimal);
  // Both sinks write the length of an identifier too long to be printed at all.
  if (iFields.uncountableIdentifierBytes)
    ioWalk.Put("uncountableIdentifierBytes", "too long to print: identifier length",
               FieldValue::OfInteger(*iFields.uncountableIdentifierBytes));
  ioWalk.Text("providerName", "provider name", iFields.providerName);
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
    ioWalk.Put("kind", "component kind", FieldValue::OfWord(PresenceWord(iPlace.presence)));
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
    ioWalk.Put("ordinal", "ordinal", FieldValue::OfInteger(*iHeader.ordinal), FieldRole::Position);
  ioWalk.Put("uuid", "uuid",
             iHeader.uuid ? FieldValue::OfText(*iHeader.uuid) : FieldValue::OfWord("invalid"));
  if (iHeader.headerOnly) ioWalk.Flag("headerOnly", "header only (detail level 0)", true);
  if (iHeader.stoppedAfterFirstPiece)
    ioWalk.Flag("stoppedAfterFirstPiece", "stopped after the header's first piece", true);
}

/// The closing line, after everything else of the row.
void PutClosed(const std::optional<RowClosing>& iClosing, const SourceSpan& iSpan, Walk& ioWalk) {
  ioWalk.line = iClosing ? iClosing->line : iSpan.lastLine;
  ioWalk.Flag("closed", "closed by its closing line", iClosing.has_value());
}

bool HasBody(const RowHeader& iHeader) {
  return !iHeader.headerOnly && !iHeader.stoppedAfterFirstPiece;
}

}  // namespace

std::string_view RowUuidText(const RowHeader& iHeader) {
  return iHeader.uuid ? std::string_view(*iHeader.uuid) : std::string_view("invalid element uuid");
}

void VisitComponentFields(const Component& iComponent, FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iComponent.span.firstLine;
  walk.Put("kind", "component kind", FieldValue::OfWord(NodeKindName(iComponent.kind)));
  std::visit([&](const auto& iFields) { PutFields(iFields, walk); }, iComponent.fields);
  walk.line = iComponent.span.lastLine;
  walk.Flag("closed", "closed by its closing tag", iComponent.closed);
}

void VisitManagerFields(const ManagerHeader& iHeader, const ManagerTrailer* iTrailer,
                        FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iHeader.span.firstLine;
  walk.Flag("hasContext", "has a context", iHeader.hasContext);
  if (iHeader.hasContext) {
    ++walk.line;
    walk.Text("contextName", "context name", iHeader.contextName);
  }
  walk.Flag("plmidCompletionActive", "PLMID completion active", iHeader.plmidCompletionActive);
  ++walk.line;
  walk.Put("listing", "DMT elements listed",
           FieldValue::OfWord(iHeader.listing == Listing::All ? "all" : "to be saved"));
  if (iHeader.allRowCount)
    walk.Number("allRowCount", "number of all DMT elements", *iHeader.allRowCount);
  walk.line = iHeader.span.lastLine;
  walk.Number("announcedRowCount", "number of DMT elements listed", iHeader.announcedRowCount);
  if (!iTrailer) return;
  walk.line = iTrailer->listClosingLine ? iTrailer->listClosingLine : iTrailer->span.firstLine;
  walk.Flag("listClosed", "list of DMT elements closed", iTrailer->listClosingLine != 0);
  walk.line = iTrailer->managerClosingLine ? iTrailer->managerClosingLine : iTrailer->span.lastLine;
  walk.Flag("managerClosed", "manager closed", iTrailer->managerClosingLine != 0);
}

void VisitEnvironmentFields(const Environment& iEnvironment, FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  walk.line = iEnvironment.span.firstLine + 1;
  walk.Text("name", "name", iEnvironment.name);
  walk.Text("mappingClient", "mapping client", iEnvironment.mappingClient);
  walk.Text("mappingMaster", "mapping master", iEnvironment.mappingMaster);
  if (iEnvironment.directory) {
    ++walk.line;
    walk.Text("directory", "directory", *iEnvironment.directory);
  }
  walk.line = iEnvironment.span.lastLine;
  walk.Flag("closed", "closed by its closing tag", iEnvironment.closed);
}

void VisitDmtRowFields(const DmtRow& iRow, FieldVisitor& ioVisitor,
                       const std::function<void()>& iBeforeClosing) {
  Walk walk(ioVisitor);
  PutHeader(iRow.header, iRow.span, walk);
  if (HasBody(iRow.header)) {
    const std::uint64_t info = iRow.span.firstLine + 1;
    walk.line = info;
    walk.Text("mappingMaster", "mapping master", iRow.mappingMaster);
    walk.Flag("alreadyExists", "already exists", iRow.alreadyExists);
    walk.Number("modificationState", "modification state", iRow.modificationState);
    PutPlace("nonM1Component", "non-M1 component", iRow.nonM1Component, info + 2, walk);
    walk.line = LineAfter(iRow.nonM1Component, info + 2);
    PutIdentifier("nonM1ComponentVersion", "non-M1 component version", iRow.nonM1ComponentVersion,
                  walk);
    const std::uint64_t m1Line = walk.line + 2;
    PutPlace("m1Component", "M1 component", iRow.m1Component, m1Line, walk);
    walk.line = LineAfter(iRow.m1Component, m1Line);
    PutIdentifier("m1ComponentVersion", "M1 component version", iRow.m1ComponentVersion, walk);
    PutIdentifier("m1ComponentMajorId", "M1 component major id", iRow.m1ComponentMajorId, walk);
    walk.line += 1;
    if (!iRow.rmtRows.empty()) walk.line = iRow.rmtRows.front().span.firstLine - 1;
    if (iRow.announcedRmtRowCount)
      walk.Number("announcedRmtRowCount", "number of RMT elements", *iRow.announcedRmtRowCount);
  }
  if (iBeforeClosing) iBeforeClosing();
  PutClosed(iRow.closing, iRow.span, walk);
}

void VisitRmtRowFields(const RmtRow& iRow, FieldVisitor& ioVisitor) {
  Walk walk(ioVisitor);
  PutHeader(iRow.header, iRow.span, walk);
  if (HasBody(iRow.header)) {
    const std::uint64_t state = iRow.span.firstLine + 1;
    walk.line = state;
    walk.Flag("migrationState", "migration state", iRow.migrationState);
    walk.Flag("alreadyExists", "already exists", iRow.alreadyExists);
    walk.Number("modificationState", "modification state", iRow.modificationState);
    PutPlace("owner", "owner component", iRow.owner, state, walk);
    PutPlace("ref", "Ref component", iRow.ref, state, walk);
    PutPlace("pointed", "pointed component", iRow.pointed, state, walk);
    PutPlace("nonM1Component", "non-M1 component", iRow.nonM1Component, state, walk);
    walk.line = iRow.m1Components.empty() ? LineAfter(iRow.nonM1Component, state) + 1
                                          : iRow.m1Components.front().span.firstLine - 1;
    walk.NumberOr("announcedM1ComponentCount", "number of M1 components",
                  iRow.announcedM1ComponentCount, "none");
    std::string key;
    for (std::size_t i = 0; i < iRow.m1Components.size(); ++i) {
      key = "m1Components[" + std::to_string(i + 1) + "]";
      walk.line = iRow.m1Components[i].span.firstLine;
      walk.Enter(key, "M1 component");
      VisitComponentFields(iRow.m1Components[i], ioVisitor);
      walk.Leave();
    }
  }
  PutClosed(iRow.closing, iRow.span, walk);
}

}  // namespace zyn::reader
