// The host's component object model: results, interface identifiers, the root interface,
// meta-classes, the extension dictionary and the module object.
//
// Objects are reached only through interfaces derived from ZynBaseUnknown. A class may be
// attached to an existing object type as an *extension*: it is registered in the dictionary
// for that type, and an object asked for an interface that its own class lacks gets a fresh
// extension object built by the registered creation function.
//
// Where an operation states what its caller passes ("Contract:"), a call that passes anything
// else is recorded as a violation (see ZynContract.h) and answered as well as it can be.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "zyn/ZynContract.h"
#include "zyn/ZynReferenceCount.h"

/// Result of every operation of the host: negative values are failures.
using HRESULT = std::int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

/// A 128-bit interface identifier, compared by value.
struct IID {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};
inline bool operator==(const IID& a, const IID& b) { return std::memcmp(&a, &b, sizeof(IID)) == 0; }
inline bool operator!=(const IID& a, const IID& b) { return !(a == b); }

ZYN_EXPORT extern const IID IID_IUnknown;
ZYN_EXPORT extern const IID IID_ZynBaseUnknown;

class ZynMetaClass;

/// The first three slots of every interface.
class ZYN_EXPORT IUnknown {
 public:
  virtual HRESULT QueryInterface(const IID& iIid, void** oInterface) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

/// The four dispatch slots. This host implements none of them: every object answers E_FAIL,
/// which these defaults give once for all.
class ZYN_EXPORT IDispatch : public IUnknown {
 public:
  virtual HRESULT GetTypeInfoCount(unsigned int* oCount);
  virtual HRESULT GetTypeInfo(unsigned int iIndex, unsigned int iLocale, void** oInfo);
  virtual HRESULT GetIDsOfNames(const IID& iIid, char** iNames, unsigned int iCount,
                                unsigned int iLocale, int* oIds);
  virtual HRESULT Invoke(int iId, const IID& iIid, unsigned int iLocale, unsigned short iFlags,
                         void* ioParams, void* oResult, void* oException, unsigned int* oArgError);

 protected:
  ~IDispatch() = default;
};

/// Root of all interfaces. Holds no data: implementations keep their own reference count.
///
/// Slot order: QueryInterface (by identifier), AddRef, Release, the four dispatch slots,
/// QueryInterface (by name), destructor, GetMetaObject, IsA, IsAKindOf, GetImpl, IsNull,
/// IsEqual, ChangeComponentState.
class ZYN_EXPORT ZynBaseUnknown : public IDispatch {
 public:
  /// Asks for an interface by the name of its class ("ZynIDCIMpgManager"). Slower than by
  /// identifier: the name is looked up in the host's table of interface names.
  virtual HRESULT QueryInterface(const char* iInterfaceName, void** oInterface) = 0;
  using IDispatch::QueryInterface;

  virtual ~ZynBaseUnknown() = default;

  virtual ZynMetaClass* GetMetaObject() const = 0;
  virtual const char* IsA() const = 0;
  virtual int IsAKindOf(const char* iClassName) const = 0;
  /// With 0: on an extension, the object it extends; on any other object, the object itself.
  /// Contract: iFlag is 0.
  virtual ZynBaseUnknown* GetImpl(int iFlag = 0) const = 0;
  virtual int IsNull() const = 0;
  virtual int IsEqual(const ZynBaseUnknown* iOther) const = 0;
  virtual HRESULT ChangeComponentState(int iFrom, int iTo, int iFlag) = 0;

  /// Class-level storage for every host object. Answers null when an injected allocation
  /// failure is due (see ZynAllocationFaults); never throws. Contract: iSize is the byte size
  /// of the object, at least that of ZynBaseUnknown.
  static void* operator new(std::size_t iSize) noexcept;
  static void operator delete(void* iStorage) noexcept;
  /// Gives back storage whose size is known: iSize is the byte size it was allocated with (or
  /// less), which lets a later allocation of that size reuse it at once.
  static void operator delete(void* iStorage, std::size_t iSize) noexcept;
  static void* operator new(std::size_t, void* iPlace) noexcept { return iPlace; }
  static void operator delete(void*, void*) noexcept {}
};

/// Injected failures of ZynBaseUnknown's class-level operator new: the next `count`
/// allocations after `skip` successful ones answer null. Counts are process-wide.
struct ZYN_EXPORT ZynAllocationFaults {
  static void FailAfter(int iSkip, int iCount);
  static void Clear();
};

/// Injected failures of meta-class retrieval: while a class name is refused,
/// kvr::internal::fct_RetrieveMetaObject answers null for it (the call is still counted) and
/// creates nothing, as a host whose registry cannot take one more class would. A registration
/// of a null class meta-class is then the host's own doing and not recorded against the
/// caller's contract. Refusals nest: a name refused twice is retrievable after two Allows.
struct ZYN_EXPORT ZynMetaClassFaults {
  static void Refuse(const char* iClassName);
  static void Allow(const char* iClassName);
};

/// Number of host objects (infrastructure objects and extensions) alive in the process. A test
/// reads it before and after to prove that nothing leaked.
ZYN_EXPORT long ZynLiveObjectCount();
/// Called by every implementation's constructor and destructor.
ZYN_EXPORT void ZynLiveObjectCreated();
ZYN_EXPORT void ZynLiveObjectDestroyed();

struct ZynCall;  // see ZynCallLog.h

/// Base of the host's extension objects: an object built by ToCreateBOA, tied to the object it
/// extends, which it holds for its whole life. Implements the slots of ZynBaseUnknown: its
/// QueryInterface answers the interfaces of its class and forwards every other identifier to
/// the extended object; GetImpl(0) answers the extended object. Adds no virtual operation.
class ZYN_EXPORT ZynBaseExtension : public ZynBaseUnknown {
 public:
  ZynBaseExtension();
  ~ZynBaseExtension() override;

