// The mapping infrastructure: the dump interface, the interfaces of mapping tables, their
// handles and lists, the trace tool, text services, PLM identifiers and CE stamps.
//
// Every query answers an HRESULT and fills an out-argument that the caller builds first; a
// query that fails may leave its argument untouched.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/ZynBaseUnknown.h"
#include "zyn/ZynTrace.h"
#include "zyn/ZynValues.h"
#include "zyn/ZynVar.h"

// The handles and identifiers of every interface (see ZynMappingInterfaces.def).
#define ZYN_MAPPING_INTERFACE(Name, Serial) \
  ZYN_DECLARE_HANDLES(Name)                 \
  ZYN_EXPORT extern const IID IID_##Name;
#include "zyn/ZynMappingInterfaces.def"

/// The object types of the mapping infrastructure, under the names that extensions name them
/// by, in the order of ZynMappingTypes.def: the manager, its context, the environment, the DMT
/// and RMT rows, then the seven component types.
inline constexpr int kZynDCIMpgTypeCount = 0
#define ZYN_MAPPING_TYPE(Type, Name, Dumpable, ...) +1
#include "zyn/ZynMappingTypes.def"
    ;
ZYN_EXPORT extern const char* const kZynDCIMpgTypeNames[kZynDCIMpgTypeCount];

/// Mapping master of a row or environment: 0 none, 1 M1, 2 non-M1; other values are possible.
enum ZynDCIMpgMappingMaster : int {
  ZynDCIMpgMasterNone = 0,
  ZynDCIMpgMasterM1 = 1,
  ZynDCIMpgMasterNonM1 = 2
};
/// Mapping client of an environment; values 0 to 5 are named, others are possible.
enum ZynDCIMpgMappingClient : int {
  ZynDCIMpgClientNone = 0,
  ZynDCIMpgClientQuell = 1,
  ZynDCIMpgClientBront = 2,
  ZynDCIMpgClientStiv = 3,
  ZynDCIMpgClientMarn = 4,
  ZynDCIMpgClientOrv = 5
};

/// A PLM identifier: a physical id (bytes), a logical and a major text. A default identifier is
/// null; one that a query filled is set, even with empty fields.
class ZYN_EXPORT ZynPLMID {
 public:
  ZynPLMID() = default;
  ZynPLMID(std::vector<std::uint8_t> iPhysical, std::string iLogical, std::string iMajor);
  /// Copies share the fields, which never change once made: the copy that answers a query
  /// costs no allocation.
  ZynPLMID(const ZynPLMID& iOther) noexcept;
  ZynPLMID(ZynPLMID&& iOther) noexcept : fields_(iOther.fields_) { iOther.fields_ = nullptr; }
  ZynPLMID& operator=(const ZynPLMID& iOther) noexcept;
  ZynPLMID& operator=(ZynPLMID&& iOther) noexcept;
  ~ZynPLMID();

  bool IsNull() const { return fields_ == nullptr; }
  /// "PLMID physical:P logical:L major:M\n" (P in uppercase hexadecimal), or "PLMID null\n".
  std::string Text() const;
  /// Writes Text() into the named trace as one TraPut at level 2.
  HRESULT Dump(ZynTrace& iTrace) const;
  /// Writes Text() into the stream and flushes it.
  HRESULT Dump(std::ostream& iStream) const;
  /// Text() into oText.
  HRESULT GetUnicodeDump(ZynUnicodeString& oText) const;
  /// The physical id in uppercase hexadecimal; empty for a null identifier.
  std::string PhysicalHexa() const;

 private:
  friend class ZynDCIMpgServicesForTests;  // writes the physical id's text where it wants it

  /// Calls iUse(text, length) with Text(), built on the stack when it is of ordinary length.
  template <class Use>
  void UseText(Use&& iUse) const;

  /// The physical id, the logical and the major text, and how many identifiers hold them.
  struct Fields;
  /// Null for a null identifier.
  const Fields* fields_ = nullptr;
};

