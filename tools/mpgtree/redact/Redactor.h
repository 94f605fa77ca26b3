// A dump's text with its names, paths and (when asked) uuids replaced by pseudonyms, written as
// the dump is read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "NodeRedaction.h"
#include "PendingText.h"
#include "Pseudonyms.h"
#include "zyn/reader/DumpReader.h"

namespace zyn::redact {

/// Receives the nodes of a dump read from ioText (a PendingText over the input), marks the
/// texts to hide in each, and has ioText write out the lines before each node as it comes. Lines
/// that the reader could not place (a lenient reading) are left out whole: nothing tells what
/// they hold. Once a node's text is found to differ from what was read (Failure), nothing more
/// is written.
class Redactor : public zyn::reader::DumpVisitor {
 public:
  /// iOnProblem, when given, hears each problem of the reading.
  Redactor(PendingText& ioText, Pseudonyms& ioPseudonyms, bool iUuids,
           std::function<void(const zyn::reader::Problem&)> iOnProblem = {})
      : state_{ioText, ioPseudonyms, iUuids, zyn::reader::Form::Unknown, {}},
        onProblem_(std::move(iOnProblem)) {}

  void OnForm(zyn::reader::Form iForm, std::uint64_t /*iDecidedAtLine*/) override {
    state_.form = iForm;
  }
  void OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) override;
  void OnDmtRow(const zyn::reader::DmtRow& iRow) override;
  void OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) override;
  void OnEnvironment(const zyn::reader::Environment& iEnvironment) override;
  void OnRmtRow(const zyn::reader::RmtRow& iRow) override;
  void OnComponent(const zyn::reader::Component& iComponent) override;
  void OnRaw(const zyn::reader::RawLine& iRaw) override;
  bool OnProblem(const zyn::reader::Problem& iProblem) override {
    if (onProblem_) onProblem_(iProblem);
    return true;
  }

  /// Writes out the rest of the text (unless a node failed). False when a write failed.
  bool Finish();
  /// Why the text cannot be redacted, in words; empty when it can.
  const std::string& Failure() const { return state_.failure; }
  /// The lines left out, unplaced (each counted once).
  std::uint64_t LinesLeftOut() const { return linesLeftOut_; }

 private:
  /// Writes out the lines before iLine, which no later node touches.
  void WriteBefore(std::uint64_t iLine);

  RedactionState state_;
  std::function<void(const zyn::reader::Problem&)> onProblem_;
  bool writeFailed_ = false;
  std::uint64_t linesLeftOut_ = 0;
  std::uint64_t lastLineLeftOut_ = 0;
};

}  // namespace zyn::redact
