// Reads table files: the JSON text that describes a mapping table's objects, their answers and
// the settings of a dump run. The first fault ends the reading with a message naming its place.
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ModuleIdentity.h"
#include "ValueTexts.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {

MemObject* LoadedTable::Find(std::string_view iId) const {
  for (const auto& [id, object] : objects)
    if (id == iId) return object;
  return nullptr;
}

namespace {

using Json = nlohmann::json;

/// Deeper nesting than this is refused; no table needs more than a few levels.
constexpr std::size_t kMaxDepth = 64;
/// The longest octet sequence a table may describe: the table keeps every sequence whole in
/// memory, and a dump prints two digits per octet.
constexpr std::int64_t kMaxOctets = std::int64_t{1} << 28;

static_assert(sizeof(std::time_t) == sizeof(std::int64_t), "a host time counts seconds in 64 bits");

// What the refusals of values say: what was expected, and where the host's own type sets the
// bounds, which bounds those are.
constexpr std::string_view kExpectedInt =
    "expected a 32-bit integer (the host's int holds -2147483648 to 2147483647)";
constexpr std::string_view kExpectedResult =
    "expected a 32-bit integer (an HRESULT: S_OK is 0, E_FAIL is -2147467259)";
constexpr std::string_view kExpectedUnsigned =
    "expected an integer from 0 to 4294967295 (the host's unsigned int holds 32 bits)";
constexpr std::string_view kExpectedHex = "expected hexadecimal digits in pairs, two per byte";
constexpr std::string_view kExpectedUuid =
    "expected 32 hexadecimal digits (a uuid holds 16 bytes; dashes are ignored)";
constexpr std::string_view kExpectedTime =
    "expected \"YYYY-MM-DDTHH:MM:SSZ\", a whole number of seconds from 1970-01-01T00:00:00Z, or "
    "null for a time that is not set";

using zyn_mpg_identity::kTraceNames;

/// A JSON value read whole: the answer of one operation, or one member of the settings.
struct Value {
  enum class Shape : std::uint8_t { Null, Bool, Integer, Number, String, Array, Object };
  Shape shape = Shape::Null;
  bool boolean = false;
  std::int64_t integer = 0;  // for Integer; numbers beyond 64 bits are a Number
  std::string text;
  std::vector<Value> items;       // array elements, or object member values
  std::vector<std::string> keys;  // object member names, in the order of items

  /// Empties the value, keeping its buffers for the next one.
  void Clear() {
    shape = Shape::Null;
    text.clear();
    items.clear();
    keys.clear();
  }

  Value* Member(std::string_view iName) {
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == iName) return &items[i];
    return nullptr;
  }
};

/// Where in a value a fault lies (appended to the value's place) and what it is.
struct Problem {
  std::string where;
  std::string what;
  bool Set(std::string iWhere, std::string iWhat) {
    where = std::move(iWhere);
    what = std::move(iWhat);
    return false;
  }
};

std::string Quoted(std::string_view iText) {
  std::string quoted;
  quoted.reserve(iText.size() + 2);
  quoted += '"';
  quoted.append(iText);
  quoted += '"';
  return quoted;
}

bool ReadInt32(const Value& iValue, int* oValue) {
  if (iValue.shape != Value::Shape::Integer || iValue.integer < std::numeric_limits<int>::min() ||
      iValue.integer > std::numeric_limits<int>::max())
    return false;
  *oValue = static_cast<int>(iValue.integer);
  return true;
}

/// nlohmann's description of a syntax fault, from "line L, column C:", with bytes that are not
/// printable ASCII shown as \xNN and the text kept short.
std::string SyntaxMessage(const std::string& iWhat) {
  static constexpr std::string_view kLead = "parse error at ";
  std::string_view what = iWhat;
  const std::size_t at = what.find(kLead);
  if (at != std::string_view::npos) what.remove_prefix(at + kLead.size());
  std::string message;
  for (char c : what) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      message += c;
    } else {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      message += "\\x";
      message += kDigits[byte >> 4];
      message += kDigits[byte & 15];
    }
    if (message.size() > 200) {
      message += "...";
      break;
    }
  }
  return message;
}

/// "line L, column C" of the byte at iOffset, both counted from 1 as the parser counts them.
std::string PlaceAt(std::string_view iText, std::size_t iOffset) {
  if (iOffset > iText.size()) iOffset = iText.size();
  std::size_t line = 1, lineStart = 0;
  for (std::size_t at = 0; at < iOffset; ++at)
    if (iText[at] == '\n') ++line, lineStart = at + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(iOffset - lineStart + 1);
}

/// Characters kept for the reader's whole run, in large blocks.
class TextPool {
 public:
  std::string_view Keep(std::string_view iText) {
    if (iText.size() > left_) {
      const std::size_t size = iText.size() > kBlock / 4 ? iText.size() : kBlock;
      blocks_.emplace_back(new char[size]);
      cursor_ = blocks_.back().get();
      left_ = size;
    }
    char* copy = cursor_;
    if (!iText.empty()) std::memcpy(copy, iText.data(), iText.size());
    cursor_ += iText.size();
    left_ -= iText.size();
    return std::string_view(copy, iText.size());
  }