  HRESULT QueryInterface(const IID& iIid, void** oInterface) override;
  HRESULT QueryInterface(const char* iInterfaceName, void** oInterface) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;
  ZynMetaClass* GetMetaObject() const override;
  const char* IsA() const override;
  int IsAKindOf(const char* iClassName) const override;
  ZynBaseUnknown* GetImpl(int iFlag = 0) const override;
  int IsNull() const override;
  int IsEqual(const ZynBaseUnknown* iOther) const override;
  HRESULT ChangeComponentState(int iFrom, int iTo, int iFlag) override;

  /// Called once by ToCreateBOA: the extended object (one reference taken) and the class.
  void AttachExtended(ZynBaseUnknown* iExtended, ZynMetaClass* iClass) {
    if (iExtended) iExtended->AddRef();
    if (extended_) extended_->Release();
    extended_ = iExtended;
    class_ = iClass;
  }

  /// Extensions are deleted with their size (the one their class's deleting destructor
  /// knows), so that their storage goes back to the class-level storage's warm blocks without
  /// asking malloc what it was. Their storage is ZynBaseUnknown's, declared here as a pair.
  static void* operator new(std::size_t iSize) noexcept {
    return ZynBaseUnknown::operator new(iSize);
  }
  static void operator delete(void* iStorage, std::size_t iSize) noexcept {
    ZynBaseUnknown::operator delete(iStorage, iSize);
  }
  static void* operator new(std::size_t, void* iPlace) noexcept { return iPlace; }
  static void operator delete(void*, void*) noexcept {}

 private:
  /// QueryInterface by identifier, without telling the call observer.
  HRESULT AnswerInterface(const IID& iIid, void** oInterface);
  /// A call of iOperation on this extension, as the call observer is told it.
  ZynCall Observed(const char* iOperation) const;

  ZynReferenceCount references_;
  ZynBaseUnknown* extended_;
  ZynMetaClass* class_;
};

/// ENUMTypeOfClass: the value 2 denotes a data extension.
enum ENUMTypeOfClass { Implementation = 0, Extension = 1, DataExtension = 2, CodeExtension = 3 };

using ZynCreateFunction = IUnknown* (*)(ZynBaseUnknown*, ZynBaseUnknown*);
using ZynConstructorFunction = ZynBaseUnknown* (*)();
using ZynCheckFunction = int (*)(ZynBaseUnknown*);

/// What the dictionary knows of one extension of one type.
struct ZynDictionaryEntry;

/// The description of a class: its name, kind, base, the types it extends and the
/// extensions registered for it. Meta-classes live as long as the process.
class ZYN_EXPORT ZynMetaClass {
 public:
  const char* GetName() const;
  ENUMTypeOfClass GetKind() const;
  const ZynMetaClass* GetBase() const;
  std::size_t GetObjectSize() const;
  const char* GetFramework() const;
  /// Non-zero when this class is, or derives from, the class named iClassName.
  int IsAKindOf(const char* iClassName) const;
  /// Declares that this extension class extends the type of iType too. Contract: iType is a
  /// meta-class.
  void SetExtensionOf(ZynMetaClass* iType);
  /// The types this class extends, null-terminated (valid until the next SetExtensionOf).
  int CountExtendedTypes() const;
  ZynMetaClass* GetExtendedType(int iPosition) const;
  /// For interface meta-classes: the identifier; null otherwise.
  const IID* GetIid() const;

  struct Data;
  explicit ZynMetaClass(Data* iData) : data_(iData) {}
  Data* data() const { return data_; }