/// A CE stamp: a text, or the invalid stamp. A stamp either owns its text or lends one kept
/// elsewhere (see Lending); a copy of a lending stamp lends the same text.
class ZYN_EXPORT ZynPLMCEStamp {
 public:
  ZynPLMCEStamp() = default;
  explicit ZynPLMCEStamp(std::string iText) : owned_(std::move(iText)), valid_(true) {}
  /// A stamp of the text iText, not copied: its characters must outlive the stamp and every
  /// copy of it. For answers read from storage that stays put, such as a table's.
  static ZynPLMCEStamp Lending(std::string_view iText) {
    ZynPLMCEStamp stamp;
    stamp.lent_ = iText;
    stamp.lends_ = true;
    stamp.valid_ = true;
    return stamp;
  }
  bool IsValid() const { return valid_; }
  /// The stamp's text into oText; the invalid stamp gives the empty text.
  static HRESULT Stream(const ZynPLMCEStamp& iStamp, ZynUnicodeString& oText);

 private:
  std::string_view Text() const { return lends_ ? lent_ : std::string_view(owned_); }

  std::string owned_;
  std::string_view lent_;
  bool lends_ = false;
  bool valid_ = false;
};

class ZYN_EXPORT ZynPLMCEStampServices {
 public:
  static ZynPLMCEStamp CreateInvalidCEStamp();
};

/// Text services of the mapping infrastructure.
class ZYN_EXPORT ZynDCIMpgServices {
 public:
  /// "None", "M1", "NonM1" for 0, 1, 2; "Unknown(n)" for any other n.
  static HRESULT GetMappingMasterDump(ZynDCIMpgMappingMaster iMaster, ZynUnicodeString& oText);
};

class ZYN_EXPORT ZynDCIMpgServicesForTests {
 public:
  /// The bytes in uppercase hexadecimal; the empty text for a binary that gives no bytes.
  static HRESULT GetBinaryHexaName(const ZynBinary& iBinary, ZynUnicodeString& oText);
  /// The physical id in uppercase hexadecimal; empty for a null identifier.
  static HRESULT GetPLMPhysicalIdDump(const ZynPLMID& iId, ZynUnicodeString& oText);
};

/// Where the trace tool's texts go, and who watches them.
///
/// An output may lend the trace tool room to write into (room): the tool then copies each
/// TraPut text, and formats each TraPrint text, straight into it, one after the other, and
/// calls none of the On operations for a text that goes there. An output that must see each
/// text by itself (to log it, or to keep it in order with other writes on the same stream)
/// lends none. Like the tool's texts themselves, the room is used by one thread at a time.
class ZYN_EXPORT ZynTraceToolOutput {
 public:
  virtual ~ZynTraceToolOutput() = default;
  /// A TraPut: the text as given.
  virtual void OnTraPut(int iLevel, const char* iText) = 0;
  /// A TraPrint: the format and the formatted text.
  virtual void OnTraPrint(int iLevel, const char* iFormat, const char* iText) = 0;
  /// A TraPrint whose text's length the trace tool already knows, so that an output that
  /// copies the text need not measure it again. By default, OnTraPrint.
  virtual void OnTraPrintMeasured(int iLevel, const char* iFormat, const char* iText,
                                  std::size_t /*iLength*/) {
    OnTraPrint(iLevel, iFormat, iText);
  }
  /// Asked by the trace tool when a text of iLength bytes (or a TraPrint that may need that
  /// many) does not fit into the room left: the output takes in what the room holds, so that
  /// a text given to an On operation next comes after it, and may lend room again. Answers
  /// whether the room now holds at least iLength bytes. By default lends nothing.
  virtual bool OnRoomFull(std::size_t /*iLength*/) { return false; }

  /// The room lent: the trace tool writes from next on, never at or past end, and moves next
  /// past each text it writes; the output sets both. Both null: no room lent.
  struct Room {
    char* next = nullptr;
    char* end = nullptr;
  };
  Room room;
};