 private:
  static constexpr std::size_t kBlock = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;
};

/// The ids named so far, numbered in the order they were first named: open addressing over
/// their hashes, the names kept in a pool.
class IdTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  explicit IdTable(std::size_t iExpected) {
    std::size_t size = 1024;
    while (size < iExpected * 2) size *= 2;
    entries_.assign(size, Entry{0, kNone});
  }

  /// iId's number; a new id gets the next number.
  std::uint32_t FindOrAdd(std::string_view iId) {
    if ((names_.size() + 1) * 4 > entries_.size() * 3) Grow();
    const std::size_t hash = std::hash<std::string_view>{}(iId);
    Entry& entry = entries_[Position(iId, hash)];
    if (entry.index == kNone) {
      entry = Entry{hash, static_cast<std::uint32_t>(names_.size())};
      names_.push_back(texts_.Keep(iId));
    }
    return entry.index;
  }
  /// iId's number, or kNone.
  std::uint32_t Find(std::string_view iId) const {
    return entries_[Position(iId, std::hash<std::string_view>{}(iId))].index;
  }
  std::string_view Name(std::uint32_t iIndex) const { return names_[iIndex]; }

 private:
  struct Entry {
    std::size_t hash;
    std::uint32_t index;
  };
  /// Where iId's entry is, or the empty entry where it would go.
  std::size_t Position(std::string_view iId, std::size_t iHash) const {
    const std::size_t mask = entries_.size() - 1;
    for (std::size_t i = iHash & mask;; i = (i + 1) & mask) {
      const Entry& entry = entries_[i];
      if (entry.index == kNone || (entry.hash == iHash && names_[entry.index] == iId)) return i;
    }
  }
  void Grow() {
    std::vector<Entry> grown(entries_.size() * 2, Entry{0, kNone});
    const std::size_t mask = grown.size() - 1;
    for (const Entry& entry : entries_) {
      if (entry.index == kNone) continue;
      std::size_t i = entry.hash & mask;
      while (grown[i].index != kNone) i = (i + 1) & mask;
      grown[i] = entry;
    }
    entries_.swap(grown);
  }

  std::vector<Entry> entries_;
  std::vector<std::string_view> names_;
  TextPool texts_;
};

/// Reads the table while the JSON parser walks the text: the frame of the top level, of
/// "objects" and of each object are followed event by event; every other value is read whole
/// and then checked. Objects are built as soon as each is read; references between them are
/// settled once every id is known.
class Loader {
 public:
  /// Sizes the table of ids from the text: objects take a few hundred bytes of text each.
  explicit Loader(std::string_view iText)
      : text_(iText), table_(std::make_unique<Table>()), ids_(iText.size() / 256) {}

  // The parser's events.
  bool null() {
    Value* value = Scalar();
    return value && Done();
  }
  bool boolean(bool iValue) {
    Value* value = Scalar();
    if (!value) return false;
    value->shape = Value::Shape::Bool;
    value->boolean = iValue;
    return Done();
  }
  bool number_integer(Json::number_integer_t iValue) {
    Value* value = Scalar();
    if (!value) return false;
    value->shape = Value::Shape::Integer;
    value->integer = iValue;
    return Done();
  }
  bool number_unsigned(Json::number_unsigned_t iValue) {
    Value* value = Scalar();
    if (!value) return false;
    if (iValue <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
      value->shape = Value::Shape::Integer;
      value->integer = static_cast<std::int64_t>(iValue);
    } else {
      value->shape = Value::Shape::Number;
    }
    return Done();
  }
  bool number_float(Json::number_float_t, const std::string&) {
    Value* value = Scalar();
    if (!value) return false;
    value->shape = Value::Shape::Number;
    return Done();
  }
  bool string(std::string& iText) {
    Value* value = Scalar();
    if (!value) return false;
    value->shape = Value::Shape::String;
    value->text.assign(iText);  // a copy: the parser keeps its buffer, the value its own
    return Done();
  }
  bool binary(Json::binary_t&) { return Fail("top level", "binary values are not JSON"); }
  bool start_object(std::size_t) { return StartContainer(Value::Shape::Object); }
  bool start_array(std::size_t) { return StartContainer(Value::Shape::Array); }
  bool end_object() { return EndContainer(); }
  bool end_array() { return EndContainer(); }
  bool key(std::string& iKey);
  bool parse_error(std::size_t iRead, const std::string&,
                   const nlohmann::detail::exception& iError) {
    error_ = SyntaxMessage(iError.what());
    // The parser places its syntax faults itself, but not a number too large for a double.
    if (error_.rfind("line ", 0) != 0) {
      const std::size_t lead = error_.find("] ");
      error_ = PlaceAt(text_, iRead > 0 ? iRead - 1 : 0) + ": " +
               (lead == std::string::npos ? error_ : error_.substr(lead + 2));
    }
    return false;
  }

  /// Once the text is read: settles the references and checks the dump's object.
  bool Finish();
  void MoveInto(LoadedTable* oTable);
  const std::string& Error() const { return error_; }