 private:
  Data* data_;
};

namespace kvr::internal {
/// The meta-class of the named class, created on the first call with these attributes.
/// Contract: a class name and an ENUMTypeOfClass value; for an extension (a class that names
/// the type it extends), the kind DataExtension, the meta-class of the interface it implements
/// as its base, a framework name and the byte size of its objects, at least that of
/// ZynBaseExtension.
ZYN_EXPORT ZynMetaClass* fct_RetrieveMetaObject(const char* iClassName, int iKind,
                                                ZynMetaClass* iBase, const char* iExtendedType,
                                                const char* iFramework, std::size_t iObjectSize);
/// An existing meta-class, or null. Contract: a class name.
ZYN_EXPORT ZynMetaClass* fct_FindMetaObject(const char* iClassName);
/// Number of fct_RetrieveMetaObject calls made for one class name since the process began.
ZYN_EXPORT int fct_RetrieveMetaObjectCalls(const char* iClassName);

/// The object-model lock, held while an om_guard lives. Recursive.
class ZYN_EXPORT om_guard {
 public:
  om_guard();
  ~om_guard();
  om_guard(const om_guard&) = delete;
  om_guard& operator=(const om_guard&) = delete;
};
}  // namespace kvr::internal

/// Registers interface meta-classes, so that an interface can be found by name and by identifier.
ZYN_EXPORT ZynMetaClass* ZynRegisterInterface(const char* iName, const IID& iIid,
                                              const char* iBaseName);
/// The identifier registered for an interface name, or null.
ZYN_EXPORT const IID* ZynFindInterfaceIid(const char* iName);
/// QueryInterface by name, as every host object answers it: iName is looked up by
/// ZynFindInterfaceIid and iObject is asked for that identifier. A name that is null or names no
/// interface answers E_NOINTERFACE, with *oInterface null when oInterface is given; otherwise the
/// answer is iObject's QueryInterface by identifier.
ZYN_EXPORT HRESULT ZynQueryInterfaceByName(IUnknown& iObject, const char* iName, void** oInterface);

class ZYN_EXPORT ZynFillDictionary {
 public:
  /// Every type that iClass extends implements iInterface through iCreate. The result is
  /// S_OK, or E_FAIL when an argument is null. Contract: the three meta-classes and function
  /// are given, iCheck is null (this host decides by type alone; a checking function passed
  /// anyway is honoured), iFlag is 1.
  static HRESULT Register(ZynMetaClass* iClass, ZynMetaClass* iInterface, ZynCreateFunction iCreate,
                          ZynCheckFunction iCheck, int iFlag);
  /// Builds the iIid extension of iObject if the dictionary has one for its type (or a type that
  /// type derives from); null otherwise. The result holds one reference.
  static void* CreateExtension(ZynBaseUnknown* iObject, const IID& iIid);
  /// CreateExtension for an object that knows its meta-class iType (what its GetMetaObject
  /// answers), which spares asking it.
  static void* CreateExtensionOfType(ZynBaseUnknown* iObject, const ZynMetaClass* iType,
                                     const IID& iIid);
  /// Removes every entry registered while iModuleTag was current (see ZynModuleLoader).
  static void RemoveModuleEntries(const void* iModuleTag);
  /// Number of entries in the dictionary.
  static int CountEntries();
};

/// Builds an extension: calls iConstructor, ties the new object to iExtended (held for the life
/// of the extension) and answers its iIid interface with one reference; null on failure.
/// Contract: iExtended is given; called from a creation function that the dictionary runs,
/// iExtended and iOuter are the two objects that function received, in the same order; iClass
/// implements iIid; iConstructor is given.
ZYN_EXPORT IUnknown* ToCreateBOA(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter,
                                 ZynMetaClass* iClass, const IID& iIid,
                                 ZynConstructorFunction iConstructor);

/// A module's table of class-registration routines: begin and end point at the null entries
/// that frame the routines.
using ZynClassRegistrationRoutine = void* (*)();
struct ZynOMModuleInfo {
  const ZynClassRegistrationRoutine* begin;
  const ZynClassRegistrationRoutine* end;
};

/// The module object: built first among a module's static objects, it hands the host the table
/// of the module's class-registration routines. Contract: begin and end point at the null
/// entries of one table, with only routines between them; every routine answers the address of
/// the module object.
class ZYN_EXPORT ZynOMModule {
 public:
  explicit ZynOMModule(const ZynOMModuleInfo& iInfo);
  ~ZynOMModule();
  ZynOMModule(const ZynOMModule&) = delete;
  ZynOMModule& operator=(const ZynOMModule&) = delete;
  const ZynOMModuleInfo& GetInfo() const { return info_; }

 private:
  ZynOMModuleInfo info_;
};

/// The order in which module objects and named traces are built and destroyed, recorded while
/// enabled: entries such as "module+", "trace+NAME", "trace-NAME" (NAME: the trace's name),
/// "module-". For tests of a module's static construction order.
struct ZYN_EXPORT ZynLifecycleLog {
  static void Enable(bool iOn);
  static void Record(const char* iEvent, const char* iName);
  /// The entries recorded so far, one per line, and clears them.
  static std::string Take();
};
