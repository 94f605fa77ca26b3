// Where each answer of an in-memory object is stored: its slot, and for values that do not fit
// a slot, the table's storage (each text and byte run once, PLM identifiers once per value).
#include "objects/AnswerStorage.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "objects/Vocabulary.h"

namespace zyn::mem {
namespace {

/// Where each type keeps the answer of each of its operations (see vocabulary::SlotIndex).
struct SlotLayout {
  std::int8_t index[kTypeCount][kOpCount];
  int count[kTypeCount];
};

constexpr SlotLayout BuildLayout() {
  SlotLayout layout{};
  for (int t = 0; t < kTypeCount; ++t)
    for (int o = 0; o < kOpCount; ++o) {
      const int index = vocabulary::SlotIndex(static_cast<Type>(t), static_cast<Op>(o));
      layout.index[t][o] = static_cast<std::int8_t>(index);
      if (index >= 0) ++layout.count[t];
    }
  return layout;
}

// Made by the compiler, so that the hot path of every query reads it without a guard.
constexpr SlotLayout kLayout = BuildLayout();

}  // namespace

int SlotCount(Type iType) { return kLayout.count[static_cast<int>(iType)]; }

bool MemObject::Offers(Iface iIface) const {
  return vocabulary::Offers(type_, iIface) && !Withholds(iIface);
}

MemObject::Slot* MemObject::FindSlot(Op iOp) {
  const int index = kLayout.index[static_cast<int>(type_)][static_cast<int>(iOp)];
  return index < 0 ? nullptr : slots_ + index;
}

namespace {

/// The one stored copy of a tagged byte run: iTag, then the length iLength when one is given,
/// then iBytes (the forms are described beside the tags).
const std::string_view* KeepTagged(Table::Storage& ioStorage, char iTag,
                                   const std::int32_t* iLength,
                                   const std::vector<std::uint8_t>& iBytes) {
  std::string& scratch = ioStorage.scratch;
  scratch.assign(1, iTag);
  if (iLength) scratch.append(reinterpret_cast<const char*>(iLength), sizeof(*iLength));
  scratch.append(iBytes.begin(), iBytes.end());
  const std::string_view* kept = ioStorage.Intern(scratch);
  ioStorage.TrimScratch();
  return kept;
}

/// The slot that takes a value of iKind for iOp; null when the type does not answer iOp or
/// iOp answers another kind (such a value is ignored).
Slot* ValueSlot(MemObject& iObject, Op iOp, Kind iKind) {
  if (OpKind(iOp) != iKind) return nullptr;
  Slot* slot = iObject.FindSlot(iOp);
  if (slot) slot->given = true;
  return slot;
}
}  // namespace

void MemObject::SetResult(Op iOp, HRESULT iResult) {
  if (Slot* slot = FindSlot(iOp)) slot->result = iResult;
}

void MemObject::SetText(Op iOp, std::string_view iText) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Text)) slot->p = table_->GetStorage().Intern(iText);
}

void MemObject::SetUuid(Op iOp, const ZynUuid& iUuid) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Uuid)) slot->p = table_->GetStorage().Make(iUuid);
}

void MemObject::SetInt(Op iOp, int iValue) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Int)) slot->i = iValue;
}

void MemObject::SetUnsigned(Op iOp, unsigned int iValue) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Unsigned)) slot->u = iValue;
}

void MemObject::SetBool(Op iOp, bool iValue) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Bool)) slot->b = iValue;
}

void MemObject::SetBinary(Op iOp, const std::vector<std::uint8_t>& iBytes) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Binary))
    slot->p = KeepTagged(table_->GetStorage(), kBinaryTag, nullptr, iBytes);
}

void MemObject::SetHollowBinary(Op iOp, int iLength, const std::vector<std::uint8_t>& iHeld) {
  const std::int32_t length = iLength;
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Binary))
    slot->p = KeepTagged(table_->GetStorage(), kHollowTag, &length, iHeld);
}

