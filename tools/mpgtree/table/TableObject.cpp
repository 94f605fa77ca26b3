// One object of a rebuilt table, written as table-file JSON and explained.
#include "TableObject.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace mpgtree::table {

namespace {

/// Whether a byte stands in a JSON string as it is: printable ASCII but the quote and the
/// backslash.
bool IsPlain(unsigned char iByte) {
  return iByte >= ' ' && iByte < 0x7F && iByte != '"' && iByte != '\\';
}

/// The same for eight bytes at once: no byte of iWord is 0x80 or more, below a blank, the DEL,
/// a quote or a backslash.
bool IsPlainWord(std::uint64_t iWord) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  auto hasZero = [](std::uint64_t iBytes) { return (iBytes - kOnes) & ~iBytes & kHighs; };
  return !((iWord & kHighs) | ((iWord - kOnes * ' ') & ~iWord & kHighs) |
           hasZero(iWord ^ (kOnes * '"')) | hasZero(iWord ^ (kOnes * '\\')) |
           hasZero(iWord ^ (kOnes * 0x7F)));
}

bool IsPlainText(std::string_view iText) {
  std::size_t i = 0;
  for (std::uint64_t word; i + 8 <= iText.size(); i += 8) {
    std::memcpy(&word, iText.data() + i, 8);
    if (!IsPlainWord(word)) return false;
  }
  for (; i < iText.size(); ++i)
    if (!IsPlain(static_cast<unsigned char>(iText[i]))) return false;
  return true;
}

/// iText, which needs no escape, as a JSON string.
void AppendPlainString(std::string_view iText, zyn::reader::JsonText* oJson) {
  char* at = oJson->Claim(iText.size() + 2);
  *at++ = '"';
  std::memcpy(at, iText.data(), iText.size());
  at += iText.size();
  *at++ = '"';
  oJson->Commit(at);
}

/// iText as a JSON string: copied whole when no byte needs escaping (names, ids, uuids,
/// hexadecimal texts mostly), else escaped by the reader's writer.
void AppendString(std::string_view iText, zyn::reader::JsonText* oJson) {
  if (!IsPlainText(iText)) return zyn::reader::AppendJsonString(iText, oJson);
  AppendPlainString(iText, oJson);
}

/// Appends `, "iQuery": `.
void AppendMember(std::string_view iQuery, zyn::reader::JsonText* oJson) {
  char* at = oJson->Claim(iQuery.size() + 6);
  std::memcpy(at, ", \"", 3);
  std::memcpy(at + 3, iQuery.data(), iQuery.size());
  at += 3 + iQuery.size();
  std::memcpy(at, "\": ", 3);
  oJson->Commit(at + 3);
}

}  // namespace

TableObject::TableObject(const std::string& iId, std::string_view iType, ObjectStack& ioStack)
    : id_(iId), type_(iType), stack_(ioStack), start_(ioStack.members.Size()) {}

TableObject::~TableObject() {
  zyn::reader::JsonText& members = stack_.members;
  members.Commit(members.View().data() + start_);
}

void TableObject::Lacks(std::string_view iInterface) { lacks_.push_back(iInterface); }

void TableObject::Member(std::string_view iQuery) {
  AppendMember(iQuery, &stack_.members);
  if (stack_.explain) fromDump_.push_back(iQuery);
}

void TableObject::Answer(std::string_view iQuery, std::string_view iJson) {
  Member(iQuery);
  stack_.members.Append(iJson);
}

void TableObject::AnswerText(std::string_view iQuery, std::string_view iText) {
  Member(iQuery);
  AppendString(iText, &stack_.members);
}

void TableObject::AnswerPlainText(std::string_view iQuery, std::string_view iText) {
  Member(iQuery);
  AppendPlainString(iText, &stack_.members);
}

void TableObject::AnswerInt(std::string_view iQuery, std::int64_t iValue) {
  Member(iQuery);
  char* at = stack_.members.Claim(24);
  stack_.members.Commit(std::to_chars(at, at + 24, iValue).ptr);
}

void TableObject::AnswerBool(std::string_view iQuery, bool iValue) {
  Answer(iQuery, iValue ? "true" : "false");
}

void TableObject::AnswerFailed(std::string_view iQuery) {
  Answer(iQuery, "{\"result\": " + std::to_string(kFailed) + "}");
}

void TableObject::Placeholder(std::string_view iQuery, std::string_view iJson,
                              std::string_view iWhy) {
  if (!iJson.empty()) {
    AppendMember(iQuery, &stack_.members);
    stack_.members.Append(iJson);
  }
  if (!stack_.explain) return;
  std::string entry(iQuery);
  entry += " (";
  entry += iWhy;
  entry += ")";
  placeholders_.push_back(std::move(entry));
}

void TableObject::AppendJson(zyn::reader::JsonText* oJson) const {
  AppendString(id_, oJson);
  oJson->Append(": {\"type\": \"");
  oJson->Append(type_);
  oJson->Push('"');
  if (!lacks_.empty()) {
    oJson->Append(", \"lacks\": [");
    for (std::size_t i = 0; i < lacks_.size(); ++i) {
      if (i) oJson->Append(", ");
      oJson->Push('"');
      oJson->Append(lacks_[i]);
      oJson->Push('"');
    }
    oJson->Push(']');
  }
  oJson->Append(stack_.members.View().substr(start_));
  oJson->Push('}');
}

void TableObject::AppendExplanation(std::string* oText) const {
  *oText += id_;
  *oText += " (";
  *oText += type_;
  *oText += ")\n";
  if (!lacks_.empty()) {
    *oText += "  withholds (where the dump stops):";
    for (std::string_view interface : lacks_) (*oText += ' ') += interface;
    *oText += '\n';
  }
  if (!fromDump_.empty()) {
    *oText += "  from the dump:";
    for (std::string_view query : fromDump_) (*oText += ' ') += query;
    *oText += '\n';
  }
  for (const std::string& placeholder : placeholders_) {
    *oText += "  placeholder: ";
    *oText += placeholder;
    *oText += '\n';
  }
}

}  // namespace mpgtree::table
