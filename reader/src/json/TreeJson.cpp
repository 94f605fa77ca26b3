// Each node of the tree as one compact JSON object, keys in a fixed order, absent values null.
#include "zyn/reader/TreeJson.h"

#include <array>
#include <charconv>
#include <optional>

namespace zyn::reader {

namespace {

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
  /// Writes the separator and the key at iOut; answers the end.
  char* KeyAt(std::string_view iKey, char* iOut) {
    if (!first_) *iOut++ = ',';
    first_ = false;
    *iOut++ = '"';
    for (char c : iKey) *iOut++ = c;
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
  void Number(std::string_view iKey, std::int64_t iValue) {
    char* out = KeyAt(iKey, json_->Claim(iKey.size() + 4 + 21));
    Commit(std::to_chars(out, out + 21, iValue).ptr);
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
    Text("kind", NodeKindName(iKind));
    Number("line", static_cast<std::int64_t>(iSpan.firstLine));
    Number("lastLine", static_cast<std::int64_t>(iSpan.lastLine));
    if (iSpan.firstColumn != 1) Number("column", iSpan.firstColumn);
    if (iReading && iReading->ambiguous) Flag("ambiguous", true);
    if (iReading && iReading->joinedLines) Number("joinedLines", iReading->joinedLines);
  }

 private:
  JsonText* json_;
  bool first_ = true;
};

void AppendOctets(std::string_view iKey, const std::optional<OctetValue>& iValue,
                  Members* ioMembers) {
  if (!iValue) return ioMembers->Null(iKey);
  Members value(ioMembers->Key(iKey));
  value.MaybeText("hexadecimal", iValue->hexadecimal);
  value.Number("tooLongNoticeSize", iValue->tooLongNoticeSize);
  value.Number("uncountableOctets", iValue->uncountableOctets);
  value.Text("text", iValue->text);
  value.Close();
}

void AppendFields(const FileBasedFields& iFields, Members* ioMembers) {
  ioMembers->Text("name", iFields.name);
  ioMembers->Text("documentType", iFields.documentType);
  ioMembers->Text("uuid", iFields.uuid);
  if (!iFields.details) return ioMembers->Null("details");
  Members details(ioMembers->Key("details"));
  details.Text("pathName", iFields.details->pathName);
  details.Text("lastSaveName", iFields.details->lastSaveName);
  details.Text("lastSaveTime", iFields.details->lastSaveTime);
  details.Text("lastSavePath", iFields.details->lastSavePath);
  details.Close();
}

void AppendFields(const RmtFileBasedFields& iFields, Members* ioMembers) {
  ioMembers->Flag("px1IdEmpty", iFields.px1IdEmpty);
  ioMembers->Number("px1IdHashKey", iFields.px1IdHashKey);
  AppendOctets("px1IdValue", iFields.px1IdValue, ioMembers);
  ioMembers->Text("alias", iFields.alias);
  ioMembers->Text("technoString", iFields.technoString);
  ioMembers->Number("linkSequenceLength", iFields.linkSequenceLength);
  AppendOctets("linkSequenceValue", iFields.linkSequenceValue, ioMembers);
  ioMembers->Flag("linkBroken", iFields.linkBroken);
  ioMembers->Text("objectType", iFields.objectType);
}

void AppendFields(const OrvFields& iFields, Members* ioMembers) {
  ioMembers->Number("hashKey", iFields.hashKey);
  if (iFields.identity) {
    const OrvIdentity& identity = *iFields.identity;
    Members members(ioMembers->Key("identity"));
    members.MaybeText("modelPlmidText", identity.modelPlmidText);
    members.Number("workspaceId", identity.workspaceId);
    members.MaybeText("workspaceUuid", identity.workspaceUuid);
    members.Number("elementId", identity.elementId);
    members.MaybeText("elementUuid", identity.elementUuid);
    members.Close();
  } else {
    ioMembers->Null("identity");
  }
  ioMembers->Flag("identityFailed", iFields.identityFailed);
  ioMembers->Flag("exposedIdentifierAnnounced", iFields.exposedIdentifierAnnounced);
}

void AppendFields(const PellFields& iFields, Members* ioMembers) {
  ioMembers->Flag("fullForm", iFields.fullForm);
  ioMembers->MaybeText("physicalId", iFields.physicalId);
  ioMembers->MaybeText("plmidText", iFields.plmidText);
  ioMembers->MaybeText("ceStamp", iFields.ceStamp);
  ioMembers->Flag("exposedIdentifierAnnounced", iFields.exposedIdentifierAnnounced);
}

void AppendFields(const ProviderFields& iFields, Members* ioMembers) {
  ioMembers->Number("binaryIdentifierLength", iFields.binaryIdentifierLength);
  ioMembers->MaybeText("binaryIdentifierHexadecimal", iFields.binaryIdentifierHexadecimal);
  ioMembers->Number("uncountableIdentifierBytes", iFields.uncountableIdentifierBytes);
  ioMembers->Text("providerName", iFields.providerName);
  ioMembers->Flag("exposedIdentifierAnnounced", iFields.exposedIdentifierAnnounced);
}

void AppendFields(const DummyFields&, Members*) {}

std::string_view PresenceName(ComponentPresence iPresence) {
  switch (iPresence) {
    case ComponentPresence::Absent:
      return "absent";
    case ComponentPresence::NothingWritten:
      return "nothingWritten";
    case ComponentPresence::Dumped:
      break;
  }
  return "dumped";
}

std::string_view PresenceName(IdentifierPresence iPresence) {
  switch (iPresence) {
    case IdentifierPresence::Present:
      return "present";
    case IdentifierPresence::Absent:
      return "absent";
    case IdentifierPresence::NotWritten:
      break;
  }
  return "notWritten";
}

void AppendPlace(std::string_view iKey, const ComponentPlace& iPlace, Members* ioMembers) {
  Members place(ioMembers->Key(iKey));
  place.Text("presence", PresenceName(iPlace.presence));
  if (iPlace.component)
    AppendJson(*iPlace.component, place.Key("component"));
  else
    place.Null("component");
  place.Close();
}

void AppendIdentifier(std::string_view iKey, const HexIdentifier& iIdentifier, Members* ioMembers) {
  Members identifier(ioMembers->Key(iKey));
  identifier.Text("presence", PresenceName(iIdentifier.presence));
  if (iIdentifier.presence == IdentifierPresence::Present)
    identifier.Text("hexadecimal", iIdentifier.hexadecimal);
  else
    identifier.Null("hexadecimal");
  identifier.Close();
}

void AppendHeader(const RowHeader& iHeader, Members* ioMembers) {
  ioMembers->Number("ordinal", iHeader.ordinal);
  ioMembers->MaybeText("uuid", iHeader.uuid);
  ioMembers->Flag("headerOnly", iHeader.headerOnly);
  ioMembers->Flag("stoppedAfterFirstPiece", iHeader.stoppedAfterFirstPiece);
}

void AppendClosing(const std::optional<RowClosing>& iClosing, Members* ioMembers) {
  if (!iClosing) return ioMembers->Null("closing");
  Members closing(ioMembers->Key("closing"));
  closing.Number("line", static_cast<std::int64_t>(iClosing->line));
  closing.Number("ordinal", iClosing->ordinal);
  closing.MaybeText("uuid", iClosing->uuid);
  closing.Close();
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
  members.Flag("closed", iComponent.closed);
  std::visit([&](const auto& iFields) { AppendFields(iFields, &members); }, iComponent.fields);
  members.Close();
}

void AppendJson(const RmtRow& iRow, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::RmtRow, iRow.span, &iRow.reading);
  AppendHeader(iRow.header, &members);
  members.Flag("migrationState", iRow.migrationState);
  members.Flag("alreadyExists", iRow.alreadyExists);
  members.Number("modificationState", iRow.modificationState);
  AppendPlace("owner", iRow.owner, &members);
  AppendPlace("ref", iRow.ref, &members);
  AppendPlace("pointed", iRow.pointed, &members);
  AppendPlace("nonM1Component", iRow.nonM1Component, &members);
  members.Number("announcedM1ComponentCount", iRow.announcedM1ComponentCount);
  AppendList("m1Components", iRow.m1Components, &members);
  AppendClosing(iRow.closing, &members);
  members.Close();
}

void AppendJson(const DmtRow& iRow, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::DmtRow, iRow.span, &iRow.reading);
  AppendHeader(iRow.header, &members);
  members.Text("mappingMaster", iRow.mappingMaster);
  members.Flag("alreadyExists", iRow.alreadyExists);
  members.Number("modificationState", iRow.modificationState);
  AppendPlace("nonM1Component", iRow.nonM1Component, &members);
  AppendIdentifier("nonM1ComponentVersion", iRow.nonM1ComponentVersion, &members);
  AppendPlace("m1Component", iRow.m1Component, &members);
  AppendIdentifier("m1ComponentVersion", iRow.m1ComponentVersion, &members);
  AppendIdentifier("m1ComponentMajorId", iRow.m1ComponentMajorId, &members);
  members.Number("announcedRmtRowCount", iRow.announcedRmtRowCount);
  AppendList("rmtRows", iRow.rmtRows, &members);
  AppendClosing(iRow.closing, &members);
  members.Close();
}

