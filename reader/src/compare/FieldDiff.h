// Field-by-field comparison of two nodes, under the rule of DumpDiff.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "zyn/reader/DumpDiff.h"
#include "zyn/reader/RowFields.h"

namespace zyn::reader {

/// Walks the fields of one node.
using FieldWalk = std::function<void(FieldVisitor&)>;

/// The changed fields of two nodes whose fields iWalkA and iWalkB walk, in the order of A's
/// fields, then those only B holds; each path is iPrefix, ".", and the field's path. The fields
/// not compared (held by one node only, of role FormDependent) are added to oNotCompared.
std::vector<FieldChange> CompareFields(const FieldWalk& iWalkA, const FieldWalk& iWalkB,
                                       const std::string& iPrefix,
                                       std::vector<NotComparedField>* oNotCompared);

/// Where a row stands: its uuid, ordinal, first line and position in its list (from 1).
NodePlace PlaceOf(const RowHeader& iHeader, const SourceSpan& iSpan, std::uint64_t iPosition);

}  // namespace zyn::reader
