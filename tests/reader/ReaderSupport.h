// What the reader's tests share: dumping a table in both forms through the loaded module, and
// reading a dump's text back into whole trees kept for comparison.
#pragma once

#include <string>
#include <vector>

#include "support/Harness.h"
#include "zyn/reader/DumpReader.h"
#include "zyn/reader/TreeJson.h"

namespace zyn_test {

/// The text of one dump in each form, with a constant trace-tool state for each.
struct BothForms {
  std::string output;  // the standard-output form
  std::string trace;   // the trace tool's text
};

/// Dumps iObject once with the trace tool invalid and once valid with trace type 1 (so that
/// the trace tool receives the Pell PLMID's text).
inline BothForms DumpInBothForms(zyn::mem::MemObject* iObject, int iLevel, int iMode, int iIndex) {
  BothForms forms;
  ZynIMpgDump_var dump(iObject->Unknown());
  if (!dump) return forms;
  {
    CapturedStdout output;
    ZynDCIMpgTraceTool::SetValid(false);
    dump->Dump(iLevel, iMode, iIndex);
    forms.output = output.str();
  }
  {
    CapturedTrace trace;
    ZynDCIMpgTraceTool::SetValid(true);
    ZynDCIMpgTraceTool::_traceType = 1;
    dump->Dump(iLevel, iMode, iIndex);
    ZynDCIMpgTraceTool::SetValid(false);
    ZynDCIMpgTraceTool::_traceType = 0;
    forms.trace = trace.text;
  }
  return forms;
}

/// Every node and problem of a reading, kept.
struct Tree : zyn::reader::DumpVisitor {
  std::vector<zyn::reader::ManagerHeader> headers;
  std::vector<zyn::reader::DmtRow> dmtRows;
  std::vector<zyn::reader::ManagerTrailer> trailers;
  std::vector<zyn::reader::RmtRow> rmtRows;
  std::vector<zyn::reader::Component> components;
  std::vector<zyn::reader::Environment> environments;
  std::vector<zyn::reader::RawLine> raws;
  std::vector<zyn::reader::Problem> problems;
  zyn::reader::ReadOutcome outcome;

  void OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) override {
    headers.push_back(iHeader);
  }
  void OnDmtRow(const zyn::reader::DmtRow& iRow) override { dmtRows.push_back(iRow); }
  void OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) override {
    trailers.push_back(iTrailer);
  }
  void OnRmtRow(const zyn::reader::RmtRow& iRow) override { rmtRows.push_back(iRow); }
  void OnComponent(const zyn::reader::Component& iComponent) override {
    components.push_back(iComponent);
  }
  void OnEnvironment(const zyn::reader::Environment& iEnvironment) override {
    environments.push_back(iEnvironment);
  }
  void OnRaw(const zyn::reader::RawLine& iRaw) override { raws.push_back(iRaw); }
  bool OnProblem(const zyn::reader::Problem& iProblem) override {
    problems.push_back(iProblem);
    return true;
  }

  /// The problems of severity Error, one per line, for messages.
  std::string Errors() const {
    std::string text;
    for (const zyn::reader::Problem& problem : problems)
      if (problem.severity == zyn::reader::Severity::Error)
        text += std::to_string(problem.line) + ":" + std::to_string(problem.column) + ": " +
                problem.message + "\n";
    return text;
  }
};

inline Tree Read(const std::string& iText, zyn::reader::ReadOptions iOptions = {}) {
  Tree tree;
  zyn::reader::MemorySource source(iText);
  tree.outcome = zyn::reader::ReadDump(source, iOptions, tree);
  return tree;
}

}  // namespace zyn_test
