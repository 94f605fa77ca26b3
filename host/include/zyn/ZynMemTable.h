// In-memory mapping tables whose objects answer every query from values set on them, with
// fault injection: any query's result and value set independently, any interface withheld.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynTableValue.h"

namespace zyn::mem {

/// The object types of a mapping table, in the order of ZynMappingTypes.def.
enum class Type : std::uint8_t {
#define ZYN_MAPPING_TYPE(Type, Name, Dumpable, ...) Type,
#include "zyn/ZynMappingTypes.def"
};
inline constexpr int kTypeCount = kZynDCIMpgTypeCount;

/// The interfaces an object may offer, in the order of ZynMappingInterfaces.def; ZynIMpgDump
/// stands for the dump extension.
enum class Iface : std::uint8_t {
#define ZYN_MAPPING_INTERFACE(Name, Serial) Name,
#include "zyn/ZynMappingInterfaces.def"
};
inline constexpr int kIfaceCount = 0
#define ZYN_MAPPING_INTERFACE(Name, Serial) +1
#include "zyn/ZynMappingInterfaces.def"
    ;

/// Every query of the mapping interfaces, by operation name, in the order of
/// ZynMappingOperations.def. One name may belong to several interfaces (GetName); an object
/// answers it through the interface its type offers.
enum class Op : std::uint8_t {
#define ZYN_MAPPING_OPERATION(Operation, Kind, Target, ...) Operation,
#include "zyn/ZynMappingOperations.def"
};
inline constexpr int kOpCount = 0
#define ZYN_MAPPING_OPERATION(Operation, Kind, Target, ...) +1
#include "zyn/ZynMappingOperations.def"
    ;

/// What an operation's out-argument (or result, for the two bool queries) holds.
enum class Kind : std::uint8_t {
  Text,      // ZynUnicodeString
  Uuid,      // ZynUuid
  Int,       // int, and the two enumerations
  Unsigned,  // unsigned int
  Bool,      // bool (IsPLMIDCompletionActive and IsBrokenLink answer it directly)
  Binary,    // ZynBinary
  Octets,    // _SEQUENCE_octet
  Time,      // ZynTime
  PLMID,     // ZynPLMID
  CEStamp,   // ZynPLMCEStamp
  Object,    // a handle to another object of the table (component or context)
  List,      // a list of objects of the table
};

const char* TypeName(Type iType);
const char* IfaceName(Iface iIface);
const char* OpName(Op iOp);
bool ParseType(std::string_view iName, Type* oType);
bool ParseIface(std::string_view iName, Iface* oIface);
bool ParseOp(std::string_view iName, Op* oOp);
Kind OpKind(Op iOp);
/// Whether objects of iType offer iIface before anything is withheld (all but the context offer
/// ZynIMpgDump: no dump is registered for it).
bool TypeOffers(Type iType, Iface iIface);
/// Whether objects of iType answer iOp (through one of the interfaces they offer).
bool TypeHasOp(Type iType, Op iOp);
/// The interface through which objects of iType answer iOp (ZynIMpgDump when they do not).
Iface OpIface(Type iType, Op iOp);
/// For Object and List operations: the interface every target must offer (ZynIMpgDump for the
/// other operations).
Iface TargetIface(Op iOp);

class Table;

/// Told each time an object of a table is asked for its dump (ZynIMpgDump), whether or not it
/// offers one, on the asking thread and before the answer is made. A dump walks a manager's DMT
/// rows by asking each row for its dump, so a host can follow a long dump from here without the
/// dumping module's help. Called for every dump request: it must be quick, and must not query
/// the table.
class DumpRequestWatcher {
 public:
  virtual void OnDumpRequested(Type iType) = 0;

 protected:
  ~DumpRequestWatcher() = default;
};

/// One object of a table. It answers each query from its slot for that operation: the result
/// (0 unless set) and, when a value was given, the value written into the out-argument; a
/// query without a value leaves its out-argument as the caller built it.
///
/// Objects are owned by their table (one reference each) and must not be queried after the
/// table is gone.
class MemObject {
 public:
  Type GetType() const { return type_; }
  /// The object as the host sees it (no reference added).
  virtual ZynBaseUnknown* Unknown() = 0;
  /// QueryInterface by identifier, without telling the call observer: for the host's own
  /// requests made while it answers a call (an answer handing out another object).
  virtual HRESULT AnswerInterface(const IID& iIid, void** oInterface) = 0;

  /// Withdraws an interface: asking the object for it answers null.
  void Withhold(Iface iIface) {
    withheld_ |= static_cast<std::uint16_t>(1u << static_cast<int>(iIface));
  }
  bool Offers(Iface iIface) const;
  /// Whether iIface was withdrawn by Withhold.
  bool Withholds(Iface iIface) const { return (withheld_ & (1u << static_cast<int>(iIface))) != 0; }

