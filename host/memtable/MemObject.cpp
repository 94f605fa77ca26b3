// The objects of an in-memory mapping table: one class per type, answering each query from a
// fixed array of slots, and the table that owns them with the storage of their answers.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Vocabulary.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {
namespace {

using Slot = MemObject::Slot;

/// What a heap block of iBytes really takes: the allocator's header, rounded to its 16-byte
/// granules, never below its smallest chunk.
std::size_t HeapBlock(std::size_t iBytes) {
  const std::size_t chunk = (iBytes + 8 + 15) & ~static_cast<std::size_t>(15);
  return chunk < 32 ? 32 : chunk;
}

/// Where each type keeps the answer of each of its operations: the slots follow the order of
/// Op, one per operation the type answers.
struct SlotLayout {
  std::int8_t index[kTypeCount][kOpCount];
  int count[kTypeCount];
};

SlotLayout BuildLayout() {
  SlotLayout layout{};
  for (int t = 0; t < kTypeCount; ++t) {
    int next = 0;
    for (int o = 0; o < kOpCount; ++o)
      layout.index[t][o] = TypeHasOp(static_cast<Type>(t), static_cast<Op>(o))
                               ? static_cast<std::int8_t>(next++)
                               : -1;
    layout.count[t] = next;
  }
  return layout;
}

// Built when the library loads, so that the hot path of every query reads it without a guard.
const SlotLayout kLayout = BuildLayout();
const SlotLayout& Layout() { return kLayout; }

/// A list answer: the targets, in order, kept in the table's storage.
struct ListRecord {
  MemObject* const* items;
  int count;
};

/// A binary answer is stored as a tagged text: 'B' and the bytes, or 'H', the length that a
/// binary without its whole content reports, and the bytes it holds.
constexpr char kBinaryTag = 'B';
constexpr char kHollowTag = 'H';
/// An octets answer likewise: 'O' and the octets, or 'L', the length the sequence reports and the
/// octets it holds.
constexpr char kOctetsTag = 'O';
constexpr char kOversizedTag = 'L';

/// Allocation by bumping a cursor through large blocks; nothing is freed before the table.
class Arena {
 public:
  void* Allocate(std::size_t iBytes, std::size_t iAlign) {
    std::size_t pad = Padding(iAlign);
    if (!cursor_ || pad + iBytes > left_) {
      if (iBytes > kBlockBytes / 4) return NewBlock(iBytes);
      cursor_ = static_cast<char*>(NewBlock(kBlockBytes));
      left_ = kBlockBytes;
      pad = 0;
    }
    char* place = cursor_ + pad;
    cursor_ = place + iBytes;
    left_ -= pad + iBytes;
    return place;
  }
  std::size_t BytesUsed() const { return bytes_ + blocks_.capacity() * sizeof(blocks_[0]); }

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;
  std::size_t Padding(std::size_t iAlign) const {
    const auto at = reinterpret_cast<std::uintptr_t>(cursor_);
    return (iAlign - at % iAlign) % iAlign;
  }
  void* NewBlock(std::size_t iBytes) {
    const std::size_t units = (iBytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    blocks_.emplace_back(new std::max_align_t[units]);
    bytes_ += HeapBlock(units * sizeof(std::max_align_t));
    return blocks_.back().get();
  }
  std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;
  std::size_t bytes_ = 0;
};

/// An index of records by their text key, each record stored once: open addressing with the
/// hashes kept in the entries, so that a probe reads one entry and, when the hash matches, the
/// one record.
template <class Record>
class TextIndex {
 public:
  /// The record whose key is iKey, made by iMake (which must give it that key) when there is
  /// none.
  template <class Make>
  const Record* FindOrAdd(std::string_view iKey, Make&& iMake) {
    if ((count_ + 1) * 4 > entries_.size() * 3) Grow();
    const std::size_t hash = std::hash<std::string_view>{}(iKey);
    const std::size_t mask = entries_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Entry& entry = entries_[i];
      if (!entry.record) {
        entry = Entry{hash, iMake()};
        ++count_;
        return entry.record;
      }
      if (entry.hash == hash && entry.record->key == iKey) return entry.record;
    }
  }
  std::size_t BytesUsed() const { return entries_.capacity() * sizeof(Entry); }