 private:
  enum class Frame : std::uint8_t { Root, Objects, Entry };
  /// In the order of kRootMembers. "$schema" names the file's schema for editors; the reading
  /// checks that it is a text and otherwise ignores it.
  enum class RootMember : std::uint8_t {
    Objects,
    Dump,
    TraceTool,
    ActiveTraces,
    Schema,
    RefusedMetaClasses
  };
  enum class EntryMember : std::uint8_t { Type, Lacks, Operation };

  /// A reference or list answer, settled when every id is known.
  struct Reference {
    MemObject* holder;
    std::uint32_t holderId;
    Op op;
    bool list;
    bool valueForm;  // given as {"result": R, "value": ...}
    std::uint32_t first;
    std::uint32_t count;
  };
  static constexpr std::int64_t kNullTarget = -1;

  bool Fail(std::string iPlace, std::string_view iWhat) {
    error_ = std::move(iPlace);
    error_ += ": ";
    error_.append(iWhat);
    return false;
  }

  /// Where a scalar beginning now goes (null after a fault, or for nothing to keep).
  Value* Scalar();
  /// After a scalar: the end of a value read whole when it stood alone.
  bool Done() { return open_.empty() ? Collected() : true; }
  bool StartContainer(Value::Shape iShape);
  bool EndContainer();
  /// Whether a value beginning now starts a reading whole; fails where a value cannot stand.
  bool BeginValue(bool iIsObject);
  Value* NewValue();
  bool Collected();

  std::string EntryPlace() const { return "objects." + std::string(ids_.Name(entryId_)); }
  std::string MemberPlace() const;
  std::uint32_t IdIndex(std::string_view iId);

  bool ReadSetting(RootMember iMember, Value& iValue);
  bool ReadDump(Value& iValue);
  bool ReadTraceTool(Value& iValue);
  bool ReadActiveTraces(Value& iValue);
  bool ReadRefusedMetaClasses(const Value& iValue);

  bool FinishEntry();
  bool ApplyAnswer(MemObject* iObject, Op iOp, Value& iValue, Problem* oProblem);
  bool ApplyValue(MemObject* iObject, Op iOp, Value& iValue, bool iValueForm, Problem* oProblem);
  bool ApplyReference(MemObject* iObject, Op iOp, Value& iValue, bool iValueForm,
                      Problem* oProblem);
  bool ApplyTime(MemObject* iObject, Op iOp, const Value& iValue, Problem* oProblem);

  std::string_view text_;
  std::string error_;
  std::unique_ptr<Table> table_;

  std::vector<Frame> frames_;
  RootMember rootMember_ = RootMember::Objects;
  unsigned rootMembersSeen_ = 0;

  // Ids: every id named so far, defined or only referred to.
  IdTable ids_;
  std::vector<MemObject*> idObjects_;  // null until defined
  std::vector<std::pair<std::string, MemObject*>> objects_;

  // The object being read.
  std::uint32_t entryId_ = 0;
  EntryMember entryMember_ = EntryMember::Type;
  Op entryOp_ = Op::GetContext;
  bool entryHasType_ = false;
  Type entryType_ = Type::Manager;
  bool entryHasLacks_ = false;
  Value entryLacks_;
  std::uint64_t entryOpsSeen_ = 0;
  std::vector<std::pair<Op, Value>> entryOps_;  // the first entryOpCount_ are this object's
  std::size_t entryOpCount_ = 0;

  // A value being read whole.
  bool collecting_ = false;
  Value collected_;
  std::vector<Value*> open_;

  std::vector<Reference> references_;
  std::vector<std::int64_t> targets_;  // id indexes, or kNullTarget

  std::string dumpObject_;
  int dumpLevel_ = 1;
  int dumpMode_ = 1;
  int dumpIndex_ = 0;
  std::vector<bool> validity_{false};
  int traceType_ = 0;
  std::vector<std::string> activeTraces_;
};

std::uint32_t Loader::IdIndex(std::string_view iId) {
  const std::uint32_t index = ids_.FindOrAdd(iId);
  if (index == idObjects_.size()) idObjects_.push_back(nullptr);
  return index;
}

std::string Loader::MemberPlace() const {
  if (frames_.back() == Frame::Root) {
    switch (rootMember_) {
      case RootMember::Objects:
        return "objects";
      case RootMember::Dump:
        return "dump";
      case RootMember::TraceTool:
        return "trace_tool";
      case RootMember::ActiveTraces:
        return "active_traces";
      case RootMember::Schema:
        return "$schema";
      case RootMember::RefusedMetaClasses:
        return "refused_meta_classes";
    }
  }
  switch (entryMember_) {
    case EntryMember::Type:
      return EntryPlace() + ".type";
    case EntryMember::Lacks:
      return EntryPlace() + ".lacks";
    case EntryMember::Operation:
      break;
  }
  return EntryPlace() + "." + OpName(entryOp_);
}

