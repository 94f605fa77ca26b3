// Rebuilding a table from the tree of its dump: what the rebuilding of each node shares, and
// one function per kind of node. Each rebuilt object goes to Rebuild::emit as soon as it is
// complete, so that a table is written while its dump is read.
//
// The ids name what an object stands for: "dmt3", "dmt3.nonM1", "dmt3.m1", "dmt3.rmt1",
// "dmt3.rmt1.owner", ".ref", ".pointed", ".nonM1", ".m1.2" (the second M1 component that the
// dump shows), "manager", "manager.context", "environment", and "dmt", "rmt" or "component"
// for an object dumped on its own.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "LevelEvidence.h"
#include "TableObject.h"
#include "zyn/reader/DumpTree.h"

namespace mpgtree::table {

struct Rebuild {
  zyn::reader::Form form = zyn::reader::Form::Unknown;
  LevelEvidence levels;
  /// The headings of exposed identifiers on standard output: ZynMpgProviderComponentTrace was
  /// active.
  bool providerTraceHeadings = false;
  /// A Pell component's line end on standard output before such a heading: ZynMpgMappingTrace
  /// was active.
  bool mappingTraceLineEnds = false;
  /// A Pell component's PLMID text on the trace tool: the trace type was 1.
  bool tracePlmidTexts = false;
  /// The form that the values show where the reader's lines did not tell (a full PLMID block
  /// without its text, which standard output always holds; where an RMT file-based
  /// component's hash-key line ends).
  zyn::reader::Form formOfValues = zyn::reader::Form::Unknown;
  /// What could not be rebuilt, one entry each ("dmt2.m1: ...").
  std::vector<std::string> leftOut;
  /// The members of the objects being built.
  ObjectStack objects;
  /// Takes each object once it is complete.
  std::function<void(const TableObject&)> emit;

  void LeaveOut(std::string_view iId, std::string_view iWhat) {
    leftOut.push_back(std::string(iId) + ": " + std::string(iWhat));
  }
};

/// Where a component stands, which decides what an empty place means.
enum class PlaceKind {
  DmtComponent,  // "No ... component" stands for a component without a dump
  RmtLabelled,   // owner, Ref, pointed: dumped at level 0 under a label written only for them
  RmtNonM1,      // the RMT row's non-M1 block: empty for a component without a dump
};

/// Rebuilds the component of iPlace as iId, and answers ioOwner's query iQuery with the
/// reference to it (null for none).
void RebuildPlace(const zyn::reader::ComponentPlace& iPlace, const std::string& iId,
                  PlaceKind iKind, std::string_view iQuery, TableObject& ioOwner,
                  Rebuild& ioRebuild);

/// Rebuilds a component dumped at the dump's level (iLevels: ioRebuild.levels), or at level 0
/// whatever it is (iLevels: a record of its own).
void RebuildComponent(const zyn::reader::Component& iComponent, const std::string& iId,
                      LevelEvidence& iLevels, Rebuild& ioRebuild);

void RebuildDmtRow(const zyn::reader::DmtRow& iRow, const std::string& iId, Rebuild& ioRebuild);
void RebuildRmtRow(const zyn::reader::RmtRow& iRow, const std::string& iId, Rebuild& ioRebuild);
void RebuildEnvironment(const zyn::reader::Environment& iEnvironment, const std::string& iId,
                        Rebuild& ioRebuild);

/// Answers GetUuid with iUuid as the dump printed it (32 hexadecimal digits), or leaves it out.
void AnswerUuid(const std::string& iUuid, TableObject& ioObject, Rebuild& ioRebuild);

/// Emits a row of type iType without a dump, for a position that the dump skips.
void RebuildSkippedRow(const std::string& iId, std::string_view iType, Rebuild& ioRebuild);

/// The JSON list of ids iPrefix + 1 .. iPrefix + iCount.
std::string NumberedList(std::string_view iPrefix, std::int64_t iCount);

}  // namespace mpgtree::table
