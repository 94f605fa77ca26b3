// The page's data: each node's fields as a shared shape and a list of values, texts once.
#include "PageData.h"

#include <charconv>

namespace mpgtree {

using zyn::reader::Field;
using zyn::reader::FieldValue;
using zyn::reader::JsonText;

namespace {

enum Kind : std::int32_t {
  kText,
  kWord,
  kInteger,
  kBoolean,
  kGroupOpening,
  kGroupClosing,
  kKeyedGroupOpening,
};

/// The 64 digits of packed numbers: each number zigzag-encoded (0, -1, 1, -2, ... as 0, 1, 2,
/// 3, ...), then written five bits at a time from the lowest, a digit of 32 or more meaning
/// that more follow.
constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

void AppendPackedNumber(std::int64_t iValue, std::string* oPacked) {
  std::uint64_t zigzag =
      (static_cast<std::uint64_t>(iValue) << 1) ^ static_cast<std::uint64_t>(iValue >> 63);
  for (; zigzag >= 32; zigzag >>= 5) oPacked->push_back(kDigits[32 + (zigzag & 31)]);
  oPacked->push_back(kDigits[zigzag]);
}

void AppendNumber(std::int64_t iValue, JsonText* oJson) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, iValue);
  oJson->Append(digits, static_cast<std::size_t>(result.ptr - digits));
}

Kind KindOf(FieldValue::Type iType) {
  switch (iType) {
    case FieldValue::Type::Text:
      return kText;
    case FieldValue::Type::Word:
      return kWord;
    case FieldValue::Type::Integer:
      return kInteger;
    case FieldValue::Type::Boolean:
      break;
  }
  return kBoolean;
}

/// A line of the dump as a page quotes it: control bytes as \xNN, at most about iLimit bytes, cut
/// between two characters, "..." telling that it was cut.
std::string Quoted(std::string_view iText, std::size_t iLimit) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string quoted;
  for (std::size_t i = 0; i < iText.size(); ++i) {
    const auto byte = static_cast<unsigned char>(iText[i]);
    const bool continuation = (byte & 0xC0) == 0x80;
    if (quoted.size() >= iLimit && !continuation) return quoted + "...";
    if (byte >= 0x20 && byte != 0x7f) {
      quoted.push_back(iText[i]);
      continue;
    }
    quoted += "\\x";
    quoted.push_back(kHex[byte >> 4]);
    quoted.push_back(kHex[byte & 0xf]);
  }
  return quoted;
}

}  // namespace

/// Collects one node: its shape's codes and lines, and its values.
class PageData::Encoder : public zyn::reader::FieldVisitor {
 public:
  Encoder(PageData& ioData, std::uint64_t iFirstLine) : data_(ioData), firstLine_(iFirstLine) {}

  void Enter(std::string_view iKey, std::string_view iLabel, std::uint64_t iLine) override {
    // "rmt[5e9b...]" and "m1Components[2]": the part in brackets is a value, the rest is shared.
    const std::size_t bracket = iKey.find('[');
    if (bracket == std::string_view::npos || iKey.back() != ']')
      return Code(data_.FieldIndex(iKey, iLabel), kGroupOpening, iLine);
    Code(data_.FieldIndex(iKey.substr(0, bracket), iLabel), kKeyedGroupOpening, iLine);
    values_.push_back(data_.StringIndex(iKey.substr(bracket + 1, iKey.size() - bracket - 2)));
  }
  void Leave() override { Code(0, kGroupClosing, firstLine_); }
  void OnField(const Field& iField) override {
    const Kind kind = KindOf(iField.value.type);
    Code(data_.FieldIndex(iField.key, iField.label), kind, iField.line);
    switch (kind) {
      case kText:
      case kWord:
        return values_.push_back(data_.StringIndex(iField.value.text));
      case kInteger:
        return values_.push_back(iField.value.integer);
      default:
        return values_.push_back(iField.value.boolean ? 1 : 0);
    }
  }