bool Loader::BeginValue(bool iIsObject) {
  if (frames_.empty()) {
    if (!iIsObject) return Fail("top level", "expected an object");
    frames_.push_back(Frame::Root);
    return true;
  }
  switch (frames_.back()) {
    case Frame::Root:
      if (rootMember_ != RootMember::Objects) break;
      if (!iIsObject) return Fail("objects", "expected an object");
      frames_.push_back(Frame::Objects);
      return true;
    case Frame::Objects:
      if (!iIsObject) return Fail(EntryPlace(), "expected an object");
      frames_.push_back(Frame::Entry);
      entryHasType_ = false;
      entryHasLacks_ = false;
      entryOpsSeen_ = 0;
      entryOpCount_ = 0;
      return true;
    case Frame::Entry:
      break;
  }
  collecting_ = true;
  collected_.Clear();
  open_.clear();
  return true;
}

Value* Loader::NewValue() {
  if (open_.empty()) return &collected_;
  Value* parent = open_.back();
  parent->items.emplace_back();
  return &parent->items.back();
}

Value* Loader::Scalar() {
  if (!collecting_ && !BeginValue(false)) return nullptr;
  return NewValue();
}

bool Loader::StartContainer(Value::Shape iShape) {
  if (!collecting_) {
    if (!BeginValue(iShape == Value::Shape::Object)) return false;
    if (!collecting_) return true;
  }
  if (frames_.size() + open_.size() >= kMaxDepth)
    return Fail(MemberPlace(), "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
  Value* value = NewValue();
  value->shape = iShape;
  open_.push_back(value);
  return true;
}

bool Loader::EndContainer() {
  if (collecting_) {
    open_.pop_back();
    return open_.empty() ? Collected() : true;
  }
  const Frame ended = frames_.back();
  frames_.pop_back();
  return ended == Frame::Entry ? FinishEntry() : true;
}

bool Loader::key(std::string& iKey) {
  if (collecting_) {
    Value* parent = open_.back();
    for (const std::string& seen : parent->keys)
      if (seen == iKey) return Fail(MemberPlace(), "duplicate key " + Quoted(iKey));
    parent->keys.push_back(std::move(iKey));
    return true;
  }
  switch (frames_.back()) {
    case Frame::Root: {
      static constexpr const char* kNames[] = {"objects",       "dump",    "trace_tool",
                                               "active_traces", "$schema", "refused_meta_classes"};
      for (unsigned i = 0; i < std::size(kNames); ++i)
        if (iKey == kNames[i]) {
          if (rootMembersSeen_ & (1u << i)) return Fail(iKey, "duplicate key");
          rootMembersSeen_ |= 1u << i;
          rootMember_ = static_cast<RootMember>(i);
          return true;
        }
      return Fail(iKey, "unknown key");
    }
    case Frame::Objects: {
      if (iKey.empty()) return Fail("objects", "an id must not be empty");
      entryId_ = IdIndex(iKey);
      if (idObjects_[entryId_]) return Fail(EntryPlace(), "duplicate id");
      return true;
    }
    case Frame::Entry: {
      bool duplicate = false;
      if (iKey == "type") {
        entryMember_ = EntryMember::Type;
        duplicate = entryHasType_;
      } else if (iKey == "lacks") {
        entryMember_ = EntryMember::Lacks;
        duplicate = entryHasLacks_;
      } else if (ParseOp(iKey, &entryOp_)) {
        entryMember_ = EntryMember::Operation;
        const std::uint64_t bit = std::uint64_t{1} << static_cast<int>(entryOp_);
        duplicate = (entryOpsSeen_ & bit) != 0;
        entryOpsSeen_ |= bit;
      } else {
        return Fail(EntryPlace() + "." + iKey, "unknown key");
      }
      if (duplicate) return Fail(EntryPlace() + "." + iKey, "duplicate key");
      return true;
    }
  }
  return true;
}

bool Loader::Collected() {
  collecting_ = false;
  if (frames_.back() == Frame::Root) return ReadSetting(rootMember_, collected_);
  switch (entryMember_) {
    case EntryMember::Type:
      if (collected_.shape != Value::Shape::String)
        return Fail(EntryPlace() + ".type", "expected a type name");
      if (!ParseType(collected_.text, &entryType_))
        return Fail(EntryPlace() + ".type", "unknown type " + Quoted(collected_.text));
      entryHasType_ = true;
      return true;
    case EntryMember::Lacks:
      entryLacks_ = std::move(collected_);
      entryHasLacks_ = true;
      return true;
    case EntryMember::Operation:
      // Swapped in, so that the buffers of both values serve again.
      if (entryOpCount_ == entryOps_.size()) entryOps_.emplace_back();
      entryOps_[entryOpCount_].first = entryOp_;
      std::swap(entryOps_[entryOpCount_].second, collected_);
      ++entryOpCount_;
      return true;
  }
  return true;
}

bool Loader::FinishEntry() {
  const std::string_view typeName = entryHasType_ ? TypeName(entryType_) : "";
  if (!entryHasType_) return Fail(EntryPlace(), "missing \"type\"");
  std::uint16_t withheld = 0;
  if (entryHasLacks_) {
    if (entryLacks_.shape != Value::Shape::Array)
      return Fail(EntryPlace() + ".lacks", "expected an array of interface names");
    for (std::size_t i = 0; i < entryLacks_.items.size(); ++i) {
      const Value& name = entryLacks_.items[i];
      const std::string place = EntryPlace() + ".lacks[" + std::to_string(i) + "]";
      Iface iface;
      if (name.shape != Value::Shape::String) return Fail(place, "expected an interface name");
      if (!ParseIface(name.text, &iface))
        return Fail(place, "unknown interface " + Quoted(name.text));
      if (!TypeOffers(entryType_, iface))
        return Fail(place, std::string(typeName) + " offers no " + name.text);
      withheld |= static_cast<std::uint16_t>(1u << static_cast<int>(iface));
    }
  }
  for (std::size_t i = 0; i < entryOpCount_; ++i) {
    const Op op = entryOps_[i].first;
    if (!TypeHasOp(entryType_, op))
      return Fail(EntryPlace() + "." + OpName(op),
                  std::string(typeName) + " offers no " + OpName(op));
  }

  MemObject* object = table_->Create(entryType_);
  if (!object) return Fail(EntryPlace(), "no storage for the object");
  for (int i = 0; i < kIfaceCount; ++i)
    if (withheld & (1u << i)) object->Withhold(static_cast<Iface>(i));
  for (std::size_t i = 0; i < entryOpCount_; ++i) {
    const Op op = entryOps_[i].first;
    Problem problem;
    if (!ApplyAnswer(object, op, entryOps_[i].second, &problem))
      return Fail(EntryPlace() + "." + OpName(op) + problem.where, problem.what);
  }
  idObjects_[entryId_] = object;
  objects_.emplace_back(ids_.Name(entryId_), object);
  return true;
}

bool Loader::ApplyAnswer(MemObject* iObject, Op iOp, Value& iValue, Problem* oProblem) {
  if (iOp == Op::IsPLMIDCompletionActive || iOp == Op::IsBrokenLink) {
    if (iValue.shape != Value::Shape::Bool) return oProblem->Set("", "expected true or false");
    iObject->SetBool(iOp, iValue.boolean);
    return true;
  }
  if (iValue.shape == Value::Shape::Object && (iValue.Member("result") || iValue.Member("value"))) {
    for (const std::string& key : iValue.keys)
      if (key != "result" && key != "value") return oProblem->Set("." + key, "unknown key");
    const Value* result = iValue.Member("result");
    if (!result) return oProblem->Set("", "expected \"result\" beside \"value\"");
    int code = 0;
    if (!ReadInt32(*result, &code)) return oProblem->Set(".result", std::string(kExpectedResult));
    iObject->SetResult(iOp, code);
    Value* value = iValue.Member("value");
    if (!value) return true;
    if (!ApplyValue(iObject, iOp, *value, true, oProblem)) {
      oProblem->where.insert(0, ".value");
      return false;
    }
    return true;
  }
  return ApplyValue(iObject, iOp, iValue, false, oProblem);
}

/// The shortest sequence whose hexadecimal text and terminator, 2n+1 bytes, no 32-bit count
/// can hold.
constexpr int kUncountableOctets = 1 << 30;

/// A binary: hexadecimal digits; {"length": n}, a binary that reports n bytes and gives none; or
/// {"length": n, "held": hex}, one that reports n bytes and gives only those held. The last is
/// for the refusal of binaries too long to print, hence n from kUncountableOctets on.
bool ApplyBinary(MemObject* iObject, Op iOp, Value& iValue, Problem* oProblem) {
  using Shape = Value::Shape;
  std::vector<std::uint8_t> bytes;
  if (iValue.shape == Shape::String) {
    if (!ReadHex(iValue.text, &bytes)) return oProblem->Set("", std::string(kExpectedHex));
    iObject->SetBinary(iOp, bytes);
    return true;
  }
  const Value* length = iValue.shape == Shape::Object ? iValue.Member("length") : nullptr;
  if (!length) return oProblem->Set("", "expected hexadecimal digits or {\"length\": n}");
  for (const std::string& key : iValue.keys)
    if (key != "length" && key != "held") return oProblem->Set("." + key, "unknown key");
  const Value* held = iValue.Member("held");
  if (held && (held->shape != Shape::String || !ReadHex(held->text, &bytes) || bytes.empty()))
    return oProblem->Set(".held", "expected hexadecimal digits in pairs, at least one byte");
  // Without held bytes, any count a binary can report, negative ones included; with them, only
  // counts too large for a printer's buffer, so that no printer reads bytes that are not held.
  int reported = 0;
  if (!ReadInt32(*length, &reported))
    return oProblem->Set(".length",
                         "expected a 32-bit integer (a binary reports its length in an int)");
  if (held && reported < kUncountableOctets)
    return oProblem->Set(".length", "expected an integer from " +
                                        std::to_string(kUncountableOctets) + " to 2147483647");
  iObject->SetHollowBinary(iOp, reported, bytes);
  return true;
}

/// An octet sequence: hexadecimal digits; {"repeat": hex, "times": n}; or {"length": n}, a
/// sequence that reports n octets and holds none. The last is for the refusal of sequences too
/// long to print, hence n from kUncountableOctets on: a printer must not read their octets.
bool ApplyOctets(MemObject* iObject, Op iOp, Value& iValue, Problem* oProblem) {
  using Shape = Value::Shape;
  std::vector<std::uint8_t> octets;
  if (iValue.shape == Shape::String) {
    if (!ReadHex(iValue.text, &octets)) return oProblem->Set("", std::string(kExpectedHex));
    iObject->SetOctets(iOp, octets);
    return true;
  }
  constexpr const char* kForms =
      "expected hexadecimal digits, {\"repeat\": hex, \"times\": n} or {\"length\": n}";
  if (iValue.shape != Shape::Object) return oProblem->Set("", kForms);
  if (iValue.keys.size() == 1 && iValue.keys[0] == "length") {
    int length = 0;
    if (!ReadInt32(iValue.items[0], &length) || length < kUncountableOctets)
      return oProblem->Set(".length", "expected an integer from " +
                                          std::to_string(kUncountableOctets) + " to 2147483647");
    iObject->SetOversizedOctets(iOp, {}, length);
    return true;
  }
  for (const std::string& key : iValue.keys)
    if (key != "repeat" && key != "times") return oProblem->Set("." + key, "unknown key");
  const Value* repeat = iValue.Member("repeat");
  const Value* times = iValue.Member("times");
  if (!repeat || !times) return oProblem->Set("", "expected \"repeat\" and \"times\"");
  std::vector<std::uint8_t> unit;
  if (repeat->shape != Shape::String || !ReadHex(repeat->text, &unit))
    return oProblem->Set(".repeat", std::string(kExpectedHex));
  int count = 0;
  if (!ReadInt32(*times, &count) || count < 0)
    return oProblem->Set(".times", "expected an integer from 0 to 2147483647");
  const std::int64_t total = static_cast<std::int64_t>(unit.size()) * count;
  if (total > kMaxOctets)
    return oProblem->Set(".times", "a sequence of " + std::to_string(total) +
                                       " octets is longer than the limit of " +
                                       std::to_string(kMaxOctets) +
                                       ", since the table keeps every sequence in memory");
  octets.reserve(static_cast<std::size_t>(total));
  for (int i = 0; i < count; ++i) octets.insert(octets.end(), unit.begin(), unit.end());
  iObject->SetOctets(iOp, octets);
  return true;
}

bool Loader::ApplyValue(MemObject* iObject, Op iOp, Value& iValue, bool iValueForm,
                        Problem* oProblem) {
  using Shape = Value::Shape;
  const Shape shape = iValue.shape;
  switch (OpKind(iOp)) {
    case Kind::Text:
      if (shape != Shape::String) return oProblem->Set("", "expected a text");
      iObject->SetText(iOp, iValue.text);
      return true;
    case Kind::Uuid: {
      ZynUuid uuid;
      if (shape != Shape::String || !ReadUuid(iValue.text, &uuid))
        return oProblem->Set("", std::string(kExpectedUuid));
      iObject->SetUuid(iOp, uuid);
      return true;
    }
    case Kind::Int: {
      int value = 0;
      if (!ReadInt32(iValue, &value)) return oProblem->Set("", std::string(kExpectedInt));
      iObject->SetInt(iOp, value);
      return true;
    }
    case Kind::Unsigned:
      if (shape != Shape::Integer || iValue.integer < 0 || iValue.integer > 4294967295LL)
        return oProblem->Set("", std::string(kExpectedUnsigned));
      iObject->SetUnsigned(iOp, static_cast<unsigned int>(iValue.integer));
      return true;
    case Kind::Bool:
      if (shape != Shape::Bool) return oProblem->Set("", "expected true or false");
      iObject->SetBool(iOp, iValue.boolean);
      return true;
    case Kind::Binary:
      return ApplyBinary(iObject, iOp, iValue, oProblem);
    case Kind::Octets:
      return ApplyOctets(iObject, iOp, iValue, oProblem);
    case Kind::Time:
      return ApplyTime(iObject, iOp, iValue, oProblem);
    case Kind::PLMID: {
      if (shape == Shape::Null) {
        iObject->SetPLMID(iOp, ZynPLMID());
        return true;
      }
      if (shape != Shape::Object)
        return oProblem->Set(
            "", "expected {\"physical\": hex, \"logical\": text, \"major\": text} or null");
      std::vector<std::uint8_t> physical;
      std::string_view logical, major;
      for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
        const std::string& key = iValue.keys[i];
        const Value& field = iValue.items[i];
        if (key == "physical") {
          if (field.shape != Shape::String || !ReadHex(field.text, &physical))
            return oProblem->Set(".physical", std::string(kExpectedHex));
        } else if (key == "logical" || key == "major") {
          if (field.shape != Shape::String) return oProblem->Set("." + key, "expected a text");
          (key == "logical" ? logical : major) = field.text;
        } else {
          return oProblem->Set("." + key, "unknown key");
        }
      }
      iObject->SetPLMID(iOp, physical, logical, major);
      return true;
    }
    case Kind::CEStamp:
      if (shape == Shape::Null) {
        iObject->SetCEStamp(iOp, ZynPLMCEStampServices::CreateInvalidCEStamp());
        return true;
      }
      if (shape != Shape::String) return oProblem->Set("", "expected a text or null");
      iObject->SetCEStamp(iOp, ZynPLMCEStamp(iValue.text));
      return true;
    case Kind::Object:
    case Kind::List:
      return ApplyReference(iObject, iOp, iValue, iValueForm, oProblem);
  }
  return true;
}

