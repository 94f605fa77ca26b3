// The top of the parser's descent: what each line at the top of the input opens, the one dump
// an input holds (an empty input, text after its end and a second dump are errors), and the
// lines out of order that a look one line ahead tells apart.
#include "parse/DumpTexts.h"
#include "parse/Parser.h"

namespace zyn::reader {

std::optional<std::string_view> Parser::LineAfterCurrent() {
  if (!Current()) return std::nullopt;
  return lines_.NextLine();
}

void Parser::OutOfOrder(const Line& iLine, const Expected& iExpected) {
  Problem problem;
  problem.line = iLine.number;
  problem.column = iLine.column;
  const std::string next = std::to_string(iLine.number + 1);
  problem.message = "lines out of order: expected " + iExpected.Words() + ", which line " + next +
                    " holds, found " + Quote(iLine.text) + " before it";
  Report(std::move(problem));
}

bool Parser::OpensDump(std::string_view iText) {
  return OpensManager(iText) || iText == text::kEnvironmentOpening || OpensDmtRow(iText) ||
         OpensRmtRow(iText) || OpensComponent(iText);
}

void Parser::AfterTheDump(const Line& iLine, std::uint64_t iEnd) {
  Problem problem;
  problem.line = iLine.number;
  problem.column = iLine.column;
  const std::string end = std::string(iEnd == managerClosingLine_ ? "the manager's closing line"
                                                                  : "the end of the dump") +
                          " (line " + std::to_string(iEnd) + ")";
  if (OpensDump(iLine.text))
    problem.message = "a second dump begins at line " + std::to_string(iLine.number) + ", after " +
                      end + ": one input holds one dump";
  else
    problem.message = "text after " + end + ": " + Quote(iLine.text);
  Report(std::move(problem));
  while (Current()) KeepRaw();  // lenient reading: the rest, kept raw under this one problem
}

ReadOutcome Parser::Run() {
  Form decisive = Form::Unknown;
  const Line decisiveLine = FirstDecisiveLine(&decisive);
  if (form_ == Form::Unknown) {
    if (decisive != Form::Unknown) {
      form_ = decisive;
      formLine_ = decisiveLine.number;
      visitor_.OnForm(form_, formLine_);
    }
  } else {
    visitor_.OnForm(form_, 0);
    if (decisive != Form::Unknown && decisive != form_) {
      splitReported_ = true;
      WrongForm(decisiveLine, decisive);
    }
  }
  WatchForm();
  std::uint64_t dumpEnd = 0;  // the last line of the dump, once read
  while (const Line* line = Current()) {
    if (dumpEnd) {
      AfterTheDump(*line, dumpEnd);
      break;
    }
    const auto start = Position();
    if (ReadTopNode(*line)) {
      dumpEnd = LastTakenLine();
    } else {
      Unplaced(*line, 0,
               "the start of a dump (of a manager, an environment, a row or a component)");
      if (!options_.lenient) break;
      KeepRaw();
    }
    MoveOnFrom(start);
  }
  if (!dumpEnd && errors_ == 0 && !visitorStopped_ && lines_.Failure().empty()) {
    Problem problem;
    problem.message = "the input is empty: it holds no dump";
    Report(std::move(problem));
  }
  ReadOutcome outcome;
  outcome.form = form_;
  outcome.lines = lines_.LinesRead();
  outcome.bytes = lines_.BytesRead();
  outcome.errors = errors_;
  outcome.rawLines = rawLines_;
  outcome.firstRawLine = firstRawLine_;
  outcome.stopped = visitorStopped_ || (stopped_ && !options_.lenient);
  outcome.readFailure = lines_.Failure();
  return outcome;
}

bool Parser::ReadTopNode(const Line& iLine) {
  const std::string_view text = iLine.text;
  if (OpensManager(text)) {
    ParseManager();
  } else if (text == text::kEnvironmentOpening) {
    ParseEnvironment();
  } else if (OpensDmtRow(text)) {
    ParseDmtRow(&dmtRow_);
    visitor_.OnDmtRow(dmtRow_);
  } else if (OpensRmtRow(text)) {
    RmtRow row;
    {
      KeptText kept(*this, &row.text);
      ParseRmtRow(&row);
    }
    visitor_.OnRmtRow(row);
  } else if (OpensComponent(text)) {
    Component component;
    {
      KeptText kept(*this, &component.text);
      ParseComponent(&component);
    }
    visitor_.OnComponent(component);
  } else {
    return false;
  }
  return true;
}

ReadOutcome ReadDump(ByteSource& iSource, const ReadOptions& iOptions, DumpVisitor& iVisitor) {
  LineSource lines(iSource);
  Parser parser(lines, iOptions, iVisitor);
  return parser.Run();
}

}  // namespace zyn::reader
