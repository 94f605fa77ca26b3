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
    : sink_(iSink), layout_(iLayout), source_(std::move(iSource)) {}

bool JsonTreeWriter::Flush() {
  if (!failed_ && buffer_.Size() && !sink_.Write(buffer_.View())) failed_ = true;
  buffer_.Clear();
  return !failed_;
}

void JsonTreeWriter::BeginNode(std::string_view iRecord) {
  if (!started_) {
    started_ = true;
    buffer_.Append(layout_ == Layout::Lines ? "{\"record\":\"start\"," : "{");
    buffer_.Append("\"format\":");
    AppendJsonString(kJsonFormatName, &buffer_);
    buffer_.Append(",\"version\":");
    buffer_.Append(std::to_string(kJsonFormatVersion));
    buffer_.Append(",\"source\":");
    AppendJsonString(source_, &buffer_);
    buffer_.Append(layout_ == Layout::Lines ? "}\n" : ",\"nodes\":[\n");
  }
  if (layout_ == Layout::Lines || iRecord.empty()) return;
  bool& first = insideManager_ ? firstRow_ : firstNode_;
  if (!first) buffer_.Append(",\n");
  first = false;
}

void JsonTreeWriter::EndNode() {
  if (layout_ == Layout::Lines) buffer_.Push('\n');
  if (buffer_.Size() >= kFlushSize) Flush();
}

template <class Node>
void JsonTreeWriter::WriteNode(const Node& iNode, std::string_view iRecord) {
  BeginNode(iRecord);
  if (layout_ == Layout::Lines) {
    // The record's name first, then the node's own members.
    AppendJson(iNode, &buffer_, iRecord);
  } else {
    AppendJson(iNode, &buffer_);
  }
  EndNode();
}

void JsonTreeWriter::OnForm(Form iForm, std::uint64_t iDecidedAtLine) {
  form_ = iForm;
  formLine_ = iDecidedAtLine;
  if (layout_ != Layout::Lines) return;
  BeginNode("form");
  buffer_.Append("{\"record\":\"form\",\"form\":");
  AppendJsonString(FormName(iForm), &buffer_);
  buffer_.Append(",\"line\":" + std::to_string(iDecidedAtLine) + "}");
  EndNode();
}

void JsonTreeWriter::OnManagerHeader(const ManagerHeader& iHeader) {
  BeginNode("header");
  if (layout_ == Layout::Lines) {
    AppendManagerHeaderMembers(iHeader, &buffer_, "{\"record\":\"header\",");
    buffer_.Push('}');
  } else {
    AppendManagerHeaderMembers(iHeader, &buffer_);
    buffer_.Append(",\"dmtRows\":[\n");
    insideManager_ = true;
    firstRow_ = true;
  }
  EndNode();
}

void JsonTreeWriter::OnDmtRow(const DmtRow& iRow) { WriteNode(iRow, "{\"record\":\"dmtRow\","); }

void JsonTreeWriter::OnManagerTrailer(const ManagerTrailer& iTrailer) {
  if (layout_ == Layout::Lines) {
    BeginNode("trailer");
    AppendJson(iTrailer, &buffer_, "{\"record\":\"trailer\",");
  } else {
    insideManager_ = false;
    buffer_.Append("],\"closing\":");
    AppendJson(iTrailer, &buffer_);
    buffer_.Push('}');
  }
  EndNode();
}

void JsonTreeWriter::OnEnvironment(const Environment& iEnvironment) {
  WriteNode(iEnvironment, "{\"record\":\"node\",");
}

void JsonTreeWriter::OnRmtRow(const RmtRow& iRow) { WriteNode(iRow, "{\"record\":\"node\","); }

void JsonTreeWriter::OnComponent(const Component& iComponent) {
  WriteNode(iComponent, "{\"record\":\"node\",");
}

void JsonTreeWriter::OnRaw(const RawLine& iRaw) { WriteNode(iRaw, "{\"record\":\"node\","); }

bool JsonTreeWriter::OnProblem(const Problem& iProblem) {
  ++problemCount_;
  if (iProblem.severity == Severity::Error) ++errors_;
  if (layout_ == Layout::Lines) {
    WriteNode(iProblem, "{\"record\":\"problem\",");
  } else if (problems_.size() < kKeptProblems) {
    problems_.push_back(iProblem);
  }
  return !failed_;
}

bool JsonTreeWriter::Finish(const ReadOutcome& iOutcome) {
  BeginNode({});
  buffer_.Append(layout_ == Layout::Lines ? "{\"record\":\"end\"," : "\n],");
  buffer_.Append("\"form\":");
  AppendJsonString(FormName(iOutcome.form), &buffer_);
  buffer_.Append(",\"formLine\":" + std::to_string(formLine_));
  buffer_.Append(",\"lines\":" + std::to_string(iOutcome.lines));
  buffer_.Append(",\"bytes\":" + std::to_string(iOutcome.bytes));
  buffer_.Append(",\"errors\":" + std::to_string(errors_));
  buffer_.Append(",\"problemCount\":" + std::to_string(problemCount_));
  buffer_.Append(",\"whole\":");
  buffer_.Append(errors_ == 0 && iOutcome.readFailure.empty() ? "true" : "false");
  if (layout_ == Layout::Document) {
    buffer_.Append(",\"problems\":[");
    for (std::size_t i = 0; i < problems_.size(); ++i) {
      if (i) buffer_.Push(',');
      AppendJson(problems_[i], &buffer_);
    }
    buffer_.Push(']');
  }
  buffer_.Append("}\n");
  return Flush();
}

}  // namespace zyn::reader
