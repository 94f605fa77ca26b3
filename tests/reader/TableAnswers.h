// The tree a dump of a table must read back as, built from the table's own answers: each
// object asked through the host's interfaces, as a dump asks it, at the level it is dumped.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "zyn/ZynMappingInfra.h"
#include "zyn/reader/DumpTree.h"

namespace zyn_test {

namespace answers {

using namespace zyn::reader;

inline std::string Text(const ZynUnicodeString& iText) { return std::string(iText.str()); }

inline std::string UuidText(const ZynUuid& iUuid) {
  char buffer[40] = {};
  iUuid.UUID_to_chaine(buffer, 0);
  return buffer;
}

inline std::string Hexa(const std::uint8_t* iBytes, int iCount) {
  if (!iBytes || iCount <= 0) return std::string();
  std::string hexa(2 * static_cast<std::size_t>(iCount) + 1, '\0');
  ZynDbCharToHexa(iBytes, iCount, &hexa[0], static_cast<int>(hexa.size()));
  hexa.pop_back();
  return hexa;
}

/// A PLMID's own text as the dump's reader keeps it: without its final line end.
inline std::string PlmidText(const ZynPLMID& iId) {
  std::string text = iId.Text();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

/// An octet sequence's value: its hexadecimal text and its text one character per octet.
inline OctetValue Octets(const _SEQUENCE_octet& iOctets) {
  OctetValue value;
  if (iOctets.length() > (INT_MAX - 1) / 2) {
    value.uncountableOctets = iOctets.length();
    return value;
  }
  value.hexadecimal = Hexa(&iOctets[0], iOctets.length());
  std::vector<std::uint16_t> units;
  for (int i = 0; i < iOctets.length(); ++i) units.push_back(iOctets[i]);
  ZynUnicodeString text;
  text.BuildFromUCChar(units.data(), iOctets.length());
  value.text = Text(text);
  return value;
}

inline FileBasedFields FileBased(ZynIDCIMpgFileComponent* iFile, int iLevel) {
  FileBasedFields fields;
  ZynUnicodeString name, type;
  ZynUuid uuid;
  iFile->GetName(name);
  iFile->GetDocType(type);
  iFile->GetUuid(uuid);
  fields.name = Text(name);
  fields.documentType = Text(type);
  fields.uuid = UuidText(uuid);
  if (iLevel != 2) return fields;
  ZynUnicodeString path, savePath, saveName;
  ZynTime time;
  iFile->GetPathName(path);
  iFile->GetLastSavePath(savePath);
  iFile->GetLastSaveName(saveName);
  iFile->GetLastSaveTime(time);
  FileSaveDetails& details = fields.details.emplace();
  details.pathName = Text(path);
  details.lastSavePath = Text(savePath);
  details.lastSaveName = Text(saveName);
  if (time.Gettime_t() != -1)
    details.lastSaveTime = Text(time.ConvertToString(ZynUnicodeString("%Y-%m-%dT%H:%M:%SZ"), 0));
  return fields;
}

inline RmtFileBasedFields RmtFileBased(ZynIDCIMpgRMTFileBasedComponent* iLink,
                                       ZynIDCIMpgComponentPrivate* iPrivate, int iLevel) {
  RmtFileBasedFields fields;
  _SEQUENCE_octet px1, link;
  iLink->GetPX1Id(px1);
  if (px1.length() == 0) {
    fields.px1IdEmpty = true;
  } else {
    unsigned int key = 0;
    if (iPrivate) iPrivate->GetHashKey(key);
    fields.px1IdHashKey = key;
    if (iLevel >= 2) fields.px1IdValue = Octets(px1);
  }
  ZynUnicodeString alias, techno, type;
  iLink->GetAlias(alias);
  iLink->GetTechnoString(techno);
  fields.alias = Text(alias);
  fields.technoString = Text(techno);
  iLink->GetLinkSequence(link);
  if (link.length() != 0) {
    fields.linkSequenceLength = link.length();
    if (iLevel >= 2) fields.linkSequenceValue = Octets(link);
  }
  fields.linkBroken = iLink->IsBrokenLink();
  iLink->GetObjectType(type);
  fields.objectType = Text(type);
  return fields;
}

/// The Orv fields, or none when the dump fails before writing anything.
inline OrvFields Orv(ZynIDCIMpgOrvComponent* iOrv, ZynIDCIMpgComponentPrivate* iPrivate, int iLevel,
                     Form iForm, bool* oClosed) {
  OrvFields fields;
  *oClosed = true;
  if (iLevel == 1) {
    unsigned int key = 0;
    iPrivate->GetHashKey(key);
    fields.hashKey = key;
    return fields;
  }
  ZynPLMID model;
  int workspace = 0, element = 0;
  ZynUnicodeString workspaceUuid, elementUuid;
  if (iOrv->GetModelPLMID(model) < 0 || iOrv->GetWorkspaceId(workspace) < 0 ||
      iOrv->GetElementId(element) < 0 || iOrv->GetWorkspaceUuid(workspaceUuid) < 0 ||
      iOrv->GetElementUuid(elementUuid) < 0) {
    fields.identityFailed = true;
    *oClosed = false;
    return fields;
  }
  OrvIdentity& identity = fields.identity.emplace();
  if (iForm == Form::StandardOutput) identity.modelPlmidText = PlmidText(model);
  if (workspace) identity.workspaceId = workspace;
  if (element) identity.elementId = element;
  if (!workspaceUuid.str().empty()) identity.workspaceUuid = Text(workspaceUuid);
  if (!elementUuid.str().empty()) identity.elementUuid = Text(elementUuid);
  return fields;
}

inline PellFields Pell(ZynIDCIMpgPellComponent* iPell, int iLevel) {
  PellFields fields;
  ZynPLMID id;
  iPell->GetPLMID(id);
  fields.fullForm = iLevel >= 2;
  if (fields.fullForm)
    fields.plmidText = PlmidText(id);  // the trace tool gets it too, with trace type 1
  else
    fields.physicalId = id.PhysicalHexa();
  ZynPLMCEStamp stamp = ZynPLMCEStampServices::CreateInvalidCEStamp();
  if (iPell->GetCEStamp(stamp) >= 0) {
    ZynUnicodeString text;
    ZynPLMCEStamp::Stream(stamp, text);
    fields.ceStamp = Text(text);
  }
  return fields;
}

inline ProviderFields Provider(ZynIDCIMpgProviderComponent* iProvider, int iLevel) {
  ProviderFields fields;
  ZynBinary identifier;
  ZynUnicodeString name;
  iProvider->GetBinaryIdentifier(identifier);
  if (identifier.getLength() != 0) {
    fields.binaryIdentifierLength = identifier.getLength();
    // An identifier whose hexadecimal buffer no int can count is not printed: its notice
    // stands where the value would, and the reader keeps the length it names.
    if (iLevel >= 2 && identifier.getLength() > (INT_MAX - 1) / 2)
      fields.uncountableIdentifierBytes = identifier.getLength();
    else if (iLevel >= 2)
      fields.binaryIdentifierHexadecimal = Hexa(identifier.getArray(), identifier.getLength());
  }
  iProvider->GetProviderName(name);
  fields.providerName = Text(name);
  return fields;
}

/// The place a component takes in a row: dumped, or nothing written when its dump fails
/// before writing anything. Call only for components that offer a dump.
inline ComponentPlace Place(ZynBaseUnknown* iComponent, int iLevel, Form iForm) {
  ComponentPlace place;
  place.presence = ComponentPresence::NothingWritten;
  Component component;
  ZynIDCIMpgComponent_var base(iComponent);
  ZynIDCIMpgComponentPrivate_var privately(iComponent);
  // The dump is chosen by the object's type; one lacking the interface its dump needs writes
  // nothing.
  const std::string type = iComponent->IsA();
  if (type == "ZynDCIMpgFileBasedComponent") {
    ZynIDCIMpgFileComponent_var file(iComponent);
    if (!file) return place;
    component.kind = NodeKind::FileBasedComponent;
    component.fields = FileBased(file.get(), iLevel);
  } else if (type == "ZynDCIMpgRMTFileBasedComponent") {
    ZynIDCIMpgRMTFileBasedComponent_var link(iComponent);
    if (!link) return place;
    component.kind = NodeKind::RmtFileBasedComponent;
    component.fields = RmtFileBased(link.get(), privately.get(), iLevel);
  } else if (type == "ZynDCIMpgOrvComponent") {
    ZynIDCIMpgOrvComponent_var orv(iComponent);
    if (!orv || !privately) return place;
    component.kind = NodeKind::OrvComponent;
    component.fields = Orv(orv.get(), privately.get(), iLevel, iForm, &component.closed);
  } else if (type == "ZynDCIMpgPellComponent" || type == "ZynDCIMpgPellNonM1Component") {
    ZynIDCIMpgPellComponent_var pell(iComponent);
    int kind = 0;
    if (!pell || !base || base->GetComponentType(kind) < 0) return place;
    component.kind = kind == 4 ? NodeKind::PellNonM1Component : NodeKind::PellComponent;
    component.fields = Pell(pell.get(), iLevel);
  } else if (type == "ZynDCIMpgProviderComponent") {
    ZynIDCIMpgProviderComponent_var provider(iComponent);
    if (!provider) return place;
    component.kind = NodeKind::ProviderComponent;
    component.fields = Provider(provider.get(), iLevel);
  } else {
    component.kind = NodeKind::DummyComponent;
  }
  place.presence = ComponentPresence::Dumped;
  place.component = std::move(component);
  return place;
}

}  // namespace answers

}  // namespace zyn_test