/// The mapping infrastructure's trace tool. Its validity decides, at every emission of a dump,
/// whether the text goes to the trace tool or to standard output.
///
/// The validity follows a schedule: the n-th IsValid answers the n-th entry, then the last entry
/// for ever. The default schedule is { false }. Texts go to the installed output (standard error
/// when none is installed). Contract: TraPut and TraPrint are given the level 2 and a text or a
/// format.
class ZYN_EXPORT ZynDCIMpgTraceTool {
 public:
  static unsigned char IsValid();
  static HRESULT TraPut(int iLevel, const char* iText);
  static HRESULT TraPrint(int iLevel, const char* iFormat, ...)
      __attribute__((format(printf, 2, 3)));

  /// How a full PLMID reaches the trace tool (read by the Pell component dump).
  static int _traceType;

  /// Replaces the schedule and restarts it; an empty schedule means { false }.
  static void SetValidity(const std::vector<bool>& iSchedule);
  static void SetValid(bool iValid) { SetValidity({iValid}); }
  /// Number of IsValid calls since the schedule was last set. Exact while one thread asks at a
  /// time; while a schedule of one entry is set, calls made at the same moment on several
  /// threads may be counted as one, which keeps IsValid a load of its answer.
  static long CountValidityChecks();
  /// The output (null: standard error); the caller keeps it alive.
  static void SetOutput(ZynTraceToolOutput* iOutput);
};

/// The dump interface: one operation that writes a description of the object it extends.
/// Implemented only by extensions, hence its base.
class ZYN_EXPORT ZynIMpgDump : public ZynBaseExtension {
  ZYN_DECLARE_INTERFACE(ZynIMpgDump)
  ZynIMpgDump();
  ~ZynIMpgDump() override;
  static ZynMetaClass* MetaObject();
  virtual HRESULT Dump(int iLevel, int iMode, int iIndex) = 0;
};

class ZYN_EXPORT ZynIDCIMpgContext : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgContext)
  virtual HRESULT GetName(ZynUnicodeString& oName) = 0;
};

class ZYN_EXPORT ZynIDCIMpgManager : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgManager)
  virtual HRESULT GetContext(ZynIDCIMpgContext_var& oContext) = 0;
  virtual bool IsPLMIDCompletionActive() = 0;
  virtual HRESULT GetDMTElements(ZynListValZynIDCIMpgDMTElement_var& oElements) = 0;
};

class ZYN_EXPORT ZynIDCIMpgManagerPrivate : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgManagerPrivate)
  virtual HRESULT GetDMTElementsToBeSaved(ZynListValZynIDCIMpgDMTElement_var& oElements) = 0;
};

class ZYN_EXPORT ZynIDCIMpgEnvironment : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgEnvironment)
  virtual HRESULT GetName(ZynUnicodeString& oName) = 0;
  virtual HRESULT GetMappingClient(ZynDCIMpgMappingClient& oClient) = 0;
  virtual HRESULT GetMappingMaster(ZynDCIMpgMappingMaster& oMaster) = 0;
  virtual HRESULT GetDirectory(ZynUnicodeString& oDirectory) = 0;
};

class ZYN_EXPORT ZynIDCIMpgElementPrivate : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgElementPrivate)
  /// Negative when the element can give no uuid.
  virtual HRESULT GetUuid(ZynUuid& oUuid) = 0;
};

