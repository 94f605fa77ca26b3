// The report of a comparison as one JSON document, written as the comparison goes.
#include <charconv>

#include "zyn/reader/DiffReportWriters.h"
#include "zyn/reader/JsonText.h"

namespace zyn::reader {

namespace {

void AppendNumber(std::int64_t iValue, JsonText& ioJson) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, iValue);
  ioJson.Append(digits, static_cast<std::size_t>(result.ptr - digits));
}

void AppendKey(std::string_view iKey, JsonText& ioJson) {
  ioJson.Push('"');
  ioJson.Append(iKey);
  ioJson.Append("\":");
}

/// A line number, or null for 0.
void AppendLine(std::uint64_t iLine, JsonText& ioJson) {
  if (iLine)
    AppendNumber(static_cast<std::int64_t>(iLine), ioJson);
  else
    ioJson.Append("null");
}

void AppendValue(const ReportedValue& iValue, JsonText& ioJson) {
  if (!iValue.present) return ioJson.Append("null");
  switch (iValue.type) {
    case FieldValue::Type::Text:
      return AppendJsonString(iValue.text, &ioJson);
    case FieldValue::Type::Word:
      ioJson.Append("{\"state\":");
      AppendJsonString(iValue.text, &ioJson);
      return ioJson.Push('}');
    case FieldValue::Type::Integer:
      return AppendNumber(iValue.integer, ioJson);
    case FieldValue::Type::Boolean:
      return ioJson.Append(iValue.boolean ? "true" : "false");
  }
}

void AppendPlace(const std::optional<NodePlace>& iPlace, JsonText& ioJson) {
  if (!iPlace) return ioJson.Append("null");
  ioJson.Append("{\"uuid\":");
  if (iPlace->uuid)
    AppendJsonString(*iPlace->uuid, &ioJson);
  else
    ioJson.Append("null");
  ioJson.Append(",\"ordinal\":");
  if (iPlace->ordinal)
    AppendNumber(*iPlace->ordinal, ioJson);
  else
    ioJson.Append("null");
  ioJson.Append(",\"line\":");
  AppendLine(iPlace->line, ioJson);
  ioJson.Append(",\"position\":");
  if (iPlace->position)
    AppendNumber(static_cast<std::int64_t>(iPlace->position), ioJson);
  else
    ioJson.Append("null");
  ioJson.Push('}');
}

void AppendSide(const DiffSide& iSide, JsonText& ioJson) {
  ioJson.Append("{\"source\":");
  AppendJsonString(iSide.name, &ioJson);
  ioJson.Append(",\"form\":");
  AppendJsonString(FormName(iSide.form), &ioJson);
  ioJson.Append(",\"dmtRows\":");
  AppendNumber(static_cast<std::int64_t>(iSide.dmtRows), ioJson);
  ioJson.Append(",\"lines\":");
  AppendNumber(static_cast<std::int64_t>(iSide.lines), ioJson);
  ioJson.Append(",\"bytes\":");
  AppendNumber(static_cast<std::int64_t>(iSide.bytes), ioJson);
  ioJson.Push('}');
}

}  // namespace

void DiffJsonWriter::Begin(const DiffSide& iA, const DiffSide& iB) {
  buffer_.Append("{\"format\":");
  AppendJsonString(kDiffJsonFormatName, &buffer_);
  buffer_.Append(",\"version\":");
  AppendNumber(kDiffJsonFormatVersion, buffer_);
  buffer_.Append(",\"a\":");
  AppendSide(iA, buffer_);
  buffer_.Append(",\"b\":");
  AppendSide(iB, buffer_);
  buffer_.Append(",\"differences\":[");
}