/// Every moment a host time can hold is a time: -1 (1969-12-31T23:59:59Z) included, which the
/// host's time then reports exactly as it reports a time that is not set.
bool Loader::ApplyTime(MemObject* iObject, Op iOp, const Value& iValue, Problem* oProblem) {
  switch (iValue.shape) {
    case Value::Shape::Null:
      iObject->SetTime(iOp, -1);
      return true;
    case Value::Shape::Integer:
      iObject->SetTime(iOp, static_cast<std::time_t>(iValue.integer));
      return true;
    case Value::Shape::Number:
      return oProblem->Set("",
                           "expected a whole number of seconds that fits in 64 bits, as a host "
                           "time counts them");
    case Value::Shape::String:
      break;
    default:
      return oProblem->Set("", std::string(kExpectedTime));
  }
  std::int64_t seconds = 0;
  switch (ReadMoment(iValue.text, &seconds)) {
    case MomentText::Moment:
      iObject->SetTime(iOp, static_cast<std::time_t>(seconds));
      return true;
    case MomentText::Malformed:
      return oProblem->Set("", std::string(kExpectedTime));
    case MomentText::NoSuchMoment:
      return oProblem->Set("",
                           "no such date or time of day (the Gregorian calendar in UTC, "
                           "seconds from 00 to 59, as a host time counts them)");
    case MomentText::BeyondHost:
      return oProblem->Set("",
                           "a moment beyond what a host time can hold (a 64-bit count of "
                           "seconds from 1970)");
  }
  return true;
}

