// The codes that the page's data and its script share, written once here.
#include "PageCodes.h"

#include <charconv>
#include <string_view>

namespace mpgtree {

namespace {

/// The name of each kind of code, in the order of CodeKind.
constexpr std::string_view kCodeKindNames[] = {"text",    "word",    "integer",     "yesNo",
                                               "opening", "closing", "keyedOpening"};
static_assert(std::size(kCodeKindNames) == kKeyedGroupOpening + 1);
static_assert(std::size(kCodeKindNames) <= 1 << kCodeKindBits);

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
static_assert(sizeof kDigits == 64 + 1);

/// Appends "word":"label" for a component kind ("a Pell non-M1 component" gives "Pell
/// non-M1"); nothing for the other kinds.
void AppendKindLabel(std::string_view iWord, std::string_view iDescription, bool* ioFirst,
                     zyn::reader::JsonText* oJson) {
  constexpr std::string_view kSuffix = "Component", kNoun = " component";
  if (iWord.size() < kSuffix.size() || iWord.substr(iWord.size() - kSuffix.size()) != kSuffix)
    return;
  std::string_view label = iDescription.substr(iDescription.find(' ') + 1);  // after "a"/"an"
  label = label.substr(0, label.find(kNoun));
  if (!*ioFirst) oJson->Push(',');
  *ioFirst = false;
  zyn::reader::AppendJsonString(iWord, oJson);
  oJson->Push(':');
  zyn::reader::AppendJsonString(label, oJson);
}

}  // namespace

CodeKind CodeKindOf(zyn::reader::FieldValue::Type iType) {
  switch (iType) {
    case zyn::reader::FieldValue::Type::Text:
      return kText;
    case zyn::reader::FieldValue::Type::Word:
      return kWord;
    case zyn::reader::FieldValue::Type::Integer:
      return kInteger;
    case zyn::reader::FieldValue::Type::Boolean:
      break;
  }
  return kBoolean;
}

void AppendNumber(std::int64_t iValue, zyn::reader::JsonText* oJson) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, iValue);
  oJson->Append(digits, static_cast<std::size_t>(result.ptr - digits));
}

void AppendPackedNumber(std::int64_t iValue, std::string* oPacked) {
  std::uint64_t zigzag =
      (static_cast<std::uint64_t>(iValue) << 1) ^ static_cast<std::uint64_t>(iValue >> 63);
  for (; zigzag >= 32; zigzag >>= 5) oPacked->push_back(kDigits[32 + (zigzag & 31)]);
  oPacked->push_back(kDigits[zigzag]);
}

void AppendPageCodes(zyn::reader::JsonText* oJson) {
  oJson->Append("{\"kinds\":{");
  for (std::size_t i = 0; i < std::size(kCodeKindNames); ++i) {
    if (i) oJson->Push(',');
    zyn::reader::AppendJsonString(kCodeKindNames[i], oJson);
    oJson->Push(':');
    AppendNumber(static_cast<std::int64_t>(i), oJson);
  }
  oJson->Append("},\"kindBits\":");
  AppendNumber(kCodeKindBits, oJson);
  oJson->Append(",\"digits\":");
  zyn::reader::AppendJsonString(std::string_view(kDigits, 64), oJson);
  oJson->Append(",\"kindLabels\":{");
  bool first = true;
#define ZYN_DUMP_NODE_KIND(Enumerator, jsonName, description) \
  AppendKindLabel(jsonName, description, &first, oJson);
#include "zyn/reader/NodeKinds.def"
#undef ZYN_DUMP_NODE_KIND
  oJson->Append("}}");
}

}  // namespace mpgtree
