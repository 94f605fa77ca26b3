// The nodes of a dump, as they are read, to the redacted text.
#include "Redactor.h"

namespace zyn::redact {

void Redactor::WriteBefore(std::uint64_t iLine) {
  if (!state_.failure.empty() || writeFailed_) return;
  if (!state_.text.WriteBefore(iLine)) writeFailed_ = true;
}

void Redactor::OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) {
  WriteBefore(iHeader.span.firstLine);
  RedactManagerHeader(iHeader, state_);
}

void Redactor::OnDmtRow(const zyn::reader::DmtRow& iRow) {
  WriteBefore(iRow.span.firstLine);
  RedactDmtRow(iRow, state_);
}

void Redactor::OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) {
  WriteBefore(iTrailer.span.firstLine);
}

void Redactor::OnEnvironment(const zyn::reader::Environment& iEnvironment) {
  WriteBefore(iEnvironment.span.firstLine);
  RedactEnvironment(iEnvironment, state_);
}

void Redactor::OnRmtRow(const zyn::reader::RmtRow& iRow) {
  WriteBefore(iRow.span.firstLine);
  RedactRmtRow(iRow, state_);
}

void Redactor::OnComponent(const zyn::reader::Component& iComponent) {
  WriteBefore(iComponent.span.firstLine);
  RedactComponent(iComponent, state_);
}

void Redactor::OnRaw(const zyn::reader::RawLine& iRaw) {
  // A raw line may stand inside a row that is handed over later: nothing is written out here.
  PendingText& text = state_.text;
  if (!text.Holds(iRaw.line)) return;
  // From where the raw text starts to the end of its line, and the line end too when the
  // whole line goes.
  const std::uint64_t from = text.LineStart(iRaw.line) + iRaw.column - 1;
  std::uint64_t end = text.LineEnd(iRaw.line);
  if (iRaw.column == 1 && text.Bytes(end, 1) == "\n") ++end;
  if (end > from) text.Replace(from, end - from, std::string());
  if (iRaw.line != lastLineLeftOut_) ++linesLeftOut_;
  lastLineLeftOut_ = iRaw.line;
}

bool Redactor::Finish() {
  if (state_.failure.empty() && !writeFailed_ && !state_.text.WriteAll()) writeFailed_ = true;
  return !writeFailed_;
}

}  // namespace zyn::redact
