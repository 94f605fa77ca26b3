// The report of a comparison as text for people, and the buffer both report writers share.
#include <charconv>

#include "parse/Text.h"
#include "zyn/reader/DiffReportWriters.h"

namespace zyn::reader {

namespace {

constexpr std::size_t kFlushSize = std::size_t{1} << 20;

void AppendNumber(std::uint64_t iValue, JsonText& ioText) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, iValue);
  ioText.Append(digits, static_cast<std::size_t>(result.ptr - digits));
}

/// " (line 5 #1)" for one side, "(A line 5 #1, B line 5 #1)" for both.
void AppendPlace(const std::optional<NodePlace>& iPlace, std::string_view iSide, JsonText& ioText) {
  ioText.Append(iSide);
  ioText.Append("line ");
  AppendNumber(iPlace->line, ioText);
  if (iPlace->ordinal) {
    ioText.Append(" #");
    ioText.Append(std::to_string(*iPlace->ordinal));
  }
}

void AppendPlaces(const NodeDifference& iDifference, JsonText& ioText) {
  ioText.Append(" (");
  if (iDifference.a && iDifference.b) {
    AppendPlace(iDifference.a, "A ", ioText);
    AppendPlace(iDifference.b, ", B ", ioText);
  } else {
    AppendPlace(iDifference.a ? iDifference.a : iDifference.b, "", ioText);
  }
  ioText.Push(')');
}

/// A value and, when the side holds it, the line it was read from: `"x" (A line 8)`.
void AppendValue(const ReportedValue& iValue, std::string_view iLineLead, std::uint64_t iLine,
                 JsonText& ioText) {
  ioText.Append(ReportedValueText(iValue));
  if (!iLine) return;
  ioText.Append(iLineLead);
  AppendNumber(iLine, ioText);
  ioText.Push(')');
}

}  // namespace

bool BufferedReport::Flush() {
  if (!failed_ && buffer_.Size() && !sink_.Write(buffer_.View())) failed_ = true;
  buffer_.Clear();
  return !failed_;
}

bool BufferedReport::FlushSometimes() { return buffer_.Size() < kFlushSize ? !failed_ : Flush(); }

std::string ReportedValueText(const ReportedValue& iValue) {
  if (!iValue.present) return "(not held)";
  std::string text;
  switch (iValue.type) {
    case FieldValue::Type::Text:
      text::AppendQuoted(iValue.text, text);
      break;
    case FieldValue::Type::Word:
      text = "<" + iValue.text + ">";
      break;
    case FieldValue::Type::Integer:
      text = std::to_string(iValue.integer);
      break;
    case FieldValue::Type::Boolean:
      text = iValue.boolean ? "yes" : "no";
      break;
  }
  return text;
}

void DiffTextWriter::Begin(const DiffSide& iA, const DiffSide& iB) {
  for (const DiffSide* side : {&iA, &iB}) {
    buffer_.Append(side == &iA ? "--- A: " : "+++ B: ");
    buffer_.Append(side->name);
    buffer_.Append(" (");
    buffer_.Append(FormName(side->form));
    buffer_.Append(" form, ");
    AppendNumber(side->dmtRows, buffer_);
    buffer_.Append(" DMT rows)\n");
  }
}

void DiffTextWriter::Write(const NodeDifference& iDifference, std::string_view iIndent) {
  buffer_.Append(iIndent);
  switch (iDifference.status) {
    case NodeDifference::Status::OnlyInA:
      buffer_.Append("only in A: ");
      break;
    case NodeDifference::Status::OnlyInB:
      buffer_.Append("only in B: ");
      break;
    case NodeDifference::Status::Changed:
      buffer_.Append("changed ");
      break;
  }
  buffer_.Append(iDifference.path);
  AppendPlaces(iDifference, buffer_);
  buffer_.Push('\n');
  for (const FieldChange& change : iDifference.changes) {
    buffer_.Append(iIndent);
    buffer_.Append("  ");
    buffer_.Append(change.path);
    buffer_.Append(": ");
    AppendValue(change.a, " (A line ", change.lineA, buffer_);
    buffer_.Append(" -> ");
    AppendValue(change.b, " (B line ", change.lineB, buffer_);
    buffer_.Push('\n');
  }
  for (const NodeDifference& rmt : iDifference.rmtRows) Write(rmt, "  ");
}

bool DiffTextWriter::OnDifference(const NodeDifference& iDifference) {
  Write(iDifference, "");
  return FlushSometimes();
}

void DiffTextWriter::OnNotCompared(const NotComparedNote& iNote) {
  if (!NamesNotCompared()) return;  // a row read again names them unasked
  for (const NotComparedField& field : iNote.fields) {
    buffer_.Append("not compared: ");
    buffer_.Append(field.path);
    buffer_.Append(field.heldByA ? ": only A holds it (A line " : ": only B holds it (B line ");
    AppendNumber(field.line, buffer_);
    buffer_.Append(")\n");
  }
  FlushSometimes();
}

void DiffTextWriter::OnFallback(const FallbackNote& iNote) {
  buffer_.Append("matched by ordinal: ");
  buffer_.Append(iNote.path);
  buffer_.Append(": ");
  buffer_.Append(FallbackDescription(iNote.reason));
  buffer_.Push('\n');
  FlushSometimes();
}

void DiffTextWriter::End(const DiffSummary& iSummary) {
  // "DMT rows: 1 same, 1 changed, 0 only in A, 0 only in B; other nodes: 0 differ; rows
  // matched by ordinal: 0; fields not compared: 0", then "; fields ignored: N" when the report
  // had patterns to ignore fields by
  const std::pair<std::string_view, std::uint64_t> pieces[] = {
      {"DMT rows: ", iSummary.sameRows},
      {" same, ", iSummary.changedRows},
      {" changed, ", iSummary.onlyInA},
      {" only in A, ", iSummary.onlyInB},
      {" only in B; other nodes: ", iSummary.otherDifferences},
      {" differ; rows matched by ordinal: ", iSummary.fallbacks},
      {"; fields not compared: ", iSummary.notCompared}};
  for (const auto& [lead, count] : pieces) {
    buffer_.Append(lead);
    AppendNumber(count, buffer_);
  }
  if (iSummary.notCompared)
    buffer_.Append(" (each held by one dump only, whose other form leaves it out)");
  if (iSummary.ignored) {
    buffer_.Append("; fields ignored: ");
    AppendNumber(*iSummary.ignored, buffer_);
  }
  buffer_.Push('\n');
}

}  // namespace zyn::reader
