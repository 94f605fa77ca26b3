// The rows a dump of a table must read back as (from the table's own answers), and the
// normal form in which a tree read from a dump is compared with them.
#pragma once

#include "TableAnswers.h"
#include "zyn/reader/TreeJson.h"

namespace zyn_test {

namespace answers {

/// The same value as the trace tool shows it: long octet values replaced by the notice.
inline void AsTraceShowsIt(std::optional<OctetValue>* ioValue) {
  if (!*ioValue || !(*ioValue)->hexadecimal) return;
  const std::size_t octets = (*ioValue)->hexadecimal->size() / 2;
  if (octets < 500) return;
  (*ioValue)->hexadecimal.reset();
  (*ioValue)->tooLongNoticeSize = static_cast<std::int32_t>(2 * octets + 1);
}

inline void AsTraceShowsIt(ComponentPlace* ioPlace) {
  if (!ioPlace->component) return;
  if (auto* link = std::get_if<RmtFileBasedFields>(&ioPlace->component->fields)) {
    AsTraceShowsIt(&link->px1IdValue);
    AsTraceShowsIt(&link->linkSequenceValue);
  }
}

inline ComponentPlace PlaceIn(const ZynIDCIMpgComponent_var& iComponent, int iLevel, Form iForm,
                              ComponentPresence iWithoutDump) {
  ComponentPlace place;
  place.presence = iWithoutDump;
  if (!ZynIMpgDump_var(iComponent.get())) return place;
  place = Place(iComponent.get(), iLevel, iForm);
  if (iForm == Form::Trace) AsTraceShowsIt(&place);
  return place;
}

inline RowHeader Header(ZynBaseUnknown* iRow, int iIndex, std::optional<RowClosing>* oClosing) {
  RowHeader header;
  if (iIndex) header.ordinal = iIndex;
  ZynIDCIMpgElementPrivate_var element(iRow);
  if (!element) {
    header.stoppedAfterFirstPiece = true;
    return header;
  }
  ZynUuid uuid;
  if (element->GetUuid(uuid) >= 0) header.uuid = UuidText(uuid);
  oClosing->emplace(RowClosing{0, header.ordinal, header.uuid});
  return header;
}

/// Fills the header both kinds of row begin with; false when the row ends with it (no private
/// interface, or detail level 0).
template <class Row>
bool RowGoesOn(ZynBaseUnknown* iRow, int iIndex, int iLevel, Row* oRow) {
  oRow->header = Header(iRow, iIndex, &oRow->closing);
  if (oRow->header.stoppedAfterFirstPiece) return false;
  oRow->header.headerOnly = iLevel == 0;
  return !oRow->header.headerOnly;
}

inline RmtRow ExpectedRmtRow(ZynBaseUnknown* iRow, int iIndex, int iLevel, Form iForm) {
  RmtRow row;
  if (!RowGoesOn(iRow, iIndex, iLevel, &row)) return row;
  ZynIDCIMpgRMTElement_var element(iRow);
  element->GetMigrationState(row.migrationState);
  element->GetAlreadyExists(row.alreadyExists);
  element->GetModificationState(row.modificationState);
  ZynIDCIMpgComponent_var owner, ref, pointed, nonM1;
  element->GetOwner(owner);
  element->GetRef(ref);
  element->GetPointed(pointed);
  element->GetNonM1Component(nonM1);
  row.owner = PlaceIn(owner, 0, iForm, ComponentPresence::Absent);
  row.ref = PlaceIn(ref, 0, iForm, ComponentPresence::Absent);
  row.pointed = PlaceIn(pointed, 0, iForm, ComponentPresence::Absent);
  row.nonM1Component = PlaceIn(nonM1, iLevel, iForm, ComponentPresence::NothingWritten);
  ZynListValZynIDCIMpgComponent_var m1;
  element->GetM1Components(m1);
  if (m1.Size()) row.announcedM1ComponentCount = m1.Size();
  for (int i = 1; i <= m1.Size(); ++i) {
    ComponentPlace place = PlaceIn(m1[i], iLevel, iForm, ComponentPresence::NothingWritten);
    if (place.component) row.m1Components.push_back(std::move(*place.component));
  }
  return row;
}

inline HexIdentifier Identifier(HRESULT iResult, const ZynBinary& iBinary) {
  HexIdentifier identifier;
  if (iResult == 0) {
    identifier.presence = IdentifierPresence::Present;
    identifier.hexadecimal = Hexa(iBinary.getArray(), iBinary.getLength());
  } else if (iResult == 1) {
    identifier.presence = IdentifierPresence::Absent;
  }
  return identifier;
}

inline DmtRow ExpectedDmtRow(ZynBaseUnknown* iRow, int iIndex, int iLevel, Form iForm) {
  DmtRow row;
  if (!RowGoesOn(iRow, iIndex, iLevel, &row)) return row;
  ZynIDCIMpgDMTElement_var element(iRow);
  ZynDCIMpgMappingMaster master{};
  element->GetMappingMaster(master);
  ZynUnicodeString masterText;
  ZynDCIMpgServices::GetMappingMasterDump(master, masterText);
  row.mappingMaster = Text(masterText);
  element->GetAlreadyExists(row.alreadyExists);
  element->GetModificationState(row.modificationState);
  ZynIDCIMpgComponent_var nonM1, m1;
  element->GetNonM1Component(nonM1);
  element->GetM1Component(m1);
  row.nonM1Component = PlaceIn(nonM1, iLevel, iForm, ComponentPresence::Absent);
  row.m1Component = PlaceIn(m1, iLevel, iForm, ComponentPresence::Absent);
  ZynBinary nonM1Version, m1Version, majorId;
  row.nonM1ComponentVersion =
      Identifier(element->GetNonM1ComponentVersion(nonM1Version), nonM1Version);
  row.m1ComponentVersion = Identifier(element->GetM1ComponentVersion(m1Version), m1Version);
  row.m1ComponentMajorId = Identifier(element->GetM1ComponentMajorID(majorId), majorId);
  ZynListValZynIDCIMpgRMTElement_var rows;
  element->GetRMTElements(rows);
  row.announcedRmtRowCount = rows.Size();
  for (int i = 1; iLevel >= 1 && i <= rows.Size(); ++i)
    if (ZynIMpgDump_var(rows[i].get()))
      row.rmtRows.push_back(ExpectedRmtRow(rows[i].get(), i, iLevel, iForm));
  return row;
}

// ---- The normal form: what the table cannot tell (places in the text) left out ----

inline void Normalise(Component* ioComponent) {
  ioComponent->span = SourceSpan{};
  ioComponent->reading = Reading{};
  ioComponent->text.clear();
}

inline void Normalise(ComponentPlace* ioPlace) {
  if (ioPlace->component) Normalise(&*ioPlace->component);
}

inline void Normalise(RmtRow* ioRow) {
  ioRow->span = SourceSpan{};
  ioRow->reading = Reading{};
  ioRow->text.clear();
  if (ioRow->closing) ioRow->closing->line = 0;
  for (ComponentPlace* place :
       {&ioRow->owner, &ioRow->ref, &ioRow->pointed, &ioRow->nonM1Component})
    Normalise(place);
  for (Component& component : ioRow->m1Components) Normalise(&component);
}

inline void Normalise(DmtRow* ioRow) {
  ioRow->span = SourceSpan{};
  ioRow->reading = Reading{};
  ioRow->text.clear();
  if (ioRow->closing) ioRow->closing->line = 0;
  Normalise(&ioRow->nonM1Component);
  Normalise(&ioRow->m1Component);
  for (RmtRow& row : ioRow->rmtRows) Normalise(&row);
}

template <class Visit>
void ForEachComponent(RmtRow* ioRow, Visit iVisit) {
  for (ComponentPlace* place :
       {&ioRow->owner, &ioRow->ref, &ioRow->pointed, &ioRow->nonM1Component})
    if (place->component) iVisit(&*place->component);
  for (Component& component : ioRow->m1Components) iVisit(&component);
}

template <class Visit>
void ForEachComponent(DmtRow* ioRow, Visit iVisit) {
  for (ComponentPlace* place : {&ioRow->nonM1Component, &ioRow->m1Component})
    if (place->component) iVisit(&*place->component);
  for (RmtRow& row : ioRow->rmtRows) ForEachComponent(&row, iVisit);
}

/// A row read from the standard-output form, with what only that form writes left out: the
/// Orv model PLMID's text, and octet values the trace tool replaces by its notice.
inline DmtRow AsTraceShowsIt(DmtRow iRow) {
  ForEachComponent(&iRow, [](Component* ioComponent) {
    if (auto* orv = std::get_if<OrvFields>(&ioComponent->fields); orv && orv->identity)
      orv->identity->modelPlmidText.reset();
    if (auto* link = std::get_if<RmtFileBasedFields>(&ioComponent->fields)) {
      AsTraceShowsIt(&link->px1IdValue);
      AsTraceShowsIt(&link->linkSequenceValue);
    }
  });
  return iRow;
}

/// A node in its normal form, as JSON, for comparisons that show the difference.
template <class Node>
std::string Normal(Node iNode) {
  Normalise(&iNode);
  return zyn::reader::ToJson(iNode);
}

}  // namespace answers

}  // namespace zyn_test