bool Loader::ApplyReference(MemObject* iObject, Op iOp, Value& iValue, bool iValueForm,
                            Problem* oProblem) {
  using Shape = Value::Shape;
  const bool list = OpKind(iOp) == Kind::List;
  Reference reference{
      iObject, entryId_, iOp, list, iValueForm, static_cast<std::uint32_t>(targets_.size()), 0};
  auto add = [&](Value& iTarget) {
    targets_.push_back(iTarget.shape == Shape::Null ? kNullTarget : IdIndex(iTarget.text));
  };
  if (!list) {
    if (iValue.shape != Shape::String && iValue.shape != Shape::Null)
      return oProblem->Set("", "expected an id or null");
    add(iValue);
    reference.count = 1;
  } else {
    if (iValue.shape != Shape::Array) return oProblem->Set("", "expected an array of ids");
    for (std::size_t i = 0; i < iValue.items.size(); ++i) {
      Value& item = iValue.items[i];
      if (item.shape != Shape::String && item.shape != Shape::Null)
        return oProblem->Set("[" + std::to_string(i) + "]", "expected an id or null");
    }
    for (Value& item : iValue.items) add(item);
    reference.count = static_cast<std::uint32_t>(iValue.items.size());
  }
  references_.push_back(reference);
  return true;
}

