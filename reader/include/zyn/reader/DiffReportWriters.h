// The report of a comparison of two dumps, written as text for people or as one JSON document
// (its shape: docs/schemas/dump-diff.schema.json), through a buffer of about a megabyte.
//
// The text: a line per dump ("--- A" and "+++ B" with its form and number of DMT rows); then
// for each node that differs a line "changed PATH", "only in A: PATH" or "only in B: PATH"
// with its lines and ordinals, and under a changed node one line per changed field:
//   "  PATH: VALUE-A (A line N) -> VALUE-B (B line M)"
// where a text is quoted with C escapes, a number or a yes/no is bare, a state is in angle
// brackets ("<none>"), and a field that one side does not hold reads "(not held)"; when the
// fields not compared are named, one line for each after its node:
//   "not compared: PATH: only A holds it (A line N)"
// then one line per row matched by its ordinal ("matched by ordinal: PATH: why"); then a
// summary line, which ends with the count of fields not compared.
#pragma once

#include <string>
#include <string_view>

#include "zyn/reader/DumpDiff.h"
#include "zyn/reader/JsonText.h"

namespace zyn::reader {

inline constexpr std::string_view kDiffJsonFormatName = "zyn-dump-diff";
inline constexpr int kDiffJsonFormatVersion = 2;

/// What the two writers share: the buffer, and the sink it is handed to.
class BufferedReport : public DiffReport {
 public:
  explicit BufferedReport(TextSink& ioSink) : sink_(ioSink) {}
  /// Hands over what is left; false when some write failed.
  bool Finish() { return Flush(); }
  bool Failed() const { return failed_; }
  /// Name each field not compared, not only count them.
  void NameNotCompared() { namesNotCompared_ = true; }
  bool NamesNotCompared() const override { return namesNotCompared_; }

 protected:
  /// Hands the buffer over once it is big enough; false when a write failed.
  bool FlushSometimes();
  bool Flush();
  JsonText buffer_;

 private:
  TextSink& sink_;
  bool failed_ = false;
  bool namesNotCompared_ = false;
};

class DiffTextWriter : public BufferedReport {
 public:
  using BufferedReport::BufferedReport;
  void Begin(const DiffSide& iA, const DiffSide& iB) override;
  bool OnDifference(const NodeDifference& iDifference) override;
  void OnNotCompared(const NotComparedNote& iNote) override;
  void OnFallback(const FallbackNote& iNote) override;
  void End(const DiffSummary& iSummary) override;

 private:
  void Write(const NodeDifference& iDifference, std::string_view iIndent);
};

class DiffJsonWriter : public BufferedReport {
 public:
  using BufferedReport::BufferedReport;
  void Begin(const DiffSide& iA, const DiffSide& iB) override;
  bool OnDifference(const NodeDifference& iDifference) override;
  /// Kept apart until the end, where they make the array "notCompared" (when named).
  void OnNotCompared(const NotComparedNote& iNote) override;
  void OnFallback(const FallbackNote& iNote) override;
  void End(const DiffSummary& iSummary) override;

 private:
  void Write(const NodeDifference& iDifference);
  JsonText notCompared_;
  bool firstDifference_ = true;
  bool firstFallback_ = true;
};

/// A value as the text report writes it (see above).
std::string ReportedValueText(const ReportedValue& iValue);

}  // namespace zyn::reader