void AppendJson(const Environment& iEnvironment, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Environment, iEnvironment.span, &iEnvironment.reading);
  members.Flag("closed", iEnvironment.closed);
  members.Text("name", iEnvironment.name);
  members.Text("mappingClient", iEnvironment.mappingClient);
  members.Text("mappingMaster", iEnvironment.mappingMaster);
  members.MaybeText("directory", iEnvironment.directory);
  members.Close();
}

void AppendJson(const RawLine& iRaw, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Raw, SourceSpan{iRaw.line, iRaw.line, iRaw.column}, nullptr);
  members.Text("text", iRaw.text);
  members.Close();
}

void AppendJson(const Problem& iProblem, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Text("severity", iProblem.severity == Severity::Note ? "note" : "error");
  members.Number("line", static_cast<std::int64_t>(iProblem.line));
  members.Number("column", iProblem.column);
  members.Text("message", iProblem.message);
  members.Flag("splitBetweenSinks", iProblem.splitBetweenSinks);
  members.Close();
}

void AppendManagerHeaderMembers(const ManagerHeader& iHeader, JsonText* oJson,
                                std::string_view iLead) {
  Members members(oJson, iLead);
  members.Node(NodeKind::Manager, iHeader.span, &iHeader.reading);
  members.Flag("hasContext", iHeader.hasContext);
  if (iHeader.hasContext)
    members.Text("contextName", iHeader.contextName);
  else
    members.Null("contextName");
  members.Flag("plmidCompletionActive", iHeader.plmidCompletionActive);
  members.Text("listing", iHeader.listing == Listing::All ? "all" : "toBeSaved");
  members.Number("allRowCount", iHeader.allRowCount);
  members.Number("announcedRowCount", iHeader.announcedRowCount);
}

void AppendJson(const ManagerTrailer& iTrailer, JsonText* oJson, std::string_view iLead) {
  Members members(oJson, iLead);
  members.Number("line", static_cast<std::int64_t>(iTrailer.span.firstLine));
  members.Number("lastLine", static_cast<std::int64_t>(iTrailer.span.lastLine));
  members.Number("listClosingLine", static_cast<std::int64_t>(iTrailer.listClosingLine));
  members.Number("managerClosingLine", static_cast<std::int64_t>(iTrailer.managerClosingLine));
  members.Number("rowsRead", static_cast<std::int64_t>(iTrailer.rowsRead));
  members.Close();
}

}  // namespace zyn::reader