bool Loader::ReadSetting(RootMember iMember, Value& iValue) {
  switch (iMember) {
    case RootMember::Dump:
      return ReadDump(iValue);
    case RootMember::TraceTool:
      return ReadTraceTool(iValue);
    case RootMember::ActiveTraces:
      return ReadActiveTraces(iValue);
    case RootMember::Schema:
      if (iValue.shape != Value::Shape::String)
        return Fail("$schema", "expected the address of the table's schema, a text");
      return true;
    case RootMember::RefusedMetaClasses:
      return ReadRefusedMetaClasses(iValue);
    case RootMember::Objects:
      break;
  }
  return true;
}

bool Loader::ReadRefusedMetaClasses(const Value& iValue) {
  static constexpr char kExpected[] = "expected an array of class names";
  if (iValue.shape != Value::Shape::Array) return Fail("refused_meta_classes", kExpected);
  for (std::size_t i = 0; i < iValue.items.size(); ++i) {
    const Value& name = iValue.items[i];
    if (name.shape != Value::Shape::String || name.text.empty())
      return Fail("refused_meta_classes[" + std::to_string(i) + "]", "expected a class name");
    table_->RefuseMetaClass(name.text);
  }
  return true;
}

bool Loader::ReadDump(Value& iValue) {
  if (iValue.shape != Value::Shape::Object) return Fail("dump", "expected an object");
  for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
    const std::string& key = iValue.keys[i];
    Value& member = iValue.items[i];
    if (key == "object") {
      if (member.shape != Value::Shape::String) return Fail("dump.object", "expected an id");
      dumpObject_ = std::move(member.text);
      if (dumpObject_.empty()) return Fail("dump.object", "an id must not be empty");
    } else if (key == "level" || key == "mode" || key == "index") {
      int* target = key == "level" ? &dumpLevel_ : key == "mode" ? &dumpMode_ : &dumpIndex_;
      if (!ReadInt32(member, target)) return Fail("dump." + key, kExpectedInt);
    } else {
      return Fail("dump." + key, "unknown key");
    }
  }
  return true;
}

