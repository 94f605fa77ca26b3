// The parser's shared machinery: taking lines, keeping texts, the form (and a wrong --form),
// problems and the lenient recovery. The top of the descent is in DumpParser.cpp.
#include "parse/Parser.h"

#include <cstring>
#include <iterator>

#include "parse/DumpTexts.h"
#include "parse/Text.h"

namespace zyn::reader {

namespace {

/// Whether a line that cannot be placed starts with a lone uuid: the uuid printer chooses its
/// sink for itself, so a uuid that went to one sink while its line went to the other stands
/// at the start of a line, with no label before it. A uuid is 32 hexadecimal digits (dashes
/// aside), so that a word of the dump's own (a line out of its place) is no such sign.
bool StartsWithLoneUuid(std::string_view iText) {
  std::size_t digits = 0;
  for (const char c : iText.substr(0, iText.find(' '))) {
    if (c == '-') continue;
    const bool hexadecimal =
        (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hexadecimal) return false;
    ++digits;
  }
  return digits == 32;
}

const char* FormWords(Form iForm) {
  return iForm == Form::Trace ? "the trace tool's form" : "the standard-output form";
}

}  // namespace

Parser::Parser(LineSource& iLines, const ReadOptions& iOptions, DumpVisitor& iVisitor)
    : lines_(iLines), options_(iOptions), visitor_(iVisitor), form_(iOptions.form) {}

void Parser::Keep(const Line& iLine) {
  for (std::string* text : kept_) {
    text->append(iLine.text);
    if (iLine.ended) text->push_back('\n');
  }
}

void Parser::StartKeeping(std::string* iText) {
  if (!options_.keepText) return;
  iText->clear();
  kept_.push_back(iText);
}

void Parser::StopKeeping() {
  if (options_.keepText && !kept_.empty()) kept_.pop_back();
}

void Parser::KeepRest(std::size_t iOffset) {
  const Line* line = lines_.Peek();
  if (!line) return;
  for (std::string* text : kept_) text->append(line->text.substr(0, iOffset));
  lines_.KeepRest(iOffset);
}

std::string Parser::Quote(std::string_view iText) {
  constexpr std::size_t kShown = 60;
  std::string quoted;
  text::AppendQuoted(iText.substr(0, kShown), quoted);
  if (iText.size() > kShown) quoted += "...";
  return quoted;
}

void Parser::Report(Problem iProblem) {
  if (iProblem.severity == Severity::Error) {
    ++errors_;
    if (!options_.lenient) stopped_ = true;
  }
  if (!visitor_.OnProblem(iProblem)) {
    stopped_ = true;
    visitorStopped_ = true;
  }
}

void Parser::Unplaced(const Line& iLine, std::size_t iOffset, const Expected& iExpected) {
  Problem problem;
  problem.line = iLine.number;
  problem.column = iLine.column + static_cast<std::uint32_t>(iOffset);
  problem.message = "expected " + iExpected.Words() + ", found " +
                    (iOffset >= iLine.text.size()
                         ? std::string(iLine.ended ? "the line's end" : "the input's end")
                         : Quote(iLine.text.substr(iOffset)));
  if (text::Find(iLine.text, text::kDmtUuidGone) != std::string_view::npos ||
      text::Find(iLine.text, text::kRmtUuidGone) != std::string_view::npos) {
    problem.splitBetweenSinks = true;
    problem.message +=
        ": the uuid is missing from this row line, it went to the other sink (the dump's lines "
        "were split between the trace tool and standard output)";
  } else if (iOffset == 0 && iLine.column == 1 && StartsWithLoneUuid(iLine.text)) {
    problem.splitBetweenSinks = true;
    problem.message +=
        ": a uuid without its line, which went to the other sink (the dump's lines were split "
        "between the trace tool and standard output)";
  }
  Report(std::move(problem));
}

std::string Expected::Words() const {
  std::string words;
  std::size_t next = 0;
  for (const char c : pattern_) {
    if (c != '%' || next == std::size(texts_)) {
      words.push_back(c);
      continue;
    }
    words.push_back('"');
    words.append(texts_[next++]);
    words.push_back('"');
  }
  return words;
}

void Parser::EndedInside(const Expected& iExpected) {
  Problem problem;
  problem.line = lines_.LinesRead();
  problem.message = "the input ends after this line; expected " + iExpected.Words();
  if (!open_.empty())
    problem.message += " (inside the " + std::string(open_.back().first) + " that opens at line " +
                       std::to_string(open_.back().second) + ")";
  if (!lines_.Failure().empty()) problem.message += " (read failure: " + lines_.Failure() + ")";
  Report(std::move(problem));
  stopped_ = true;
}

void Parser::KeepRaw() {
  const Line* line = lines_.Peek();
  if (!line) return;
  raw_.line = line->number;
  raw_.column = line->column;
  text::Assign(&raw_.text, line->text);
  if (rawLines_++ == 0) firstRawLine_ = line->number;
  lastTaken_ = line->number;
  lines_.Advance();
  visitor_.OnRaw(raw_);
}

void Parser::Note(std::uint64_t iLine, std::string iMessage) {
  Problem problem;
  problem.severity = Severity::Note;
  problem.line = iLine;
  problem.message = std::move(iMessage);
  Report(std::move(problem));
}

void Parser::SplitBetweenSinks(std::uint64_t iLine, std::uint32_t iColumn, std::string iMessage) {
  Problem problem;
  problem.line = iLine;
  problem.column = iColumn;
  problem.message = std::move(iMessage);
  problem.splitBetweenSinks = true;
  Report(std::move(problem));
}

void Parser::Saw(Form iForm, const Line& iLine) {
  SawForm(iForm, iLine);
  WatchForm();
}

void Parser::WatchForm() {
  using namespace text::detail;
  if (splitReported_)
    formWatch_ = &kNoBuckets;
  else if (form_ == Form::Unknown || (formLine_ == 0 && !formConfirmed_))
    formWatch_ = &kFormBuckets;
  else
    formWatch_ =
        form_ == Form::Trace ? &kBucketsRevealingOtherThanTrace : &kBucketsRevealingOtherThanOutput;
}

void Parser::SawForm(Form iForm, const Line& iLine) {
  if (iForm == Form::Unknown) return;
  if (form_ == iForm) {
    formConfirmed_ = true;
    return;
  }
  if (form_ == Form::Unknown) {
    form_ = iForm;
    formLine_ = iLine.number;
    visitor_.OnForm(form_, formLine_);
    return;
  }
  if (splitReported_) return;
  splitReported_ = true;
  // A form that --form gave and no line has borne out: the option is wrong, not the dump.
  if (formLine_ == 0 && !formConfirmed_) return WrongForm(iLine, iForm);
  std::string decided = formLine_ ? "line " + std::to_string(formLine_) : std::string("--form");
  SplitBetweenSinks(iLine.number, iLine.column,
                    std::string("this line is in ") + FormWords(iForm) + ", while " + decided +
                        " is in " + FormWords(form_) +
                        ": the dump's lines were split between the trace tool and standard "
                        "output, and it cannot be read from one of them");
}

void Parser::WrongForm(const Line& iLine, Form iForm) {
  Problem problem;
  problem.line = iLine.number;
  problem.column = iLine.column;
  problem.wrongForm = true;
  problem.message = "line " + std::to_string(iLine.number) + " is in " + FormWords(iForm) +
                    "; --form " + std::string(FormName(form_)) +
                    " was given: read it with --form " + std::string(FormName(iForm)) +
                    ", or without --form";
  Report(std::move(problem));
}

Line Parser::FirstDecisiveLine(Form* oForm) {
  // A look at the first block for a line that betrays the form, so that values read before
  // that line (a path's trailing blank) are read in the right form.
  std::string_view ahead = lines_.Lookahead();
  Line line;
  line.number = lines_.LinesRead();
  *oForm = Form::Unknown;
  while (!ahead.empty()) {
    const std::size_t end = ahead.find('\n');
    if (end == std::string_view::npos) break;  // a line cut by the block's end
    ++line.number;
    line.text = ahead.substr(0, end);
    *oForm = text::RevealedForm(line.text);
    if (*oForm != Form::Unknown) return line;
    ahead.remove_prefix(end + 1);
  }
  return line;
}

}  // namespace zyn::reader