  /// "[firstLine,shape,values...]"
  void AppendNode(JsonText* oJson) {
    oJson->Push('[');
    AppendNumber(static_cast<std::int64_t>(firstLine_), oJson);
    oJson->Push(',');
    AppendNumber(data_.ShapeIndex(codes_, lines_), oJson);
    for (const std::int64_t value : values_) {
      oJson->Push(',');
      AppendNumber(value, oJson);
    }
    oJson->Push(']');
  }
  /// The line's distance from iPreviousLine, the shape and the values, as variable-length
  /// numbers in the characters of kDigits.
  void AppendPacked(std::uint64_t iPreviousLine, std::string* oPacked) {
    AppendPackedNumber(static_cast<std::int64_t>(firstLine_ - iPreviousLine), oPacked);
    AppendPackedNumber(data_.ShapeIndex(codes_, lines_), oPacked);
    for (const std::int64_t value : values_) AppendPackedNumber(value, oPacked);
  }

 private:
  void Code(std::uint32_t iIndex, Kind iKind, std::uint64_t iLine) {
    codes_.push_back(static_cast<std::int32_t>(iIndex * 8 + iKind));
    lines_.push_back(static_cast<std::int32_t>(iLine - firstLine_));
  }

  PageData& data_;
  std::uint64_t firstLine_;
  std::vector<std::int32_t> codes_, lines_;
  std::vector<std::int64_t> values_;
};

std::uint32_t PageData::Index(std::unordered_map<std::string, std::uint32_t>& ioIndex,
                              bool* oAdded) {
  // Looked up through the reused scratch_ text: no allocation once a text is known.
  const auto found = ioIndex.find(scratch_);
  *oAdded = found == ioIndex.end();
  if (!*oAdded) return found->second;
  const auto index = static_cast<std::uint32_t>(ioIndex.size());
  ioIndex.emplace(scratch_, index);
  return index;
}

std::uint32_t PageData::StringIndex(std::string_view iText) {
  scratch_.assign(iText);
  bool added = false;
  const std::uint32_t index = Index(stringIndex_, &added);
  if (added) strings_.push_back(&stringIndex_.find(scratch_)->first);
  return index;
}

std::uint32_t PageData::FieldIndex(std::string_view iKey, std::string_view iLabel) {
  scratch_.assign(iKey);
  scratch_.push_back('\n');
  scratch_.append(iLabel);
  bool added = false;
  const std::uint32_t index = Index(fieldIndex_, &added);
  if (added) fields_.emplace_back(iKey, iLabel);
  return index;
}

std::uint32_t PageData::ShapeIndex(const std::vector<std::int32_t>& iCodes,
                                   const std::vector<std::int32_t>& iLines) {
  scratch_.assign(reinterpret_cast<const char*>(iCodes.data()),
                  iCodes.size() * sizeof(std::int32_t));
  scratch_.append(reinterpret_cast<const char*>(iLines.data()),
                  iLines.size() * sizeof(std::int32_t));
  bool added = false;
  const std::uint32_t index = Index(shapeIndex_, &added);
  if (!added) return index;
  shapes_.Append(index ? ",\n[[" : "[[");
  for (const auto* list : {&iCodes, &iLines}) {
    if (list == &iLines) shapes_.Append("],[");
    for (std::size_t i = 0; i < list->size(); ++i) {
      if (i) shapes_.Push(',');
      AppendNumber((*list)[i], &shapes_);
    }
  }
  shapes_.Append("]]");
  return index;
}

void PageData::AddSource(const std::string& iName, zyn::reader::Form iForm, std::uint64_t iRows) {
  sources_.Append(sources_.Size() ? ",{\"name\":" : "{\"name\":");
  zyn::reader::AppendJsonString(iName, &sources_);
  sources_.Append(",\"form\":");
  zyn::reader::AppendJsonString(zyn::reader::FormName(iForm), &sources_);
  sources_.Append(",\"rows\":");
  AppendNumber(static_cast<std::int64_t>(iRows), &sources_);
  sources_.Push('}');
}

void PageData::SetWhyEmpty(std::string_view iWhy) {
  whyEmpty_.assign(iWhy);
  if (!whyEmpty_.empty() && whyEmpty_[0] >= 'a' && whyEmpty_[0] <= 'z') whyEmpty_[0] -= 'a' - 'A';
  whyEmpty_.push_back('.');
}

