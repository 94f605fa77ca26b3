// The answers of a table file's operations: each value form checked against its operation's kind.
#include "loader/LoaderAnswers.h"

#include <cstdint>
#include <ctime>
#include <string_view>
#include <vector>

#include "loader/LoaderMessages.h"
#include "loader/Unreachable.h"
#include "loader/ValueTexts.h"

namespace zyn::mem::loader {
namespace {

using Shape = TableValue::Shape;

static_assert(sizeof(std::time_t) == sizeof(std::int64_t), "a host time counts seconds in 64 bits");

/// The longest octet sequence a table may describe: the table keeps every sequence whole in
/// memory, and a dump prints two digits per octet.
constexpr std::int64_t kMaxOctets = std::int64_t{1} << 28;

/// The shortest sequence whose hexadecimal text and terminator, 2n+1 bytes, no 32-bit count
/// can hold.
constexpr int kUncountableOctets = 1 << 30;

/// The refusal of a count that must be at least kUncountableOctets.
std::string ExpectedUncountable() {
  return "expected an integer from " + std::to_string(kUncountableOctets) + " to 2147483647";
}

/// A binary: hexadecimal digits; {"length": n}, a binary that reports n bytes and gives none; or
/// {"length": n, "held": hex}, one that reports n bytes and gives only those held. The last is
/// for the refusal of binaries too long to print, hence n from kUncountableOctets on.
bool ApplyBinary(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
  std::vector<std::uint8_t> bytes;
  if (iValue.shape == Shape::String) {
    if (!ReadHex(iValue.text, &bytes)) return oProblem->Set("", std::string(kExpectedHex));
    iObject->SetBinary(iOp, bytes);
    return true;
  }
  const TableValue* length = iValue.shape == Shape::Object ? iValue.Member("length") : nullptr;
  if (!length) return oProblem->Set("", "expected hexadecimal digits or {\"length\": n}");
  for (const std::string& key : iValue.keys)
    if (key != "length" && key != "held") return oProblem->Set("." + key, "unknown key");
  const TableValue* held = iValue.Member("held");
  if (held && (held->shape != Shape::String || !ReadHex(held->text, &bytes) || bytes.empty()))
    return oProblem->Set(".held", "expected hexadecimal digits in pairs, at least one byte");
  // Without held bytes, any count a binary can report, negative ones included; with them, only
  // counts too large for a printer's buffer, so that no printer reads bytes that are not held.
  int reported = 0;
  if (!length->ReadInt32(&reported))
    return oProblem->Set(".length",
                         "expected a 32-bit integer (a binary reports its length in an int)");
  if (held && reported < kUncountableOctets) return oProblem->Set(".length", ExpectedUncountable());
  iObject->SetHollowBinary(iOp, reported, bytes);
  return true;
}

/// An octet sequence: hexadecimal digits; {"repeat": hex, "times": n}; or {"length": n}, a
/// sequence that reports n octets and holds none. The last is for the refusal of sequences too
/// long to print, hence n from kUncountableOctets on: a printer must not read their octets.
bool ApplyOctets(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
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
    if (!iValue.items[0].ReadInt32(&length) || length < kUncountableOctets)
      return oProblem->Set(".length", ExpectedUncountable());
    iObject->SetOversizedOctets(iOp, {}, length);
    return true;
  }
  for (const std::string& key : iValue.keys)
    if (key != "repeat" && key != "times") return oProblem->Set("." + key, "unknown key");
  const TableValue* repeat = iValue.Member("repeat");
  const TableValue* times = iValue.Member("times");
  if (!repeat || !times) return oProblem->Set("", "expected \"repeat\" and \"times\"");
  std::vector<std::uint8_t> unit;
  if (repeat->shape != Shape::String || !ReadHex(repeat->text, &unit))
    return oProblem->Set(".repeat", std::string(kExpectedHex));
  int count = 0;
  if (!times->ReadInt32(&count) || count < 0)
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

/// Every moment a host time can hold is a time: -1 (1969-12-31T23:59:59Z) included, which the
/// host's time then reports exactly as it reports a time that is not set.
bool ApplyTime(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
  switch (iValue.shape) {
    case Shape::Null:
      iObject->SetTime(iOp, -1);
      return true;
    case Shape::Integer:
      iObject->SetTime(iOp, static_cast<std::time_t>(iValue.integer));
      return true;
    case Shape::Number:
      return oProblem->Set("",
                           "expected a whole number of seconds that fits in 64 bits, as a host "
                           "time counts them");
    case Shape::String:
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
  ZYN_UNREACHABLE();
}

/// An identifier: {"physical": hex, "logical": text, "major": text}, each member optional, or
/// null for the null identifier.
bool ApplyPLMID(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
  if (iValue.shape == Shape::Null) {
    iObject->SetPLMID(iOp, ZynPLMID());
    return true;
  }
  if (iValue.shape != Shape::Object)
    return oProblem->Set(
        "", "expected {\"physical\": hex, \"logical\": text, \"major\": text} or null");
  std::vector<std::uint8_t> physical;
  std::string_view logical, major;
  for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
    const std::string& key = iValue.keys[i];
    const TableValue& field = iValue.items[i];
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

/// A stamp: its text, or null for the invalid stamp.
bool ApplyCEStamp(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
  if (iValue.shape == Shape::Null) {
    iObject->SetCEStamp(iOp, ZynPLMCEStampServices::CreateInvalidCEStamp());
    return true;
  }
  if (iValue.shape != Shape::String) return oProblem->Set("", "expected a text or null");
  iObject->SetCEStamp(iOp, ZynPLMCEStamp(iValue.text));
  return true;
}

/// A reference: an id or null; a list: an array of them. The ids are settled later.
bool ApplyReference(MemObject* iObject, std::uint32_t iObjectId, Op iOp, const TableValue& iValue,
                    bool iValueForm, References& ioReferences, Problem* oProblem) {
  auto isTarget = [](const TableValue& iTarget) {
    return iTarget.shape == Shape::String || iTarget.shape == Shape::Null;
  };
  if (OpKind(iOp) == Kind::Object) {
    if (!isTarget(iValue)) return oProblem->Set("", "expected an id or null");
  } else {
    if (iValue.shape != Shape::Array) return oProblem->Set("", "expected an array of ids");
    for (std::size_t i = 0; i < iValue.items.size(); ++i)
      if (!isTarget(iValue.items[i]))
        return oProblem->Set("[" + std::to_string(i) + "]", "expected an id or null");
  }
  ioReferences.Add(iObject, iObjectId, iOp, iValueForm, iValue);
  return true;
}

/// The scalar kinds, whose value is one JSON scalar.
bool ApplyScalar(MemObject* iObject, Op iOp, const TableValue& iValue, Problem* oProblem) {
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
      if (!iValue.ReadInt32(&value)) return oProblem->Set("", std::string(kExpectedInt32));
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
    default:
      ZYN_UNREACHABLE();
  }
}

/// iValue as a value of iOp's kind.
bool ApplyValue(MemObject* iObject, std::uint32_t iObjectId, Op iOp, const TableValue& iValue,
                bool iValueForm, References& ioReferences, Problem* oProblem) {
  switch (OpKind(iOp)) {
    case Kind::Text:
    case Kind::Uuid:
    case Kind::Int:
    case Kind::Unsigned:
    case Kind::Bool:
      return ApplyScalar(iObject, iOp, iValue, oProblem);
    case Kind::Binary:
      return ApplyBinary(iObject, iOp, iValue, oProblem);
    case Kind::Octets:
      return ApplyOctets(iObject, iOp, iValue, oProblem);
    case Kind::Time:
      return ApplyTime(iObject, iOp, iValue, oProblem);
    case Kind::PLMID:
      return ApplyPLMID(iObject, iOp, iValue, oProblem);
    case Kind::CEStamp:
      return ApplyCEStamp(iObject, iOp, iValue, oProblem);
    case Kind::Object:
    case Kind::List:
      return ApplyReference(iObject, iObjectId, iOp, iValue, iValueForm, ioReferences, oProblem);
  }
  ZYN_UNREACHABLE();
}

}  // namespace

bool ApplyAnswer(MemObject* iObject, std::uint32_t iObjectId, Op iOp, const TableValue& iValue,
                 References& ioReferences, Problem* oProblem) {
  if (iOp == Op::IsPLMIDCompletionActive || iOp == Op::IsBrokenLink) {
    if (iValue.shape != Shape::Bool) return oProblem->Set("", "expected true or false");
    iObject->SetBool(iOp, iValue.boolean);
    return true;
  }
  const bool resultForm =
      iValue.shape == Shape::Object && (iValue.Member("result") || iValue.Member("value"));
  if (!resultForm)
    return ApplyValue(iObject, iObjectId, iOp, iValue, false, ioReferences, oProblem);
  for (const std::string& key : iValue.keys)
    if (key != "result" && key != "value") return oProblem->Set("." + key, "unknown key");
  const TableValue* result = iValue.Member("result");
  if (!result) return oProblem->Set("", "expected \"result\" beside \"value\"");
  int code = 0;
  if (!result->ReadInt32(&code)) return oProblem->Set(".result", std::string(kExpectedResult));
  iObject->SetResult(iOp, code);
  const TableValue* value = iValue.Member("value");
  if (!value) return true;
  if (!ApplyValue(iObject, iObjectId, iOp, *value, true, ioReferences, oProblem)) {
    oProblem->where.insert(0, ".value");
    return false;
  }
  return true;
}

}  // namespace zyn::mem::loader
