// The table reader's handling of the parser's events: the frames followed, the values read whole.
#include <cassert>
#include <limits>

#include "loader/LoaderMessages.h"
#include "loader/TableReader.h"
#include "loader/Unreachable.h"

namespace zyn::mem::loader {
namespace {

/// Deeper nesting than this is refused; no table needs more than a few levels.
constexpr std::size_t kMaxDepth = 64;

}  // namespace

TableReader::TableReader(std::string_view iText, const ToolMemberCheck& iCheck)
    : text_(iText), check_(iCheck), table_(std::make_unique<Table>()), ids_(iText.size() / 256) {}

bool TableReader::Fail(std::string iPlace, std::string_view iWhat) {
  error_ = std::move(iPlace);
  error_ += ": ";
  error_.append(iWhat);
  return false;
}

bool TableReader::null() {
  TableValue* value = Scalar();
  return value && Done();
}

bool TableReader::boolean(bool iValue) {
  TableValue* value = Scalar();
  if (!value) return false;
  value->shape = TableValue::Shape::Bool;
  value->boolean = iValue;
  return Done();
}

bool TableReader::number_integer(Json::number_integer_t iValue) {
  TableValue* value = Scalar();
  if (!value) return false;
  value->shape = TableValue::Shape::Integer;
  value->integer = iValue;
  return Done();
}

bool TableReader::number_unsigned(Json::number_unsigned_t iValue) {
  TableValue* value = Scalar();
  if (!value) return false;
  if (iValue <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    value->shape = TableValue::Shape::Integer;
    value->integer = static_cast<std::int64_t>(iValue);
  } else {
    value->shape = TableValue::Shape::Number;
  }
  return Done();
}

bool TableReader::number_float(Json::number_float_t, const std::string&) {
  TableValue* value = Scalar();
  if (!value) return false;
  value->shape = TableValue::Shape::Number;
  return Done();
}

bool TableReader::string(std::string& iText) {
  TableValue* value = Scalar();
  if (!value) return false;
  value->shape = TableValue::Shape::String;
  value->text.assign(iText);  // a copy: the parser keeps its buffer, the value its own
  return Done();
}

bool TableReader::parse_error(std::size_t iRead, const std::string&,
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

std::string TableReader::MemberPlace() const {
  assert(!frames_.empty());
  if (frames_.back() == Frame::Root) return std::string(kRootMembers[rootMember_]);
  assert(frames_.back() == Frame::Entry);  // "objects" holds no value but the descriptions
  switch (entryMember_) {
    case EntryMember::Type:
      return EntryPlace() + ".type";
    case EntryMember::Lacks:
      return EntryPlace() + ".lacks";
    case EntryMember::Operation:
      return EntryPlace() + "." + OpName(entryOp_);
  }
  ZYN_UNREACHABLE();
}

bool TableReader::BeginValue(bool iIsObject) {
  assert(!collecting_);
  if (frames_.empty()) {
    if (!iIsObject) return Fail("top level", "expected an object");
    frames_.push_back(Frame::Root);
    return true;
  }
  switch (frames_.back()) {
    case Frame::Root:
      if (rootMember_ != kObjectsMember) break;
      if (!iIsObject) return Fail("objects", "expected an object");
      frames_.push_back(Frame::Objects);
      return true;
    case Frame::Objects:
      if (!iIsObject) return Fail(EntryPlace(), "expected an object");
      frames_.push_back(Frame::Entry);
      BeginEntry();
      return true;
    case Frame::Entry:
      break;
  }
  // A member's value other than the frames': read whole.
  collecting_ = true;
  collected_.Clear();
  open_.clear();
  return true;
}

TableValue* TableReader::NewValue() {
  assert(collecting_);
  if (open_.empty()) return &collected_;
  TableValue* parent = open_.back();
  parent->items.emplace_back();
  return &parent->items.back();
}

TableValue* TableReader::Scalar() {
  if (!collecting_ && !BeginValue(false)) return nullptr;
  return NewValue();
}

bool TableReader::StartContainer(TableValue::Shape iShape) {
  if (!collecting_) {
    if (!BeginValue(iShape == TableValue::Shape::Object)) return false;
    if (!collecting_) return true;  // a frame opened
  }
  if (frames_.size() + open_.size() >= kMaxDepth)
    return Fail(MemberPlace(), "nesting deeper than " + std::to_string(kMaxDepth) + " levels");
  TableValue* value = NewValue();
  value->shape = iShape;
  open_.push_back(value);
  return true;
}

bool TableReader::EndContainer() {
  if (collecting_) {
    assert(!open_.empty());
    open_.pop_back();
    return open_.empty() ? Collected() : true;
  }
  assert(!frames_.empty());
  const Frame ended = frames_.back();
  frames_.pop_back();
  return ended == Frame::Entry ? FinishEntry() : true;
}

bool TableReader::key(std::string& iKey) {
  if (!collecting_) return KeyInFrame(iKey);
  assert(!open_.empty() && open_.back()->shape == TableValue::Shape::Object);
  TableValue* parent = open_.back();
  for (const std::string& seen : parent->keys)
    if (seen == iKey) return Fail(MemberPlace(), "duplicate key " + Quoted(iKey));
  parent->keys.push_back(std::move(iKey));
  return true;
}

bool TableReader::KeyInFrame(std::string& iKey) {
  assert(!frames_.empty());
  switch (frames_.back()) {
    case Frame::Root: {
      const std::size_t index = RootMemberIndex(iKey);
      if (index == kRootMembers.size()) return Fail(iKey, "unknown key");
      if (rootMembersSeen_ & (1u << index)) return Fail(iKey, "duplicate key");
      rootMembersSeen_ |= 1u << index;
      rootMember_ = index;
      return true;
    }
    case Frame::Objects:
      if (iKey.empty()) return Fail("objects", "an id must not be empty");
      entryId_ = ids_.Number(iKey);
      if (ids_.Object(entryId_)) return Fail(EntryPlace(), "duplicate id");
      return true;
    case Frame::Entry: {
      if (!ParseEntryMember(iKey, &entryMember_, &entryOp_))
        return Fail(EntryPlace() + "." + iKey, "unknown key");
      bool duplicate = false;
      switch (entryMember_) {
        case EntryMember::Type:
          duplicate = entryHasType_;
          break;
        case EntryMember::Lacks:
          duplicate = entryHasLacks_;
          break;
        case EntryMember::Operation: {
          const std::uint64_t bit = std::uint64_t{1} << static_cast<int>(entryOp_);
          duplicate = (entryOpsSeen_ & bit) != 0;
          entryOpsSeen_ |= bit;
          break;
        }
      }
      if (duplicate) return Fail(EntryPlace() + "." + iKey, "duplicate key");
      return true;
    }
  }
  ZYN_UNREACHABLE();
}

bool TableReader::Collected() {
  assert(collecting_ && open_.empty());
  collecting_ = false;
  if (frames_.back() == Frame::Root) return ReadRootMember(collected_);
  assert(frames_.back() == Frame::Entry);
  return CollectedEntryMember();
}

}  // namespace zyn::mem::loader