  /// The result iOp answers (values of iOp's kind are set below).
  void SetResult(Op iOp, HRESULT iResult);
  void SetText(Op iOp, std::string_view iText);
  void SetUuid(Op iOp, const ZynUuid& iUuid);
  void SetInt(Op iOp, int iValue);
  void SetUnsigned(Op iOp, unsigned int iValue);
  void SetBool(Op iOp, bool iValue);
  void SetBinary(Op iOp, const std::vector<std::uint8_t>& iBytes);
  /// A binary that reports iLength bytes and gives only iHeld (none by default).
  void SetHollowBinary(Op iOp, int iLength, const std::vector<std::uint8_t>& iHeld = {});
  void SetOctets(Op iOp, const std::vector<std::uint8_t>& iOctets);
  /// A sequence that reports iReportedLength octets while holding only iHeld: for the refusal
  /// of sizes whose hexadecimal text would not fit a 32-bit count. Nothing may read past iHeld.
  void SetOversizedOctets(Op iOp, const std::vector<std::uint8_t>& iHeld, int iReportedLength);
  /// iSeconds -1 is a time that is not set.
  void SetTime(Op iOp, std::time_t iSeconds);
  void SetPLMID(Op iOp, const ZynPLMID& iId);
  /// A set identifier with these fields; equal identifiers are stored once.
  void SetPLMID(Op iOp, const std::vector<std::uint8_t>& iPhysical, std::string_view iLogical,
                std::string_view iMajor);
  void SetCEStamp(Op iOp, const ZynPLMCEStamp& iStamp);
  void SetObject(Op iOp, MemObject* iTarget);
  void SetList(Op iOp, const std::vector<MemObject*>& iTargets);

  /// For the answer machinery of the types.
  struct Slot {
    HRESULT result = 0;
    bool given = false;
    union {
      int i;
      unsigned int u;
      bool b;
      std::time_t t;
      const void* p;
    };
    Slot() : p(nullptr) {}
  };
  Slot* FindSlot(Op iOp);
  /// The iIndex-th slot, for a caller that knows where its type keeps the answer.
  const Slot& SlotAt(int iIndex) const { return slots_[iIndex]; }
  Table& GetTable() const { return *table_; }

 protected:
  MemObject(Table& iTable, Type iType, Slot* iSlots)
      : table_(&iTable), slots_(iSlots), type_(iType) {}
  virtual ~MemObject() = default;
  friend class Table;

 private:
  Table* table_;
  Slot* slots_;
  Type type_;
  std::uint16_t withheld_ = 0;
};

/// A mapping table: objects, their answers, and the storage of answers that do not fit a slot.
/// Destroying the table releases every object; objects still referenced elsewhere stay alive
/// but must not be queried.
class Table {
 public:
  Table();
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  MemObject* Create(Type iType);
  std::size_t CountObjects() const;
  /// Memory held by the objects and their answers, in bytes (an estimate from the allocations).
  std::size_t BytesUsed() const;

  /// The watcher of the table's dump requests (null: none); the caller keeps it alive while it
  /// is set. Set it only while no dump of the table runs.
  void SetDumpRequestWatcher(DumpRequestWatcher* iWatcher) { dumpRequestWatcher_ = iWatcher; }
  DumpRequestWatcher* GetDumpRequestWatcher() const { return dumpRequestWatcher_; }

  /// A fault of the host rather than of an object, for the table's life: the object model
  /// refuses to retrieve the meta-class of the class named iClassName (ZynMetaClassFaults), so
  /// that a module loaded meanwhile must do without that class. A module retrieves its classes'
  /// meta-classes when it is loaded or first used: refuse them before.
  void RefuseMetaClass(std::string_view iClassName);
  const std::vector<std::string>& RefusedMetaClasses() const { return refusedMetaClasses_; }

  struct Storage;
  Storage& GetStorage() { return *storage_; }

 private:
  std::vector<MemObject*> objects_;
  std::vector<std::string> refusedMetaClasses_;
  std::unique_ptr<Storage> storage_;
  DumpRequestWatcher* dumpRequestWatcher_ = nullptr;
};

/// A top-level member of a table file that the host keeps for the tool running the dump, whole and
/// uninterpreted: the table format reserves the names "dump", "trace_tool" and "active_traces"
/// for it, and the tool gives them their meaning.
struct ToolMember {
  std::string name;
  TableValue value;
};

/// A table read from a table file, with its objects by id and the members kept for the tool.
struct LoadedTable {
  std::unique_ptr<Table> table;
  std::vector<std::pair<std::string, MemObject*>> objects;  // in file order
  MemObject* Find(std::string_view iId) const;

  std::vector<ToolMember> toolMembers;  // in file order
};

/// Checks a tool member as soon as the loader has read it, so that a fault in it is reported
/// before anything after it in the file. Answers false with the message that refuses the table,
/// naming its place ("dump.level: expected ...").
using ToolMemberCheck = std::function<bool(const ToolMember& iMember, std::string* oMessage)>;

/// Reads a table file (JSON, UTF-8; the format is described in docs/table-format.md, the
/// messages there too). On a bad table answers false with a message that names the
/// place ("objects.row1.GetUuid: expected 32 hexadecimal digits"; "line 3, column 7: ..." for a
/// syntax error) and builds nothing. iCheck, when given, checks each tool member as it is read.
bool LoadTable(std::string_view iText, LoadedTable* oTable, std::string* oError,
               const ToolMemberCheck& iCheck = {});

/// Called on each object of a generated table once the whole table is built: a caller's way to
/// give the objects values of its own (texts drawn for a test, ...).
using GeneratedObjectAdjuster = std::function<void(MemObject& ioObject)>;

/// A deterministic synthetic table: a manager with a context, iRows DMT rows with iRmtPerRow RMT
/// rows each, using every component type. The manager's id is "manager". iAdjust, when given, is
/// called on every object, in the order of their making.
bool GenerateTable(long iRows, int iRmtPerRow, LoadedTable* oTable, std::string* oError,
                   const GeneratedObjectAdjuster& iAdjust = {});

}  // namespace zyn::mem