bool Loader::ReadTraceTool(Value& iValue) {
  if (iValue.shape != Value::Shape::Object) return Fail("trace_tool", "expected an object");
  for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
    const std::string& key = iValue.keys[i];
    const Value& member = iValue.items[i];
    if (key == "valid") {
      static constexpr std::string_view kExpected =
          "expected true, false or a non-empty array of them";
      validity_.clear();
      if (member.shape == Value::Shape::Bool) {
        validity_.push_back(member.boolean);
      } else if (member.shape == Value::Shape::Array && !member.items.empty()) {
        for (const Value& entry : member.items) {
          if (entry.shape != Value::Shape::Bool) return Fail("trace_tool.valid", kExpected);
          validity_.push_back(entry.boolean);
        }
      } else {
        return Fail("trace_tool.valid", kExpected);
      }
    } else if (key == "trace_type") {
      if (!ReadInt32(member, &traceType_)) return Fail("trace_tool.trace_type", kExpectedInt);
    } else {
      return Fail("trace_tool." + key, "unknown key");
    }
  }
  return true;
}

bool Loader::ReadActiveTraces(Value& iValue) {
  if (iValue.shape != Value::Shape::Array)
    return Fail("active_traces", "expected an array of trace names");
  for (std::size_t i = 0; i < iValue.items.size(); ++i) {
    Value& name = iValue.items[i];
    const std::string place = "active_traces[" + std::to_string(i) + "]";
    if (name.shape != Value::Shape::String) return Fail(place, "expected a trace name");
    bool known = false;
    for (const char* trace : kTraceNames) known = known || name.text == trace;
    if (!known) return Fail(place, "unknown trace " + Quoted(name.text));
    activeTraces_.push_back(std::move(name.text));
  }
  return true;
}

bool Loader::Finish() {
  std::vector<MemObject*> targets;
  for (const Reference& reference : references_) {
    targets.clear();
    const Iface required = TargetIface(reference.op);
    for (std::uint32_t i = 0; i < reference.count; ++i) {
      const std::int64_t target = targets_[reference.first + i];
      MemObject* object = target == kNullTarget ? nullptr : idObjects_[target];
      if (target != kNullTarget && (!object || !object->Offers(required))) {
        std::string place =
            "objects." + std::string(ids_.Name(reference.holderId)) + "." + OpName(reference.op);
        if (reference.valueForm) place += ".value";
        if (reference.list) place += "[" + std::to_string(i) + "]";
        const std::string_view name = ids_.Name(static_cast<std::uint32_t>(target));
        if (!object) return Fail(place, "unknown id " + Quoted(name));
        return Fail(place, Quoted(name) + " offers no " + IfaceName(required));
      }
      targets.push_back(object);
    }
    if (reference.list)
      reference.holder->SetList(reference.op, targets);
    else
      reference.holder->SetObject(reference.op, targets[0]);
  }
  if (!dumpObject_.empty()) {
    const std::uint32_t found = ids_.Find(dumpObject_);
    MemObject* object = found == IdTable::kNone ? nullptr : idObjects_[found];
    if (!object) return Fail("dump.object", "unknown id " + Quoted(dumpObject_));
    if (!object->Offers(Iface::ZynIMpgDump))
      return Fail("dump.object", Quoted(dumpObject_) + " offers no ZynIMpgDump");
  }
  return true;
}

void Loader::MoveInto(LoadedTable* oTable) {
  LoadedTable loaded;
  loaded.table = std::move(table_);
  loaded.objects = std::move(objects_);
  loaded.dumpObject = std::move(dumpObject_);
  loaded.dumpLevel = dumpLevel_;
  loaded.dumpMode = dumpMode_;
  loaded.dumpIndex = dumpIndex_;
  loaded.validity = std::move(validity_);
  loaded.traceType = traceType_;
  loaded.activeTraces = std::move(activeTraces_);
  *oTable = std::move(loaded);
}

}  // namespace

bool LoadTable(std::string_view iText, LoadedTable* oTable, std::string* oError) {
  std::string error;
  try {
    // The parser takes a NUL byte for the end of the text; whatever follows would go unread.
    if (const std::size_t nul = iText.find('\0'); nul != std::string_view::npos) {
      if (oError) *oError = PlaceAt(iText, nul) + ": a NUL byte, which no table text holds";
      return false;
    }
    Loader loader(iText);
    if (Json::sax_parse(iText.begin(), iText.end(), &loader) && loader.Finish()) {
      if (oTable) loader.MoveInto(oTable);
      return true;
    }
    error = loader.Error().empty() ? "the table could not be read" : loader.Error();
  } catch (const std::bad_alloc&) {
    error = "out of memory while reading the table";
  }
  if (oError) *oError = std::move(error);
  return false;
}

}  // namespace zyn::mem
