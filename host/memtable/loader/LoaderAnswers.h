// The answers a table file gives its objects' operations, checked and set on the objects.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "loader/LoaderReferences.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem::loader {

/// Where in a value a fault lies (appended to the value's place, as ".length" or "[2]") and
/// what it is.
struct Problem {
  std::string where;
  std::string what;
  /// Records the fault; answers false, for the refusal to return.
  bool Set(std::string iWhere, std::string iWhat) {
    where = std::move(iWhere);
    what = std::move(iWhat);
    return false;
  }
};

/// Sets iValue as the answer of iOp on iObject, defined under the id numbered iObjectId. The
/// answer is a value of iOp's kind, or {"result": R, "value": V} for a result with or without a
/// value (the two bool queries answer their value directly and take no result). Answers naming
/// other objects go to ioReferences, to be settled later. False with oProblem at the first
/// fault; iObject may then hold some of the answer, and the table is to be dropped.
bool ApplyAnswer(MemObject* iObject, std::uint32_t iObjectId, Op iOp, const TableValue& iValue,
                 References& ioReferences, Problem* oProblem);

}  // namespace zyn::mem::loader
