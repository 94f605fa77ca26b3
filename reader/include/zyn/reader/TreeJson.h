// The tree of a dump as JSON: each node as one compact object, and a visitor that writes the
// whole tree as one document or as JSON Lines (one record per DMT row, with header, trailer
// and end records). The shape is described by docs/schemas/dump-tree.schema.json.
//
// Every key of a node is always written, in a fixed order; a value that the dump leaves out
// is null. Texts are written as JSON strings; bytes that are not UTF-8 become U+FFFD.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/DumpTree.h"
#include "zyn/reader/JsonText.h"

namespace zyn::reader {

inline constexpr std::string_view kJsonFormatName = "zyn-dump-tree";
inline constexpr int kJsonFormatVersion = 1;

// Each appends one JSON object to oJson. iLead is what opens the object: "{", or the opening
// of a JSON Lines record ("{\"record\":\"dmtRow\",") that the node's members then follow.
void AppendJson(const Component& iComponent, JsonText* oJson, std::string_view iLead = "{");
void AppendJson(const RmtRow& iRow, JsonText* oJson, std::string_view iLead = "{");
void AppendJson(const DmtRow& iRow, JsonText* oJson, std::string_view iLead = "{");
void AppendJson(const Environment& iEnvironment, JsonText* oJson, std::string_view iLead = "{");
void AppendJson(const RawLine& iRaw, JsonText* oJson, std::string_view iLead = "{");
void AppendJson(const Problem& iProblem, JsonText* oJson, std::string_view iLead = "{");
/// `{"line":...,"lastLine":...,"listClosingLine":...,"managerClosingLine":...,"rowsRead":...}`
void AppendJson(const ManagerTrailer& iTrailer, JsonText* oJson, std::string_view iLead = "{");
/// The manager's header members, leaving the object open (the caller adds the rows, or closes
/// it): `{"kind":"manager",...`.
void AppendManagerHeaderMembers(const ManagerHeader& iHeader, JsonText* oJson,
                                std::string_view iLead = "{");

/// A node as one JSON object.
template <class Node>
std::string ToJson(const Node& iNode) {
  JsonText json;
  AppendJson(iNode, &json);
  return std::string(json.View());
}

/// Writes the tree as it is read, through a buffer of about a megabyte.
class JsonTreeWriter : public DumpVisitor {
 public:
  enum class Layout { Document, Lines };
  /// iSource names the input in the output ("-" for standard input).
  JsonTreeWriter(TextSink& iSink, Layout iLayout, std::string iSource);

  void OnForm(Form iForm, std::uint64_t iDecidedAtLine) override;
  void OnManagerHeader(const ManagerHeader& iHeader) override;
  void OnDmtRow(const DmtRow& iRow) override;
  void OnManagerTrailer(const ManagerTrailer& iTrailer) override;
  void OnEnvironment(const Environment& iEnvironment) override;
  void OnRmtRow(const RmtRow& iRow) override;
  void OnComponent(const Component& iComponent) override;
  void OnRaw(const RawLine& iRaw) override;
  bool OnProblem(const Problem& iProblem) override;

  /// Writes what ends the output: the counts and whether the dump is whole, from the problems
  /// this writer received (a WholenessChecker before it adds its own faults to them). Answers
  /// false when some write failed.
  bool Finish(const ReadOutcome& iOutcome);
  bool Failed() const { return failed_; }

 private:
  void BeginNode(std::string_view iRecord);
  void EndNode();
  bool Flush();

  /// Appends a node: as an element of the document, or as a JSON Lines record that iRecord
  /// opens ("{\"record\":\"dmtRow\",").
  template <class Node>
  void WriteNode(const Node& iNode, std::string_view iRecord);

  TextSink& sink_;
  Layout layout_;
  std::string source_;
  JsonText buffer_;
  bool failed_ = false;
  bool started_ = false;
  bool firstNode_ = true;
  bool insideManager_ = false;
  bool firstRow_ = true;
  Form form_ = Form::Unknown;
  std::uint64_t formLine_ = 0;
  std::vector<Problem> problems_;  // the first ones, for the document's end
  std::uint64_t problemCount_ = 0;
  std::uint64_t errors_ = 0;
};

}  // namespace zyn::reader