void PageData::AddDamage(const std::string& iName, const zyn::reader::Verdict& iVerdict,
                         std::string_view iFirstRawText) {
  damage_.Append(damage_.Size() ? ",{\"name\":" : "{\"name\":");
  zyn::reader::AppendJsonString(iName, &damage_);
  damage_.Append(",\"faults\":");
  AppendNumber(static_cast<std::int64_t>(iVerdict.faults), &damage_);
  damage_.Append(",\"firstFaultLine\":");
  AppendNumber(static_cast<std::int64_t>(iVerdict.firstFault.line), &damage_);
  damage_.Append(",\"firstFault\":");
  zyn::reader::AppendJsonString(iVerdict.firstFault.message, &damage_);
  damage_.Append(",\"rawLines\":");
  AppendNumber(static_cast<std::int64_t>(iVerdict.rawLines), &damage_);
  damage_.Append(",\"firstLine\":");
  AppendNumber(static_cast<std::int64_t>(iVerdict.firstRawLine), &damage_);
  damage_.Append(",\"firstText\":");
  zyn::reader::AppendJsonString(Quoted(iFirstRawText, 500), &damage_);
  damage_.Push('}');
}

void PageData::SetManager(const zyn::reader::ManagerHeader& iHeader,
                          const zyn::reader::ManagerTrailer* iTrailer, const NodeMarks* iMarks) {
  Encoder encoder(*this, iHeader.span.firstLine);
  zyn::reader::VisitManagerFields(iHeader, iTrailer, encoder);
  manager_.Clear();
  encoder.AppendNode(&manager_);
  if (iMarks) AppendMarks(-1, *iMarks);
}

void PageData::AddDmtRow(const zyn::reader::DmtRow& iRow, char iStatus, const NodeMarks* iMarks) {
  Encoder encoder(*this, iRow.span.firstLine);
  zyn::reader::VisitDmtRowFields(iRow, encoder, [&] {
    const std::vector<std::string> keys = zyn::reader::RmtRowPathNames(iRow);
    for (std::size_t i = 0; i < iRow.rmtRows.size(); ++i) {
      encoder.Enter(keys[i], "RMT row", iRow.rmtRows[i].span.firstLine);
      zyn::reader::VisitRmtRowFields(iRow.rmtRows[i], encoder);
      encoder.Leave();
    }
  });
  encoder.AppendPacked(lastRowLine_, &rows_);
  lastRowLine_ = iRow.span.firstLine;
  status_.push_back(iStatus);
  if (iMarks) AppendMarks(static_cast<std::int64_t>(rowCount_), *iMarks);
  ++rowCount_;
}

void PageData::AppendChanges(const std::vector<zyn::reader::FieldChange>& iChanges,
                             std::size_t iPrefixLength) {
  marks_.Push('[');
  for (std::size_t i = 0; i < iChanges.size(); ++i) {
    const zyn::reader::FieldChange& change = iChanges[i];
    marks_.Append(i ? ",[" : "[");
    AppendNumber(StringIndex(std::string_view(change.path).substr(iPrefixLength)), &marks_);
    marks_.Append(change.a.present ? ",1," : ",0,");
    if (!change.b.present) {
      marks_.Append("-1,0,0]");
      continue;
    }
    AppendNumber(KindOf(change.b.type), &marks_);
    marks_.Push(',');
    switch (KindOf(change.b.type)) {
      case kText:
      case kWord:
        AppendNumber(StringIndex(change.b.text), &marks_);
        break;
      case kInteger:
        AppendNumber(change.b.integer, &marks_);
        break;
      default:
        AppendNumber(change.b.boolean ? 1 : 0, &marks_);
    }
    marks_.Push(',');
    AppendNumber(static_cast<std::int64_t>(change.lineB), &marks_);
    marks_.Push(']');
  }
  marks_.Push(']');
}