void DiffJsonWriter::Write(const NodeDifference& iDifference) {
  buffer_.Append("{\"status\":");
  AppendJsonString(StatusName(iDifference.status), &buffer_);
  buffer_.Append(",\"path\":");
  AppendJsonString(iDifference.path, &buffer_);
  buffer_.Append(",\"matchedBy\":");
  buffer_.Append(iDifference.fallback == Fallback::None ? "\"uuid\"" : "\"ordinal\"");
  if (iDifference.fallback != Fallback::None) {
    buffer_.Append(",\"fallback\":");
    AppendJsonString(FallbackName(iDifference.fallback), &buffer_);
  }
  buffer_.Append(",\"a\":");
  AppendPlace(iDifference.a, buffer_);
  buffer_.Append(",\"b\":");
  AppendPlace(iDifference.b, buffer_);
  buffer_.Append(",\"changes\":[");
  for (std::size_t i = 0; i < iDifference.changes.size(); ++i) {
    const FieldChange& change = iDifference.changes[i];
    buffer_.Append(i ? ",{" : "{");
    AppendKey("path", buffer_);
    AppendJsonString(change.path, &buffer_);
    buffer_.Append(",\"label\":");
    AppendJsonString(change.label, &buffer_);
    buffer_.Append(",\"a\":");
    AppendValue(change.a, buffer_);
    buffer_.Append(",\"b\":");
    AppendValue(change.b, buffer_);
    buffer_.Append(",\"lineA\":");
    AppendLine(change.lineA, buffer_);
    buffer_.Append(",\"lineB\":");
    AppendLine(change.lineB, buffer_);
    buffer_.Push('}');
  }
  buffer_.Append("],\"rmtRows\":[");
  for (std::size_t i = 0; i < iDifference.rmtRows.size(); ++i) {
    if (i) buffer_.Push(',');
    Write(iDifference.rmtRows[i]);
  }
  buffer_.Append("]}");
}

bool DiffJsonWriter::OnDifference(const NodeDifference& iDifference) {
  buffer_.Append(firstDifference_ ? "\n" : ",\n");
  firstDifference_ = false;
  Write(iDifference);
  return FlushSometimes();
}

void DiffJsonWriter::OnNotCompared(const NotComparedNote& iNote) {
  if (!NamesNotCompared()) return;  // a row read again names them unasked
  for (const NotComparedField& field : iNote.fields) {
    notCompared_.Append(notCompared_.Size() ? ",\n{\"path\":" : "\n{\"path\":");
    AppendJsonString(field.path, &notCompared_);
    notCompared_.Append(",\"label\":");
    AppendJsonString(field.label, &notCompared_);
    notCompared_.Append(field.heldByA ? ",\"heldBy\":\"a\",\"line\":"
                                      : ",\"heldBy\":\"b\",\"line\":");
    AppendLine(field.line, notCompared_);
    notCompared_.Push('}');
  }
}

void DiffJsonWriter::OnFallback(const FallbackNote& iNote) {
  buffer_.Append(firstFallback_ ? "],\n\"fallbacks\":[\n" : ",\n");
  firstFallback_ = false;
  buffer_.Append("{\"path\":");
  AppendJsonString(iNote.path, &buffer_);
  buffer_.Append(",\"reason\":");
  AppendJsonString(FallbackName(iNote.reason), &buffer_);
  buffer_.Push('}');
  FlushSometimes();
}

void DiffJsonWriter::End(const DiffSummary& iSummary) {
  buffer_.Append(firstFallback_ ? "],\n\"fallbacks\":[" : "");
  if (NamesNotCompared()) {
    buffer_.Append("],\n\"notCompared\":[");
    buffer_.Append(notCompared_.View());
  }
  buffer_.Append("],\n\"summary\":{\"different\":");
  buffer_.Append(iSummary.Different() ? "true" : "false");
  const std::pair<std::string_view, std::uint64_t> counts[] = {
      {"sameRows", iSummary.sameRows},
      {"changedRows", iSummary.changedRows},
      {"onlyInA", iSummary.onlyInA},
      {"onlyInB", iSummary.onlyInB},
      {"otherDifferences", iSummary.otherDifferences},
      {"fallbacks", iSummary.fallbacks},
      {"rowsReadAgain", iSummary.rowsReadAgain},
      {"notCompared", iSummary.notCompared},
      {"ignored", iSummary.ignored.value_or(0)}};
  for (const auto& [key, count] : counts) {
    buffer_.Push(',');
    AppendKey(key, buffer_);
    AppendNumber(static_cast<std::int64_t>(count), buffer_);
  }
  buffer_.Append("}}\n");
}

}  // namespace zyn::reader