void MemObject::SetOctets(Op iOp, const std::vector<std::uint8_t>& iOctets) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Octets))
    slot->p = KeepTagged(table_->GetStorage(), kOctetsTag, nullptr, iOctets);
}

void MemObject::SetOversizedOctets(Op iOp, const std::vector<std::uint8_t>& iHeld,
                                   int iReportedLength) {
  const std::int32_t length = iReportedLength;
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Octets))
    slot->p = KeepTagged(table_->GetStorage(), kOversizedTag, &length, iHeld);
}

void MemObject::SetTime(Op iOp, std::time_t iSeconds) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Time)) slot->t = iSeconds;
}

void MemObject::SetPLMID(Op iOp, const ZynPLMID& iId) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::PLMID))
    slot->p = table_->GetStorage().KeepPLMID(iId, HeapBlock(iId.Text().size()));
}

void MemObject::SetPLMID(Op iOp, const std::vector<std::uint8_t>& iPhysical,
                         std::string_view iLogical, std::string_view iMajor) {
  Slot* slot = ValueSlot(*this, iOp, Kind::PLMID);
  if (!slot) return;
  Table::Storage& storage = table_->GetStorage();
  // The fields with their lengths before them, so that no two identifiers share a key.
  std::string& key = storage.scratch;
  key.clear();
  for (std::size_t length : {iPhysical.size(), iLogical.size(), iMajor.size()}) {
    const auto length32 = static_cast<std::uint32_t>(length);
    key.append(reinterpret_cast<const char*>(&length32), sizeof(length32));
  }
  key.append(iPhysical.begin(), iPhysical.end());
  key.append(iLogical);
  key.append(iMajor);
  const PLMIDRecord* record = storage.plmidsByFields.FindOrAdd(key, [&] {
    // The identifier's own blocks: its physical bytes and any text too long to sit inside it.
    const std::size_t extra = (iPhysical.empty() ? 0 : HeapBlock(iPhysical.size())) +
                              (iLogical.size() > 15 ? HeapBlock(iLogical.size() + 1) : 0) +
                              (iMajor.size() > 15 ? HeapBlock(iMajor.size() + 1) : 0);
    const ZynPLMID* kept =
        storage.KeepPLMID(ZynPLMID(iPhysical, std::string(iLogical), std::string(iMajor)), extra);
    auto [place, keptKey] = storage.KeepAfter(sizeof(PLMIDRecord), key);
    return ::new (place) PLMIDRecord{keptKey, kept};
  });
  slot->p = record->id;
  storage.TrimScratch();
}

void MemObject::SetCEStamp(Op iOp, const ZynPLMCEStamp& iStamp) {
  Slot* slot = ValueSlot(*this, iOp, Kind::CEStamp);
  if (!slot) return;
  if (!iStamp.IsValid()) {
    slot->p = nullptr;
    return;
  }
  ZynUnicodeString text;
  ZynPLMCEStamp::Stream(iStamp, text);
  slot->p = table_->GetStorage().Intern(text.str());
}

void MemObject::SetObject(Op iOp, MemObject* iTarget) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Object)) slot->p = iTarget;
}

void MemObject::SetList(Op iOp, const std::vector<MemObject*>& iTargets) {
  Slot* slot = ValueSlot(*this, iOp, Kind::List);
  if (!slot) return;
  Table::Storage& storage = table_->GetStorage();
  MemObject** items = nullptr;
  if (!iTargets.empty()) {
    items = static_cast<MemObject**>(
        storage.arena.Allocate(iTargets.size() * sizeof(MemObject*), alignof(MemObject*)));
    std::memcpy(items, iTargets.data(), iTargets.size() * sizeof(MemObject*));
  }
  slot->p = storage.Make(ListRecord(items, static_cast<int>(iTargets.size())));
}

}  // namespace zyn::mem
