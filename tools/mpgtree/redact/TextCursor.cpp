// The walk along a node's text, piece by piece.
#include "TextCursor.h"

#include <algorithm>

namespace zyn::redact {

namespace {

/// A piece as a failure quotes it: at most 40 bytes, line ends shown as \n.
std::string Quoted(std::string_view iPiece) {
  std::string quoted = "\"";
  for (char byte : iPiece.substr(0, 40))
    quoted += byte == '\n' ? std::string("\\n") : std::string(1, byte);
  return quoted + (iPiece.size() > 40 ? "...\"" : "\"");
}

}  // namespace

TextCursor::TextCursor(RedactionState& ioState, std::uint64_t iOffset, std::uint64_t iEnd,
                       std::string iNode)
    : shared_(ioState), offset_(iOffset), end_(iEnd), node_(std::move(iNode)) {
  if (!shared_.failure.empty()) state_ = State::Failed;  // the dump is refused already
}

TextCursor::Match TextCursor::Compare(std::string_view iPiece) const {
  const std::uint64_t room = end_ > offset_ ? end_ - offset_ : 0;
  const std::string_view held =
      shared_.text.Bytes(offset_, std::min<std::uint64_t>(iPiece.size(), room));
  if (held == iPiece) return Match::Whole;
  if (held.size() < iPiece.size() && offset_ + held.size() >= end_ &&
      iPiece.substr(0, held.size()) == held)
    return Match::UpToEnd;
  return Match::No;
}

void TextCursor::Fail(std::string_view iPiece) {
  state_ = State::Failed;
  if (shared_.failure.empty())
    shared_.failure = "the text of " + node_ + " is not what was read there: expected " +
                      Quoted(iPiece) + " at byte " + std::to_string(offset_ + 1);
}

TextCursor& TextCursor::Fixed(std::string_view iPiece) {
  if (state_ != State::Going) return *this;
  switch (Compare(iPiece)) {
    case Match::Whole:
      offset_ += iPiece.size();
      break;
    case Match::UpToEnd:
      state_ = State::Ended;
      break;
    case Match::No:
      Fail(iPiece);
      break;
  }
  return *this;
}

TextCursor& TextCursor::Fixed(std::string_view iTrace, std::string_view iOutput) {
  using zyn::reader::Form;
  if (shared_.form == Form::Trace) return Fixed(iTrace);
  if (shared_.form == Form::StandardOutput) return Fixed(iOutput);
  // Form not told yet: the longer piece first, since the other may be a part of it.
  const std::string_view longer = iTrace.size() >= iOutput.size() ? iTrace : iOutput;
  const std::string_view shorter = iTrace.size() >= iOutput.size() ? iOutput : iTrace;
  return Fixed(state_ == State::Going && Compare(longer) == Match::Whole ? longer : shorter);
}

TextCursor& TextCursor::Replace(std::string_view iValue, const std::string& iPseudonym) {
  if (state_ != State::Going) return *this;
  const Match match = Compare(iValue);
  if (match == Match::No) {
    Fail(iValue);
    return *this;
  }
  // A value cut at the node's end is replaced as far as it goes.
  const std::uint64_t held = match == Match::Whole ? iValue.size() : end_ - offset_;
  if (held != 0) shared_.text.Replace(offset_, held, iPseudonym);
  offset_ += held;
  if (match == Match::UpToEnd) state_ = State::Ended;
  return *this;
}

TextCursor& TextCursor::Name(std::string_view iValue) {
  if (state_ != State::Going) return *this;
  return Replace(iValue, shared_.pseudonyms.OfName(iValue));
}

TextCursor& TextCursor::Path(std::string_view iValue) {
  if (state_ != State::Going) return *this;
  return Replace(iValue, shared_.pseudonyms.OfPath(iValue));
}

TextCursor& TextCursor::Uuid(std::string_view iValue) {
  if (state_ != State::Going) return *this;
  if (!shared_.uuids) return Fixed(iValue);
  return Replace(iValue, shared_.pseudonyms.OfUuid(iValue));
}

}  // namespace zyn::redact
