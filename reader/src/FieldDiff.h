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
/// fields, then those only B holds; each path is iPrefix, ".", and the field's path.
std::vector<FieldChange> CompareFields(const FieldWalk& iWalkA, const FieldWalk& iWalkB,
                                       const std::string& iPrefix);

/// Where a row stands: its uuid, ordinal and first line.
NodePlace PlaceOf(const RowHeader& iHeader, const SourceSpan& iSpan);

}  // namespace zyn::reader