 private:
  struct Entry {
    std::size_t hash;
    const Record* record;
  };
  void Grow() {
    std::vector<Entry> grown(entries_.empty() ? 1024 : entries_.size() * 2, Entry{0, nullptr});
    const std::size_t mask = grown.size() - 1;
    for (const Entry& entry : entries_) {
      if (!entry.record) continue;
      std::size_t i = entry.hash & mask;
      while (grown[i].record) i = (i + 1) & mask;
      grown[i] = entry;
    }
    entries_.swap(grown);
  }
  std::vector<Entry> entries_;
  std::size_t count_ = 0;
};

/// A stored text: its view, followed in the arena by its characters.
struct TextRecord {
  std::string_view key;
};

/// A stored PLM identifier, by a key made of its fields.
struct PLMIDRecord {
  std::string_view key;
  const ZynPLMID* id;
};

}  // namespace

/// The answers that do not fit a slot: texts and byte runs stored once each, uuids and lists
/// in an arena, PLM identifiers once per distinct value.
struct Table::Storage {
  Arena arena;
  TextIndex<TextRecord> texts;
  std::deque<ZynPLMID> plmids;
  TextIndex<PLMIDRecord> plmidsByFields;
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

namespace {

// ---------------------------------------------------------------------------------------------
// Answers: each writes the slot's value into the out-argument when one was given and answers
// the slot's result.

std::string_view TextOf(const Slot& iSlot) {
  return *static_cast<const std::string_view*>(iSlot.p);
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUnicodeString& oText) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) {
    const std::string_view text = TextOf(*slot);
    oText = ZynUnicodeString(text.data(), static_cast<int>(text.size()));
  }
  return slot->result;
}

template <class IntLike>
HRESULT AnswerInt(MemObject& iObject, Op iOp, IntLike& oValue) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oValue = static_cast<IntLike>(slot->i);
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, int& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingMaster& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynDCIMpgMappingClient& oValue) {
  return AnswerInt(iObject, iOp, oValue);
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, unsigned int& oValue) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oValue = slot->u;
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, bool& oValue) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oValue = slot->b;
  return slot->result;
}

/// The two queries that answer their bool directly: false unless a value was given.
bool AnswerFlag(MemObject& iObject, Op iOp) {
  const Slot* slot = iObject.FindSlot(iOp);
  return slot && slot->given && slot->b;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynUuid& oUuid) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oUuid = *static_cast<const ZynUuid*>(slot->p);
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynBinary& oBinary) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) {
    const std::string_view stored = TextOf(*slot);
    if (stored[0] == kHollowTag) {
      std::int32_t length = 0;
      std::memcpy(&length, stored.data() + 1, sizeof(length));
      const std::size_t held = 1 + sizeof(length);
      oBinary =
          stored.size() == held
              ? ZynBinary::Hollow(length)
              : ZynBinary::Oversized(reinterpret_cast<const std::uint8_t*>(stored.data() + held),
                                     static_cast<int>(stored.size() - held), length);
    } else {
      oBinary = ZynBinary(reinterpret_cast<const std::uint8_t*>(stored.data() + 1),
                          static_cast<int>(stored.size() - 1));
    }
  }
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, _SEQUENCE_octet& oOctets) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) {
    const std::string_view stored = TextOf(*slot);
    std::int32_t reported = -1;
    std::size_t held = 0;
    if (stored[0] == kOversizedTag) {
      std::memcpy(&reported, stored.data() + 1, sizeof(reported));
      held = 1 + sizeof(reported);
    } else {
      held = 1;
    }
    oOctets = _SEQUENCE_octet(reinterpret_cast<const std::uint8_t*>(stored.data() + held),
                              static_cast<int>(stored.size() - held));
    if (reported >= 0) oOctets.ReportLengthForTests(reported);
  }
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynTime& oTime) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oTime = ZynTime(slot->t);
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMID& oId) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oId = *static_cast<const ZynPLMID*>(slot->p);
  return slot->result;
}

HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynPLMCEStamp& oStamp) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) oStamp = slot->p ? ZynPLMCEStamp(std::string(TextOf(*slot))) : ZynPLMCEStamp();
  return slot->result;
}

template <class I>
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynVar<I>& oHandle) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) {
    MemObject* target = static_cast<MemObject*>(const_cast<void*>(slot->p));
    oHandle.__CastTo(target ? target->Unknown() : nullptr);
  }
  return slot->result;
}

/// Lends a list the stored targets; handles are built only when the list is read. The source
/// holds no reference to anything: the table must outlive the list.
class StoredListSource final : public ZynListSource {
 public:
  explicit StoredListSource(const ListRecord& iRecord) : record_(iRecord) {}
  int Size() const override { return record_.count; }
  ZynBaseUnknown* At(int iPosition) const override {
    MemObject* target = record_.items[iPosition];
    return target ? target->Unknown() : nullptr;
  }
  void AddRef() override { references_.Add(); }
  void Release() override {
    if (references_.Drop() == 0) delete this;
  }

 private:
  const ListRecord& record_;
  ZynReferenceCount references_{0};  // the list that borrows it takes the first
};

template <class I>
HRESULT AnswerInto(MemObject& iObject, Op iOp, ZynListVal<I>& oList) {
  const Slot* slot = iObject.FindSlot(iOp);
  if (!slot) return E_FAIL;
  if (slot->given) {
    auto* source = new (std::nothrow) StoredListSource(*static_cast<const ListRecord*>(slot->p));
    if (!source) return E_OUTOFMEMORY;
    oList.Lend(source);
  }
  return slot->result;
}

// ---------------------------------------------------------------------------------------------
// One answering class per interface, AnswersOf<K, Self>, Self being the object's class. Each
// answer names its operation, and the compiler checks that the list of operations has the
// interface declare it; an interface operation without an answer leaves the object's class
// abstract.

/// The class of each interface.
template <Iface K>
struct InterfaceOf;
#define ZYN_MAPPING_INTERFACE(Name, Serial) \
  template <>                               \
  struct InterfaceOf<Iface::Name> {         \
    using type = ::Name;                    \
  };
#include "zyn/ZynMappingInterfaces.def"

template <Iface K, class Self>
class AnswersOf;

template <class Self, Iface K>
class Answers : public InterfaceOf<K>::type {
 public:
  using Interface = typename InterfaceOf<K>::type;
  static constexpr Iface kIface = K;

