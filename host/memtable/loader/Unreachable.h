// ZYN_UNREACHABLE(): marks a branch that the code's own invariants rule out.
#pragma once

#include <cstdio>
#include <cstdlib>

#ifdef NDEBUG
/// A branch no input can reach: the compiler may assume it is never taken.
#define ZYN_UNREACHABLE() __builtin_unreachable()
#else
/// A branch no input can reach: a debug build that reaches it says where, and aborts.
#define ZYN_UNREACHABLE() \
  (std::fprintf(stderr, "%s:%d: unreachable branch reached\n", __FILE__, __LINE__), std::abort())
#endif