class ZYN_EXPORT ZynIDCIMpgDMTElement : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgDMTElement)
  virtual HRESULT GetMappingMaster(ZynDCIMpgMappingMaster& oMaster) = 0;
  virtual HRESULT GetM1Component(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetNonM1Component(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetRMTElements(ZynListValZynIDCIMpgRMTElement_var& oElements) = 0;
  virtual HRESULT GetAlreadyExists(bool& oExists) = 0;
  virtual HRESULT GetModificationState(int& oState) = 0;
  /// The three identifiers answer 0 when present, 1 when there is none, other codes on failure.
  virtual HRESULT GetM1ComponentVersion(ZynBinary& oVersion) = 0;
  virtual HRESULT GetM1ComponentMajorID(ZynBinary& oMajorId) = 0;
  virtual HRESULT GetNonM1ComponentVersion(ZynBinary& oVersion) = 0;
};

class ZYN_EXPORT ZynIDCIMpgRMTElement : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgRMTElement)
  virtual HRESULT GetM1Components(ZynListValZynIDCIMpgComponent_var& oComponents) = 0;
  virtual HRESULT GetNonM1Component(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetMigrationState(bool& oMigrated) = 0;
  virtual HRESULT GetOwner(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetRef(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetPointed(ZynIDCIMpgComponent_var& oComponent) = 0;
  virtual HRESULT GetAlreadyExists(bool& oExists) = 0;
  virtual HRESULT GetModificationState(int& oState) = 0;
};

class ZYN_EXPORT ZynIDCIMpgComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgComponent)
  virtual HRESULT GetComponentType(int& oType) = 0;
  virtual HRESULT GetExposedIdentifier(ZynBinary& oIdentifier) = 0;
};

class ZYN_EXPORT ZynIDCIMpgComponentPrivate : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgComponentPrivate)
  virtual HRESULT GetHashKey(unsigned int& oKey) = 0;
};

class ZYN_EXPORT ZynIDCIMpgFileComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgFileComponent)
  virtual HRESULT GetName(ZynUnicodeString& oName) = 0;
  virtual HRESULT GetUuid(ZynUuid& oUuid) = 0;
  virtual HRESULT GetPathName(ZynUnicodeString& oPath) = 0;
  virtual HRESULT GetDocType(ZynUnicodeString& oType) = 0;
  virtual HRESULT GetLastSavePath(ZynUnicodeString& oPath) = 0;
  virtual HRESULT GetLastSaveName(ZynUnicodeString& oName) = 0;
  virtual HRESULT GetLastSaveTime(ZynTime& oTime) = 0;
};

class ZYN_EXPORT ZynIDCIMpgRMTFileBasedComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgRMTFileBasedComponent)
  virtual HRESULT GetPX1Id(_SEQUENCE_octet& oId) = 0;
  virtual HRESULT GetAlias(ZynUnicodeString& oAlias) = 0;
  virtual HRESULT GetTechnoString(ZynUnicodeString& oTechno) = 0;
  virtual HRESULT GetLinkSequence(_SEQUENCE_octet& oSequence) = 0;
  virtual bool IsBrokenLink() = 0;
  virtual HRESULT GetObjectType(ZynUnicodeString& oType) = 0;
};

class ZYN_EXPORT ZynIDCIMpgOrvComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgOrvComponent)
  virtual HRESULT GetModelPLMID(ZynPLMID& oId) = 0;
  virtual HRESULT GetWorkspaceId(int& oId) = 0;
  virtual HRESULT GetElementId(int& oId) = 0;
  virtual HRESULT GetWorkspaceUuid(ZynUnicodeString& oUuid) = 0;
  virtual HRESULT GetElementUuid(ZynUnicodeString& oUuid) = 0;
};

class ZYN_EXPORT ZynIDCIMpgPellComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgPellComponent)
  virtual HRESULT GetPLMID(ZynPLMID& oId) = 0;
  /// Negative when the component has no stamp.
  virtual HRESULT GetCEStamp(ZynPLMCEStamp& oStamp) = 0;
};

class ZYN_EXPORT ZynIDCIMpgProviderComponent : public ZynBaseUnknown {
  ZYN_DECLARE_INTERFACE(ZynIDCIMpgProviderComponent)
  virtual HRESULT GetBinaryIdentifier(ZynBinary& oIdentifier) = 0;
  virtual HRESULT GetProviderName(ZynUnicodeString& oName) = 0;
};
