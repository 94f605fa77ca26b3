// Writes the tree as it is read: one JSON document whose manager holds its rows, or JSON Lines
// with one record per DMT row.
#include <string>

#include "zyn/reader/TreeJson.h"

namespace zyn::reader {

namespace {

/// Output is handed to the sink in pieces of about this size.
constexpr std::size_t kFlushSize = std::size_t{1} << 20;
/// The document keeps this many problems for its end; JSON Lines writes them all.
constexpr std::size_t kKeptProblems = 1000;

}  // namespace

JsonTreeWriter::JsonTreeWriter(TextSink& iSink, Layout iLayout, std::string iSource)
    : sink_(iSink), layout_(iLayout), source_(std::move(iSource)) {
  buffer_.reserve(kFlushSize + kFlushSize / 4);
}

bool JsonTreeWriter::Flush() {
  if (!failed_ && !buffer_.empty() && !sink_.Write(buffer_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}

void JsonTreeWriter::BeginNode(std::string_view iRecord) {
  if (!started_) {
    started_ = true;
    buffer_.append(layout_ == Layout::Lines ? "{\"record\":\"start\"," : "{");
    buffer_.append("\"format\":");
    AppendJsonString(kJsonFormatName, &buffer_);
    buffer_.append(",\"version\":");
    buffer_.append(std::to_string(kJsonFormatVersion));
    buffer_.append(",\"source\":");
    AppendJsonString(source_, &buffer_);
    buffer_.append(layout_ == Layout::Lines ? "}\n" : ",\"nodes\":[\n");
  }
  if (layout_ == Layout::Lines) {
    if (iRecord.empty()) return;
    // The record's name goes first, then the node's own members.
    buffer_.append("{\"record\":");
    AppendJsonString(iRecord, &buffer_);
    buffer_.push_back(',');
    return;
  }
  if (iRecord.empty()) return;
  bool& first = insideManager_ ? firstRow_ : firstNode_;
  if (!first) buffer_.append(",\n");
  first = false;
}

void JsonTreeWriter::EndNode() {
  if (layout_ == Layout::Lines) buffer_.push_back('\n');
  if (buffer_.size() >= kFlushSize) Flush();
}

/// Appends a node's object into a record: without its opening brace, which the record has.
template <class Node>
static void AppendInto(const Node& iNode, bool iInRecord, std::string* oJson) {
  if (!iInRecord) return AppendJson(iNode, oJson);
  const std::size_t at = oJson->size();
  AppendJson(iNode, oJson);
  oJson->erase(at, 1);
}

void JsonTreeWriter::OnForm(Form iForm, std::uint64_t iDecidedAtLine) {
  form_ = iForm;
  formLine_ = iDecidedAtLine;
  if (layout_ != Layout::Lines) return;
  BeginNode("form");
  buffer_.append("\"form\":");
  AppendJsonString(FormName(iForm), &buffer_);
  buffer_.append(",\"line\":" + std::to_string(iDecidedAtLine) + "}");
  EndNode();
}

void JsonTreeWriter::OnManagerHeader(const ManagerHeader& iHeader) {
  BeginNode("header");
  const std::size_t at = buffer_.size();
  AppendManagerHeaderFields(iHeader, &buffer_);
  if (layout_ == Layout::Lines) {
    buffer_.erase(at, 1);
    buffer_.push_back('}');
  } else {
    buffer_.append(",\"dmtRows\":[\n");
    insideManager_ = true;
    firstRow_ = true;
  }
  EndNode();
}

void JsonTreeWriter::OnDmtRow(const DmtRow& iRow) {
  BeginNode("dmtRow");
  AppendInto(iRow, layout_ == Layout::Lines, &buffer_);
  EndNode();
}

void JsonTreeWriter::OnManagerTrailer(const ManagerTrailer& iTrailer) {
  if (layout_ == Layout::Lines) {
    BeginNode("trailer");
    AppendInto(iTrailer, true, &buffer_);
  } else {
    insideManager_ = false;
    buffer_.append("],\"closing\":");
    AppendJson(iTrailer, &buffer_);
    buffer_.push_back('}');
  }
  EndNode();
}

void JsonTreeWriter::OnEnvironment(const Environment& iEnvironment) {
  BeginNode("node");
  AppendInto(iEnvironment, layout_ == Layout::Lines, &buffer_);
  EndNode();
}

void JsonTreeWriter::OnRmtRow(const RmtRow& iRow) {
  BeginNode("node");
  AppendInto(iRow, layout_ == Layout::Lines, &buffer_);
  EndNode();
}

void JsonTreeWriter::OnComponent(const Component& iComponent) {
  BeginNode("node");
  AppendInto(iComponent, layout_ == Layout::Lines, &buffer_);
  EndNode();
}

void JsonTreeWriter::OnRaw(const RawLine& iRaw) {
  BeginNode("node");
  AppendInto(iRaw, layout_ == Layout::Lines, &buffer_);
  EndNode();
}

bool JsonTreeWriter::OnProblem(const Problem& iProblem) {
  ++problemCount_;
  if (layout_ == Layout::Lines) {
    BeginNode("problem");
    AppendInto(iProblem, true, &buffer_);
    EndNode();
  } else if (problems_.size() < kKeptProblems) {
    problems_.push_back(iProblem);
  }
  return !failed_;
}

bool JsonTreeWriter::Finish(const ReadOutcome& iOutcome) {
  BeginNode({});
  buffer_.append(layout_ == Layout::Lines ? "{\"record\":\"end\"," : "\n],");
  buffer_.append("\"form\":");
  AppendJsonString(FormName(iOutcome.form), &buffer_);
  buffer_.append(",\"formLine\":" + std::to_string(formLine_));
  buffer_.append(",\"lines\":" + std::to_string(iOutcome.lines));
  buffer_.append(",\"bytes\":" + std::to_string(iOutcome.bytes));
  buffer_.append(",\"errors\":" + std::to_string(iOutcome.errors));
  buffer_.append(",\"problemCount\":" + std::to_string(problemCount_));
  buffer_.append(",\"whole\":");
  buffer_.append(iOutcome.Whole() ? "true" : "false");
  if (layout_ == Layout::Document) {
    buffer_.append(",\"problems\":[");
    for (std::size_t i = 0; i < problems_.size(); ++i) {
      if (i) buffer_.push_back(',');
      AppendJson(problems_[i], &buffer_);
    }
    buffer_.push_back(']');
  }
  buffer_.append("}\n");
  return Flush();
}

}  // namespace zyn::reader
