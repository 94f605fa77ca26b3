// Every `new T[n]` of the test process (the module's text buffers among them) goes through
// these controls: a failure injected at a chosen allocation, and the refusal of huge arrays.
#pragma once

#include <cstddef>

namespace zyn_test {

/// While armed, array allocations are numbered from 0 in gArrayCalls; the one numbered
/// gArrayFailure throws std::bad_alloc.
extern bool gArraysArmed;
extern long gArrayCalls;
extern long gArrayFailure;

/// Arrays of more than kLargestArray bytes are always refused with std::bad_alloc, and the size
/// of the last one asked for is kept: a dump that asks for one shows how long a text it set out
/// to print, without the memory being taken.
inline constexpr std::size_t kLargestArray = std::size_t{1} << 30;
extern std::size_t gRefusedArrayBytes;

}  // namespace zyn_test
