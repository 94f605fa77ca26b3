// Contract checks of the host's operations: a call that passes what an operation does not
// expect is recorded as a violation, so that whoever runs the caller can report it and fail.
//
// A host that only answered would never notice a caller that calls it wrongly: a flag it
// ignores, a level it does not write at, a buffer it does not need zeroed. Each operation
// therefore states the points of its contract where they are checked, beside the operation,
// with ZYN_CONTRACT. The operation then goes on as well as it can, as it did before the check:
// the record, not the answer, tells that the caller is at fault.
#pragma once

#include <string>
#include <vector>

#define ZYN_EXPORT __attribute__((visibility("default")))

class ZYN_EXPORT ZynContract {
 public:
  /// Records one call of iOperation ("ZynTrace::TraPut") that lacked iExpected ("the level
  /// 2"). Both texts are copied. Thread-safe; allocates only here, on the path of a fault.
  [[gnu::cold, gnu::noinline]] static void Violated(const char* iOperation, const char* iExpected);
  /// Number of violations recorded since the last Take.
  static long Count();
  /// One line per distinct violation, in the order first recorded:
  /// "ZynTrace::TraPut: expected the level 2 (3 calls)". Clears the record.
  static std::vector<std::string> Take();
};

/// Checks one point of an operation's contract: a branch when it holds, a record when not.
#define ZYN_CONTRACT(iCondition, iOperation, iExpected) \
  (__builtin_expect(static_cast<bool>(iCondition), 1)   \
       ? static_cast<void>(0)                           \
       : ZynContract::Violated((iOperation), (iExpected)))
