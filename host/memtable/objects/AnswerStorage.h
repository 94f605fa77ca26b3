// How the in-memory objects keep their answers: a slot per operation of the type, and the
// table's storage for what does not fit a slot (texts, byte runs, uuids, lists, PLM
// identifiers). For the table's units only.
#pragma once

#include <cstddef>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "objects/Arena.h"
#include "objects/OpenIndex.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {

using Slot = MemObject::Slot;

/// The number of slots of an object of iType: one per operation the type answers.
int SlotCount(Type iType);

/// A list answer: the targets, in order, kept in the table's storage, and the source that
/// every list answered from them borrows. The table owns the record: references taken by lists
/// count nothing, and the table must outlive every list that borrows it. Reading it changes
/// nothing, so lists in several threads may share it.
class ListRecord final : public ZynListSource {
 public:
  ListRecord(MemObject* const* iItems, int iCount) : items_(iItems), count_(iCount) {}
  int Size() const override { return count_; }
  ZynBaseUnknown* At(int iPosition) const override {
    MemObject* target = items_[iPosition];
    return target ? target->Unknown() : nullptr;
  }
  void AddRef() override {}
  void Release() override {}

 private:
  MemObject* const* items_;
  int count_;
};

/// A binary answer is stored as a tagged text: 'B' and the bytes, or 'H', the length that a
/// binary without its whole content reports, and the bytes it holds.
inline constexpr char kBinaryTag = 'B';
inline constexpr char kHollowTag = 'H';
/// An octets answer likewise: 'O' and the octets, or 'L', the length the sequence reports and the
/// octets it holds.
inline constexpr char kOctetsTag = 'O';
inline constexpr char kOversizedTag = 'L';

/// A stored text: its view, followed in the arena by its characters.
struct TextRecord {
  std::string_view key;
};

/// A stored PLM identifier, by a key made of its fields.
struct PLMIDRecord {
  std::string_view key;
  const ZynPLMID* id;
};

/// The answers that do not fit a slot: texts and byte runs stored once each, uuids and lists
/// in an arena, PLM identifiers once per distinct value.
struct Table::Storage {
  Arena arena;
  OpenIndex<TextRecord> texts;
  std::deque<ZynPLMID> plmids;
  OpenIndex<PLMIDRecord> plmidsByFields;
  std::size_t plmidBytes = 0;
  std::size_t objectBytes = 0;
  std::string scratch;  // for building keys without an allocation each time

  /// Gives back the room of an unusually long key once it is stored.
  void TrimScratch() {
    if (scratch.capacity() > 64 * 1024) std::string().swap(scratch);
  }

  /// iText's characters copied into the arena after room for a record of iRecordBytes.
  std::pair<void*, std::string_view> KeepAfter(std::size_t iRecordBytes, std::string_view iText) {
    char* place = static_cast<char*>(arena.Allocate(iRecordBytes + iText.size(), 8));
    if (!iText.empty()) std::memcpy(place + iRecordBytes, iText.data(), iText.size());
    return {place, std::string_view(place + iRecordBytes, iText.size())};
  }

  /// The one stored copy of iText; the view it answers stays put while the table lives.
  const std::string_view* Intern(std::string_view iText) {
    const TextRecord* record = texts.FindOrAdd(iText, [&] {
      auto [place, kept] = KeepAfter(sizeof(TextRecord), iText);
      return ::new (place) TextRecord{kept};
    });
    return &record->key;
  }

  template <class T>
  T* Make(const T& iValue) {
    return ::new (arena.Allocate(sizeof(T), alignof(T))) T(iValue);
  }

  const ZynPLMID* KeepPLMID(const ZynPLMID& iId, std::size_t iExtraBytes) {
    plmids.push_back(iId);
    plmidBytes += sizeof(ZynPLMID) + iExtraBytes;
    return &plmids.back();
  }

  std::size_t BytesUsed() const {
    return sizeof(Storage) + objectBytes + arena.BytesUsed() + texts.BytesUsed() +
           plmidsByFields.BytesUsed() + plmidBytes + scratch.capacity();
  }
};

}  // namespace zyn::mem
