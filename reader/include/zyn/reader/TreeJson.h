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

namespace zyn::reader {

inline constexpr std::string_view kJsonFormatName = "zyn-dump-tree";
inline constexpr int kJsonFormatVersion = 1;

// Each appends one JSON object to oJson.
void AppendJson(const Component& iComponent, std::string* oJson);
void AppendJson(const RmtRow& iRow, std::string* oJson);
void AppendJson(const DmtRow& iRow, std::string* oJson);
void AppendJson(const Environment& iEnvironment, std::string* oJson);
void AppendJson(const RawLine& iRaw, std::string* oJson);
void AppendJson(const Problem& iProblem, std::string* oJson);
/// The manager's header fields, without the opening brace's close (the caller adds the rows
/// or closes it): `{"kind":"manager",...`.
void AppendManagerHeaderFields(const ManagerHeader& iHeader, std::string* oJson);
/// `{"listClosingLine":...,"managerClosingLine":...,"rowsRead":...}`
void AppendJson(const ManagerTrailer& iTrailer, std::string* oJson);
/// iText as a JSON string, quotes included.
void AppendJsonString(std::string_view iText, std::string* oJson);

/// Where JSON text goes. Answers false when it cannot write; the writer then stops the reading.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual bool Write(std::string_view iText) = 0;
};

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

  /// Writes what ends the output. Answers false when some write failed.
  bool Finish(const ReadOutcome& iOutcome);
  bool Failed() const { return failed_; }

 private:
  void BeginNode(std::string_view iRecord);
  void EndNode();
  bool Flush();

  TextSink& sink_;
  Layout layout_;
  std::string source_;
  std::string buffer_;
  bool failed_ = false;
  bool started_ = false;
  bool firstNode_ = true;
  bool insideManager_ = false;
  bool firstRow_ = true;
  Form form_ = Form::Unknown;
  std::uint64_t formLine_ = 0;
  std::vector<Problem> problems_;  // the first ones, for the document's end
  std::uint64_t problemCount_ = 0;
};

}  // namespace zyn::reader