void PageData::AppendMarks(std::int64_t iRow, const NodeMarks& iMarks) {
  static const zyn::reader::NodeDifference kNoDifference;
  const zyn::reader::NodeDifference& difference =
      iMarks.difference ? *iMarks.difference : kNoDifference;
  const std::size_t prefixLength = iMarks.Path().size() + 1;
  marks_.Append(marks_.Size() ? ",\n[" : "[");
  AppendNumber(iRow, &marks_);
  marks_.Append(",{\"c\":");
  AppendChanges(difference.changes, prefixLength);
  marks_.Append(",\"r\":[");
  bool first = true;
  for (const zyn::reader::NodeDifference& rmt : difference.rmtRows) {
    if (!rmt.a) continue;
    marks_.Append(first ? "[" : ",[");
    first = false;
    AppendNumber(static_cast<std::int64_t>(rmt.a->position), &marks_);
    marks_.Append(rmt.b ? ",\"c\"," : ",\"a\",");
    AppendChanges(rmt.changes, rmt.path.size() + 1);
    marks_.Push(']');
  }
  marks_.Append("],\"b\":[");
  first = true;
  for (const auto& [key, row] : iMarks.rmtRowsOnlyInB) {
    Encoder encoder(*this, row->span.firstLine);
    encoder.Enter(key, "RMT row", row->span.firstLine);
    zyn::reader::VisitRmtRowFields(*row, encoder);
    encoder.Leave();
    if (!first) marks_.Push(',');
    first = false;
    encoder.AppendNode(&marks_);
  }
  marks_.Append("],\"u\":[");
  if (iMarks.notCompared)
    for (const zyn::reader::NotComparedField& field : iMarks.notCompared->fields) {
      marks_.Append(&field == iMarks.notCompared->fields.data() ? "[" : ",[");
      AppendNumber(StringIndex(std::string_view(field.path).substr(prefixLength)), &marks_);
      marks_.Append(field.heldByA ? ",1]" : ",0]");
    }
  marks_.Append("]}]");
}

void PageData::AppendJson(JsonText* oJson) const {
  JsonText json;
  json.Append("{\"v\":1,\"mode\":");
  json.Append(mode_ == Mode::Dump ? "\"dump\"" : "\"diff\"");
  json.Append(",\"sources\":[");
  json.Append(sources_.View());
  json.Append("],\"filter\":");
  zyn::reader::AppendJsonString(filter_, &json);
  json.Append(",\"empty\":");
  zyn::reader::AppendJsonString(whyEmpty_, &json);
  json.Append(",\"damage\":[");
  json.Append(damage_.View());
  json.Push(']');
  json.Append(",\"k\":[");
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    json.Append(i ? ",[" : "[");
    zyn::reader::AppendJsonString(fields_[i].first, &json);
    json.Push(',');
    zyn::reader::AppendJsonString(fields_[i].second, &json);
    json.Push(']');
  }
  json.Append("],\n\"s\":[");
  for (std::size_t i = 0; i < strings_.size(); ++i) {
    if (i) json.Append(i % 64 ? "," : ",\n");
    zyn::reader::AppendJsonString(*strings_[i], &json);
  }
  json.Append("],\n\"shapes\":[");
  json.Append(shapes_.View());
  json.Append("],\n\"manager\":");
  json.Append(manager_.Size() ? manager_.View() : "null");
  json.Append(",\n\"rowCount\":");
  AppendNumber(static_cast<std::int64_t>(rowCount_), &json);
  json.Append(",\n\"rows\":\"");
  json.Append(rows_);
  json.Append("\"");
  if (mode_ == Mode::Diff) {
    json.Append(",\n\"verdict\":");
    zyn::reader::AppendJsonString(verdict_, &json);
    json.Append(same_ ? ",\"same\":true" : ",\"same\":false");
    json.Append(",\n\"counts\":[");
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      json.Append(i ? ",[" : "[");
      zyn::reader::AppendJsonString(counts_[i].first, &json);
      json.Push(',');
      AppendNumber(static_cast<std::int64_t>(counts_[i].second), &json);
      json.Push(']');
    }
    json.Push(']');
    json.Append(",\n\"status\":");
    zyn::reader::AppendJsonString(status_, &json);
    json.Append(",\n\"marks\":[");
    json.Append(marks_.View());
    json.Push(']');
  }
  json.Append("}");
  // '<' occurs only inside strings, where \u003c means the same character.
  const std::string_view text = json.View();
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '<') continue;
    oJson->Append(text.substr(plain, i - plain));
    oJson->Append("\\u003c");
    plain = i + 1;
  }
  oJson->Append(text.substr(plain));
}

}  // namespace mpgtree