 protected:
  template <Op O, class Out>
  HRESULT Ask(Out& oValue) {
    static_assert(vocabulary::Declares(K, O), "an answer to an operation the interface lacks");
    return AnswerInto(static_cast<Self&>(*this), O, oValue);
  }
  template <Op O>
  bool AskFlag() {
    static_assert(vocabulary::Declares(K, O), "an answer to an operation the interface lacks");
    return AnswerFlag(static_cast<Self&>(*this), O);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgManager, Self> : public Answers<Self, Iface::ZynIDCIMpgManager> {
 public:
  HRESULT GetContext(ZynIDCIMpgContext_var& o) override {
    return this->template Ask<Op::GetContext>(o);
  }
  bool IsPLMIDCompletionActive() override {
    return this->template AskFlag<Op::IsPLMIDCompletionActive>();
  }
  HRESULT GetDMTElements(ZynListValZynIDCIMpgDMTElement_var& o) override {
    return this->template Ask<Op::GetDMTElements>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgManagerPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgManagerPrivate> {
 public:
  HRESULT GetDMTElementsToBeSaved(ZynListValZynIDCIMpgDMTElement_var& o) override {
    return this->template Ask<Op::GetDMTElementsToBeSaved>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgContext, Self> : public Answers<Self, Iface::ZynIDCIMpgContext> {
 public:
  HRESULT GetName(ZynUnicodeString& o) override { return this->template Ask<Op::GetName>(o); }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgEnvironment, Self>
    : public Answers<Self, Iface::ZynIDCIMpgEnvironment> {
 public:
  HRESULT GetName(ZynUnicodeString& o) override { return this->template Ask<Op::GetName>(o); }
  HRESULT GetMappingClient(ZynDCIMpgMappingClient& o) override {
    return this->template Ask<Op::GetMappingClient>(o);
  }
  HRESULT GetMappingMaster(ZynDCIMpgMappingMaster& o) override {
    return this->template Ask<Op::GetMappingMaster>(o);
  }
  HRESULT GetDirectory(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetDirectory>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgElementPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgElementPrivate> {
 public:
  HRESULT GetUuid(ZynUuid& o) override { return this->template Ask<Op::GetUuid>(o); }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgDMTElement, Self>
    : public Answers<Self, Iface::ZynIDCIMpgDMTElement> {
 public:
  HRESULT GetMappingMaster(ZynDCIMpgMappingMaster& o) override {
    return this->template Ask<Op::GetMappingMaster>(o);
  }
  HRESULT GetM1Component(ZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetM1Component>(o);
  }
  HRESULT GetNonM1Component(ZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetNonM1Component>(o);
  }
  HRESULT GetRMTElements(ZynListValZynIDCIMpgRMTElement_var& o) override {
    return this->template Ask<Op::GetRMTElements>(o);
  }
  HRESULT GetAlreadyExists(bool& o) override { return this->template Ask<Op::GetAlreadyExists>(o); }
  HRESULT GetModificationState(int& o) override {
    return this->template Ask<Op::GetModificationState>(o);
  }
  HRESULT GetM1ComponentVersion(ZynBinary& o) override {
    return this->template Ask<Op::GetM1ComponentVersion>(o);
  }
  HRESULT GetM1ComponentMajorID(ZynBinary& o) override {
    return this->template Ask<Op::GetM1ComponentMajorID>(o);
  }
  HRESULT GetNonM1ComponentVersion(ZynBinary& o) override {
    return this->template Ask<Op::GetNonM1ComponentVersion>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgRMTElement, Self>
    : public Answers<Self, Iface::ZynIDCIMpgRMTElement> {
 public:
  HRESULT GetM1Components(ZynListValZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetM1Components>(o);
  }
  HRESULT GetNonM1Component(ZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetNonM1Component>(o);
  }
  HRESULT GetMigrationState(bool& o) override {
    return this->template Ask<Op::GetMigrationState>(o);
  }
  HRESULT GetOwner(ZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetOwner>(o);
  }
  HRESULT GetRef(ZynIDCIMpgComponent_var& o) override { return this->template Ask<Op::GetRef>(o); }
  HRESULT GetPointed(ZynIDCIMpgComponent_var& o) override {
    return this->template Ask<Op::GetPointed>(o);
  }
  HRESULT GetAlreadyExists(bool& o) override { return this->template Ask<Op::GetAlreadyExists>(o); }
  HRESULT GetModificationState(int& o) override {
    return this->template Ask<Op::GetModificationState>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgComponent> {
 public:
  HRESULT GetComponentType(int& o) override { return this->template Ask<Op::GetComponentType>(o); }
  HRESULT GetExposedIdentifier(ZynBinary& o) override {
    return this->template Ask<Op::GetExposedIdentifier>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgComponentPrivate, Self>
    : public Answers<Self, Iface::ZynIDCIMpgComponentPrivate> {
 public:
  HRESULT GetHashKey(unsigned int& o) override { return this->template Ask<Op::GetHashKey>(o); }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgFileComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgFileComponent> {
 public:
  HRESULT GetName(ZynUnicodeString& o) override { return this->template Ask<Op::GetName>(o); }
  HRESULT GetUuid(ZynUuid& o) override { return this->template Ask<Op::GetUuid>(o); }
  HRESULT GetPathName(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetPathName>(o);
  }
  HRESULT GetDocType(ZynUnicodeString& o) override { return this->template Ask<Op::GetDocType>(o); }
  HRESULT GetLastSavePath(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetLastSavePath>(o);
  }
  HRESULT GetLastSaveName(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetLastSaveName>(o);
  }
  HRESULT GetLastSaveTime(ZynTime& o) override {
    return this->template Ask<Op::GetLastSaveTime>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgRMTFileBasedComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgRMTFileBasedComponent> {
 public:
  HRESULT GetPX1Id(_SEQUENCE_octet& o) override { return this->template Ask<Op::GetPX1Id>(o); }
  HRESULT GetAlias(ZynUnicodeString& o) override { return this->template Ask<Op::GetAlias>(o); }
  HRESULT GetTechnoString(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetTechnoString>(o);
  }
  HRESULT GetLinkSequence(_SEQUENCE_octet& o) override {
    return this->template Ask<Op::GetLinkSequence>(o);
  }
  bool IsBrokenLink() override { return this->template AskFlag<Op::IsBrokenLink>(); }
  HRESULT GetObjectType(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetObjectType>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgOrvComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgOrvComponent> {
 public:
  HRESULT GetModelPLMID(ZynPLMID& o) override { return this->template Ask<Op::GetModelPLMID>(o); }
  HRESULT GetWorkspaceId(int& o) override { return this->template Ask<Op::GetWorkspaceId>(o); }
  HRESULT GetElementId(int& o) override { return this->template Ask<Op::GetElementId>(o); }
  HRESULT GetWorkspaceUuid(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetWorkspaceUuid>(o);
  }
  HRESULT GetElementUuid(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetElementUuid>(o);
  }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgPellComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgPellComponent> {
 public:
  HRESULT GetPLMID(ZynPLMID& o) override { return this->template Ask<Op::GetPLMID>(o); }
  HRESULT GetCEStamp(ZynPLMCEStamp& o) override { return this->template Ask<Op::GetCEStamp>(o); }
};

template <class Self>
class AnswersOf<Iface::ZynIDCIMpgProviderComponent, Self>
    : public Answers<Self, Iface::ZynIDCIMpgProviderComponent> {
 public:
  HRESULT GetBinaryIdentifier(ZynBinary& o) override {
    return this->template Ask<Op::GetBinaryIdentifier>(o);
  }
  HRESULT GetProviderName(ZynUnicodeString& o) override {
    return this->template Ask<Op::GetProviderName>(o);
  }
};

// ---------------------------------------------------------------------------------------------
// The object classes.

/// The type's meta-class, found by name once it exists (types are described by whoever
/// registers extensions for them) and kept from then on.
ZynMetaClass* TypeMetaClass(Type iType) {
  static std::atomic<ZynMetaClass*> cache[kTypeCount];
  std::atomic<ZynMetaClass*>& cached = cache[static_cast<int>(iType)];
  if (ZynMetaClass* meta = cached.load(std::memory_order_acquire)) return meta;
  ZynMetaClass* meta = kvr::internal::fct_FindMetaObject(TypeName(iType));
  if (meta) cached.store(meta, std::memory_order_release);
  return meta;
}

/// An object of type T offering the interfaces First and Rest through their answering classes
/// (the first one gives the object's identity). Its slots follow it in the same block of
/// storage.
template <Type T, Iface First, Iface... Rest>
class MemImpl final : public MemObject,
                      public AnswersOf<First, MemImpl<T, First, Rest...>>,
                      public AnswersOf<Rest, MemImpl<T, First, Rest...>>... {
 public:
  MemImpl(Table& iTable, Slot* iSlots) : MemObject(iTable, T, iSlots) { ZynLiveObjectCreated(); }
  ~MemImpl() override { ZynLiveObjectDestroyed(); }

  ZynBaseUnknown* Unknown() override { return Identity(); }

  HRESULT QueryInterface(const IID& iIid, void** oInterface) override {
    if (!oInterface) return E_FAIL;
    *oInterface = nullptr;
    bool declared = false;
    void* found = nullptr;
    if (iIid == IID_IUnknown || iIid == IID_ZynBaseUnknown) {
      declared = true;
      found = Identity();
    } else {
      Find<First>(iIid, declared, found);
      (Find<Rest>(iIid, declared, found), ...);
    }
    if (found) {
      AddRef();
      *oInterface = found;
      return S_OK;
    }
    if (declared) return E_NOINTERFACE;
    if (iIid == IID_ZynIMpgDump) {
      if (DumpRequestWatcher* watcher = GetTable().GetDumpRequestWatcher())
        watcher->OnDumpRequested(T);
    }
    if (Offers(Iface::ZynIMpgDump))
      *oInterface = ZynFillDictionary::CreateExtension(Identity(), iIid);
    return *oInterface ? S_OK : E_NOINTERFACE;
  }
  HRESULT QueryInterface(const char* iInterfaceName, void** oInterface) override {
    return ZynQueryInterfaceByName(*Identity(), iInterfaceName, oInterface);
  }

  std::uint32_t AddRef() override { return references_.Add(); }
  std::uint32_t Release() override {
    const std::uint32_t left = references_.Drop();
    if (left == 0) {
      void* storage = this;
      this->~MemImpl();
      ZynBaseUnknown::operator delete(storage);
    }
    return left;
  }

  ZynMetaClass* GetMetaObject() const override { return TypeMetaClass(T); }
  const char* IsA() const override { return TypeName(T); }
  int IsAKindOf(const char* iClassName) const override {
    if (!iClassName) return 0;
    if (std::strcmp(iClassName, TypeName(T)) == 0) return 1;
    ZynMetaClass* meta = GetMetaObject();
    return meta ? meta->IsAKindOf(iClassName) : 0;
  }
  ZynBaseUnknown* GetImpl(int iFlag) const override {
    ZYN_CONTRACT(iFlag == 0, "ZynBaseUnknown::GetImpl", "the flag 0");
    return const_cast<MemImpl*>(this)->Identity();
  }
  int IsNull() const override { return 0; }
  int IsEqual(const ZynBaseUnknown* iOther) const override {
    return iOther && iOther->GetImpl(0) == GetImpl(0);
  }
  HRESULT ChangeComponentState(int, int, int) override { return E_FAIL; }

 private:
  ZynBaseUnknown* Identity() {
    return static_cast<typename AnswersOf<First, MemImpl>::Interface*>(this);
  }

  /// Answers iIid's interface when one of the type's interfaces is iIid and not withheld.
  template <Iface K>
  void Find(const IID& iIid, bool& ioDeclared, void*& oFound) {
    using Interface = typename InterfaceOf<K>::type;
    if (ioDeclared || iIid != Interface::ClassIid()) return;
    ioDeclared = true;
    if (Offers(K)) oFound = static_cast<Interface*>(this);
  }

  ZynReferenceCount references_{1};  // the table's
};

/// A new object with its slots, from ZynBaseUnknown's storage; null when that storage fails.
template <class Impl>
MemObject* Build(Table& iTable, Type iType, std::size_t* oBytes) {
  const int slotCount = Layout().count[static_cast<int>(iType)];
  static_assert(sizeof(Impl) % alignof(Slot) == 0, "slots must follow the object aligned");
  const std::size_t bytes = sizeof(Impl) + static_cast<std::size_t>(slotCount) * sizeof(Slot);
  void* storage = ZynBaseUnknown::operator new(bytes);
  if (!storage) return nullptr;
  Slot* slots = reinterpret_cast<Slot*>(static_cast<char*>(storage) + sizeof(Impl));
  for (int i = 0; i < slotCount; ++i) ::new (slots + i) Slot();
  *oBytes = HeapBlock(bytes);
  return ::new (storage) Impl(iTable, slots);
}

/// The object class of each type, made from its row of the list of types. The interface names
/// of a row name the Iface values here.
namespace object_classes {
#define ZYN_MAPPING_INTERFACE(Name, Serial) inline constexpr Iface Name = Iface::Name;
#include "zyn/ZynMappingInterfaces.def"
#define ZYN_MAPPING_TYPE(Type_, Name, Dumpable, ...) \
  using Type_ = MemImpl<Type::Type_, __VA_ARGS__>;
#include "zyn/ZynMappingTypes.def"
}  // namespace object_classes

using Builder = MemObject* (*)(Table&, Type, std::size_t*);

/// Builds a new object of each type, in the order of Type.
constexpr Builder kBuilders[kTypeCount] = {
#define ZYN_MAPPING_TYPE(Type_, Name, Dumpable, ...) &Build<object_classes::Type_>,
#include "zyn/ZynMappingTypes.def"
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// MemObject

bool MemObject::Offers(Iface iIface) const {
  return TypeOffers(type_, iIface) && !(withheld_ & (1u << static_cast<int>(iIface)));
}

MemObject::Slot* MemObject::FindSlot(Op iOp) {
  const int index = Layout().index[static_cast<int>(type_)][static_cast<int>(iOp)];
  return index < 0 ? nullptr : slots_ + index;
}

namespace {
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
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Binary)) {
    Table::Storage& storage = table_->GetStorage();
    storage.scratch.assign(1, kBinaryTag);
    storage.scratch.append(iBytes.begin(), iBytes.end());
    slot->p = storage.Intern(storage.scratch);
    storage.TrimScratch();
  }
}

void MemObject::SetHollowBinary(Op iOp, int iLength, const std::vector<std::uint8_t>& iHeld) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Binary)) {
    const std::int32_t length = iLength;
    Table::Storage& storage = table_->GetStorage();
    storage.scratch.assign(1, kHollowTag);
    storage.scratch.append(reinterpret_cast<const char*>(&length), sizeof(length));
    storage.scratch.append(iHeld.begin(), iHeld.end());
    slot->p = storage.Intern(storage.scratch);
    storage.TrimScratch();
  }
}

void MemObject::SetOctets(Op iOp, const std::vector<std::uint8_t>& iOctets) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Octets)) {
    Table::Storage& storage = table_->GetStorage();
    storage.scratch.assign(1, kOctetsTag);
    storage.scratch.append(iOctets.begin(), iOctets.end());
    slot->p = storage.Intern(storage.scratch);
    storage.TrimScratch();
  }
}

void MemObject::SetOversizedOctets(Op iOp, const std::vector<std::uint8_t>& iHeld,
                                   int iReportedLength) {
  if (Slot* slot = ValueSlot(*this, iOp, Kind::Octets)) {
    const std::int32_t length = iReportedLength;
    Table::Storage& storage = table_->GetStorage();
    storage.scratch.assign(1, kOversizedTag);
    storage.scratch.append(reinterpret_cast<const char*>(&length), sizeof(length));
    storage.scratch.append(iHeld.begin(), iHeld.end());
    slot->p = storage.Intern(storage.scratch);
    storage.TrimScratch();
  }
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
  slot->p = storage.Make(ListRecord{items, static_cast<int>(iTargets.size())});
}

// ---------------------------------------------------------------------------------------------
// Table

Table::Table() : storage_(std::make_unique<Storage>()) {}

Table::~Table() {
  for (MemObject* object : objects_) object->Unknown()->Release();
  for (const std::string& name : refusedMetaClasses_) ZynMetaClassFaults::Allow(name.c_str());
}

void Table::RefuseMetaClass(std::string_view iClassName) {
  refusedMetaClasses_.emplace_back(iClassName);
  ZynMetaClassFaults::Refuse(refusedMetaClasses_.back().c_str());
}

MemObject* Table::Create(Type iType) {
  std::size_t bytes = 0;
  MemObject* object = kBuilders[static_cast<int>(iType)](*this, iType, &bytes);
  if (!object) return nullptr;
  try {
    objects_.push_back(object);
  } catch (...) {
    object->Unknown()->Release();
    throw;
  }
  storage_->objectBytes += bytes;
  return object;
}

std::size_t Table::CountObjects() const { return objects_.size(); }

std::size_t Table::BytesUsed() const {
  return sizeof(Table) + objects_.capacity() * sizeof(MemObject*) + storage_->BytesUsed();
}

}  // namespace zyn::mem
