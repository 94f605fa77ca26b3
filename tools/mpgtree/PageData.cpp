// The page's data: each node's fields as a shared shape and a list of values, texts once.
#include "PageData.h"

#include "PageCodes.h"

namespace mpgtree {

using zyn::reader::Field;
using zyn::reader::FieldValue;
using zyn::reader::JsonText;

namespace {

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
    const CodeKind kind = CodeKindOf(iField.value.type);
    Code(data_.FieldIndex(iField.key, iField.label), kind, iField.line);
    values_.push_back(
        data_.ValueCode(kind, iField.value.text, iField.value.integer, iField.value.boolean));
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
  void Code(std::uint32_t iIndex, CodeKind iKind, std::uint64_t iLine) {
    codes_.push_back(static_cast<std::int32_t>((iIndex << kCodeKindBits) | iKind));
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

std::int64_t PageData::ValueCode(CodeKind iKind, std::string_view iText, std::int64_t iInteger,
                                 bool iBoolean) {
  switch (iKind) {
    case kText:
    case kWord:
      return StringIndex(iText);
    case kInteger:
      return iInteger;
    default:
      return iBoolean ? 1 : 0;
  }
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
    const CodeKind kind = CodeKindOf(change.b.type);
    AppendNumber(kind, &marks_);
    marks_.Push(',');
    AppendNumber(ValueCode(kind, change.b.text, change.b.integer, change.b.boolean), &marks_);
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
  for (const auto& [key, row] : iMarks.rmtRowsOnlyInB) {
    Encoder encoder(*this, row->span.firstLine);
    encoder.Enter(key, "RMT row", row->span.firstLine);
    zyn::reader::VisitRmtRowFields(*row, encoder);
    encoder.Leave();
    if (&row != &iMarks.rmtRowsOnlyInB.front().second) marks_.Push(',');
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

namespace {

/// Appends ",\n\"KEY\":[[name, count], ...]".
void AppendCounts(std::string_view iKey,
                  const std::vector<std::pair<std::string, std::uint64_t>>& iCounts,
                  JsonText* oJson) {
  oJson->Append(",\n\"");
  oJson->Append(iKey);
  oJson->Append("\":[");
  for (const auto& [name, count] : iCounts) {
    oJson->Append(&name == &iCounts.front().first ? "[" : ",[");
    zyn::reader::AppendJsonString(name, oJson);
    oJson->Push(',');
    AppendNumber(static_cast<std::int64_t>(count), oJson);
    oJson->Push(']');
  }
  oJson->Push(']');
}

/// Appends iJson with every '<' written as \u003c, which means the same inside a JSON string,
/// the only place where '<' occurs.
void AppendScriptSafe(std::string_view iJson, JsonText* oJson) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < iJson.size(); ++i) {
    if (iJson[i] != '<') continue;
    oJson->Append(iJson.substr(plain, i - plain));
    oJson->Append("\\u003c");
    plain = i + 1;
  }
  oJson->Append(iJson.substr(plain));
}

}  // namespace

void PageData::AppendTables(JsonText* oJson) const {
  oJson->Append(",\"k\":[");
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    oJson->Append(i ? ",[" : "[");
    zyn::reader::AppendJsonString(fields_[i].first, oJson);
    oJson->Push(',');
    zyn::reader::AppendJsonString(fields_[i].second, oJson);
    oJson->Push(']');
  }
  oJson->Append("],\n\"s\":[");
  for (std::size_t i = 0; i < strings_.size(); ++i) {
    if (i) oJson->Append(i % 64 ? "," : ",\n");
    zyn::reader::AppendJsonString(*strings_[i], oJson);
  }
  oJson->Append("],\n\"shapes\":[");
  oJson->Append(shapes_.View());
  oJson->Push(']');
}

void PageData::AppendComparison(JsonText* oJson) const {
  oJson->Append(",\n\"verdict\":");
  zyn::reader::AppendJsonString(verdict_, oJson);
  oJson->Append(same_ ? ",\"same\":true" : ",\"same\":false");
  AppendCounts("counts", counts_, oJson);
  oJson->Append(",\n\"sameLeftOut\":");
  AppendNumber(static_cast<std::int64_t>(sameRowsLeftOut_), oJson);
  oJson->Append(",\n\"status\":");
  zyn::reader::AppendJsonString(status_, oJson);
  oJson->Append(",\n\"marks\":[");
  oJson->Append(marks_.View());
  oJson->Push(']');
}

void PageData::AppendJson(JsonText* oJson) const {
  JsonText json;
  json.Append("{\"v\":1,\"mode\":");
  json.Append(mode_ == Mode::Dump ? "\"dump\"" : "\"diff\"");
  json.Append(",\"codes\":");
  AppendPageCodes(&json);
  json.Append(",\n\"sources\":[");
  json.Append(sources_.View());
  json.Append("],\"filter\":");
  zyn::reader::AppendJsonString(filter_, &json);
  json.Append(",\"empty\":");
  std::string sentence = whyEmpty_;  // "No DMT row has the uuid nope."
  if (!sentence.empty() && sentence[0] >= 'a' && sentence[0] <= 'z') sentence[0] -= 'a' - 'A';
  zyn::reader::AppendJsonString(sentence.empty() ? sentence : sentence + ".", &json);
  json.Append(",\"damage\":[");
  json.Append(damage_.View());
  json.Push(']');
  AppendTables(&json);
  json.Append(",\n\"manager\":");
  json.Append(manager_.Size() ? manager_.View() : "null");
  json.Append(",\n\"rowCount\":");
  AppendNumber(static_cast<std::int64_t>(rowCount_), &json);
  json.Append(",\n\"rows\":\"");
  json.Append(rows_);
  json.Push('"');
  if (mode_ == Mode::Diff) AppendComparison(&json);
  json.Push('}');
  AppendScriptSafe(json.View(), oJson);
}

}  // namespace mpgtree
