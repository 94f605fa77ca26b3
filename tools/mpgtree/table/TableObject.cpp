// One object of a rebuilt table, written as table-file JSON and explained.
#include "TableObject.h"

namespace mpgtree::table {

TableObject::TableObject(std::string iId, std::string_view iType)
    : id_(std::move(iId)), type_(iType) {}

void TableObject::Lacks(std::string_view iInterface) { lacks_.push_back(iInterface); }

void TableObject::Member(std::string_view iQuery) {
  members_.Append(", \"");
  members_.Append(iQuery);
  members_.Append("\": ");
}

void TableObject::Answer(std::string_view iQuery, std::string_view iJson) {
  Member(iQuery);
  members_.Append(iJson);
  fromDump_.push_back(iQuery);
}

void TableObject::AnswerText(std::string_view iQuery, std::string_view iText) {
  Member(iQuery);
  zyn::reader::AppendJsonString(iText, &members_);
  fromDump_.push_back(iQuery);
}

void TableObject::AnswerInt(std::string_view iQuery, std::int64_t iValue) {
  Answer(iQuery, std::to_string(iValue));
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
    Member(iQuery);
    members_.Append(iJson);
  }
  std::string entry(iQuery);
  entry += " (";
  entry += iWhy;
  entry += ")";
  placeholders_.push_back(std::move(entry));
}

void TableObject::AppendJson(zyn::reader::JsonText* oJson) const {
  zyn::reader::AppendJsonString(id_, oJson);
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
  oJson->Append(members_.View());
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
