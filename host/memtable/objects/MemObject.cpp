// The objects of an in-memory mapping table, one class per type made from the list of types,
// and the table that builds and owns them.
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "objects/AnswerClasses.h"
#include "objects/AnswerStorage.h"
#include "zyn/ZynCallLog.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {
namespace {

/// Each type's meta-class once found (zero-initialised before any code runs: no guard).
std::atomic<ZynMetaClass*> gTypeMetaClasses[kTypeCount] = {};

/// TypeMetaClass when the cache is empty: the meta-class found by name, kept once it exists.
[[gnu::noinline]] ZynMetaClass* FindTypeMetaClass(Type iType) {
  ZynMetaClass* meta = kvr::internal::fct_FindMetaObject(TypeName(iType));
  if (meta) gTypeMetaClasses[static_cast<int>(iType)].store(meta, std::memory_order_release);
  return meta;
}

/// The type's meta-class, found by name once it exists (types are described by whoever
/// registers extensions for them) and kept from then on.
inline ZynMetaClass* TypeMetaClass(Type iType) {
  ZynMetaClass* meta = gTypeMetaClasses[static_cast<int>(iType)].load(std::memory_order_acquire);
  return meta ? meta : FindTypeMetaClass(iType);
}

/// Identifier equality that settles most mismatches on the first four bytes.
[[gnu::always_inline]] inline bool SameIid(const IID& iOne, const IID& iOther) {
  return iOne.data1 == iOther.data1 && iOne == iOther;
}

/// Tells the call observer of an interface request on iObject (by identifier or by name).
void TellRequest(const ZynObservedCall& iObserved, MemObject& iObject, const char* iAsked,
                 HRESULT iResult) {
  ZynCall call;
  call.object = iObject.Unknown();
  call.interfaceName = "ZynBaseUnknown";
  call.operation = "QueryInterface";
  call.asked = iAsked;
  call.result = iResult;
  iObserved.Tell(call);
}

/// Tells the call observer of a GetImpl on iSelf, which answers itself.
void TellGetImpl(const ZynObservedCall& iObserved, ZynBaseUnknown& iSelf) {
  ZynCall call;
  call.object = &iSelf;
  call.interfaceName = "ZynBaseUnknown";
  call.operation = "GetImpl";
  call.answer = ZynCall::Answer::Object;
  call.answered = &iSelf;
  iObserved.Tell(call);
}

/// An object of type T offering the interfaces First and Rest through their answering classes
/// (the first one gives the object's identity). Its slots follow it in the same block of
/// storage.
template <Type T, Iface First, Iface... Rest>
class MemImpl final : public MemObject,
                      public AnswersOf<First, MemImpl<T, First, Rest...>>,
                      public AnswersOf<Rest, MemImpl<T, First, Rest...>>... {
 public:
  static constexpr Type kType = T;

  MemImpl(Table& iTable, Slot* iSlots) : MemObject(iTable, T, iSlots) { ZynLiveObjectCreated(); }
  ~MemImpl() override { ZynLiveObjectDestroyed(); }

  ZynBaseUnknown* Unknown() override { return Identity(); }

  /// The bytes of an object with its slots, as one block of ZynBaseUnknown's storage.
  static constexpr std::size_t StorageBytes() {
    static_assert(sizeof(MemImpl) % alignof(Slot) == 0, "slots must follow the object aligned");
    return sizeof(MemImpl) + static_cast<std::size_t>(vocabulary::SlotCount(T)) * sizeof(Slot);
  }

  [[gnu::noinline]] HRESULT AnswerInterface(const IID& iIid, void** oInterface) override {
    if (!oInterface) return E_FAIL;
    *oInterface = nullptr;
    // The type's own interfaces first, then the dump's, then the roots: the order of how often
    // they are asked.
    bool declared = false;
    void* found = nullptr;
    Find<First>(iIid, declared, found);
    (Find<Rest>(iIid, declared, found), ...);
    if (!declared) {
      if (SameIid(iIid, IID_ZynIMpgDump)) return AnswerExtension(iIid, oInterface, true);
      if (SameIid(iIid, IID_IUnknown) || SameIid(iIid, IID_ZynBaseUnknown)) {
        declared = true;
        found = Identity();
      }
    }
    if (found) {
      AddRef();
      *oInterface = found;
      return S_OK;
    }
    if (declared) return E_NOINTERFACE;
    return AnswerExtension(iIid, oInterface, false);
  }

  HRESULT QueryInterface(const IID& iIid, void** oInterface) override {
    const ZynObservedCall observed;
    const HRESULT result = AnswerInterface(iIid, oInterface);
    if (observed) TellRequest(observed, *this, ZynFindInterfaceName(iIid), result);
    return result;
  }
  HRESULT QueryInterface(const char* iInterfaceName, void** oInterface) override {
    const ZynObservedCall observed;
    const HRESULT result = ZynQueryInterfaceByName(*Identity(), iInterfaceName, oInterface);
    if (observed) TellRequest(observed, *this, iInterfaceName, result);
    return result;
  }

  std::uint32_t AddRef() override { return references_.Add(); }
  std::uint32_t Release() override {
    const std::uint32_t left = references_.Drop();
    if (left == 0) {
      void* storage = this;
      const std::size_t bytes = StorageBytes();
      this->~MemImpl();
      ZynBaseUnknown::operator delete(storage, bytes);
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
    ZynBaseUnknown* self = const_cast<MemImpl*>(this)->Identity();
    if (const ZynObservedCall observed; observed) TellGetImpl(observed, *self);
    return self;
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

  /// An interface the object's class lacks (iDump: the dump's, told to the table's watcher
  /// first): the extension the dictionary builds for it, where the object offers extensions.
  HRESULT AnswerExtension(const IID& iIid, void** oInterface, bool iDump) {
    if (iDump) {
      if (DumpRequestWatcher* watcher = GetTable().GetDumpRequestWatcher())
        watcher->OnDumpRequested(T);
    }
    if (OffersNow<Iface::ZynIMpgDump>())
      *oInterface = ZynFillDictionary::CreateExtensionOfType(Identity(), TypeMetaClass(T), iIid);
    return *oInterface ? S_OK : E_NOINTERFACE;
  }

  /// Answers iIid's interface when one of the type's interfaces is iIid and not withheld.
  template <Iface K>
  void Find(const IID& iIid, bool& ioDeclared, void*& oFound) {
    using Interface = typename InterfaceOf<K>::type;
    if (ioDeclared || !SameIid(iIid, Interface::ClassIid())) return;
    ioDeclared = true;
    if (OffersNow<K>()) oFound = static_cast<Interface*>(this);
  }

  /// Offers(K), with the type's part decided when the class is compiled.
  template <Iface K>
  bool OffersNow() const {
    return vocabulary::Offers(T, K) && !Withholds(K);
  }

  ZynReferenceCount references_{1};  // the table's
};

/// A new object with its slots, from ZynBaseUnknown's storage; null when that storage fails.
template <class Impl>
MemObject* Build(Table& iTable, Type iType, std::size_t* oBytes) {
  const int slotCount = SlotCount(iType);
  constexpr std::size_t bytes = Impl::StorageBytes();
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

// ---- Table ----

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
