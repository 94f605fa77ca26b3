// The five named traces (NamedTraces.def) that each of the provider, Orv and Pell dump units holds
// for itself.
#pragma once

#include "zyn/ZynTrace.h"

namespace zyn_mpg {

/// One unit's set, built in member order and destroyed in reverse. Of the five, the dumps
/// write only to `mapping` and `providerComponent`; the others are built and receive nothing.
struct NamedTraces {
#define ZYN_MPG_NAMED_TRACE(Member, Name, Description) \
  ZynTrace Member{Name, Description, ZynTraModeDefault, "STDOUT", 1024};
#include "NamedTraces.def"  // names and descriptions
#undef ZYN_MPG_NAMED_TRACE
};

// Static construction order of the module: the module object first, then the traces of the
// provider, Orv and Pell units, in that order (destruction runs in reverse).
#define ZYN_MPG_MODULE_OBJECT_PRIORITY 101
#define ZYN_MPG_PROVIDER_TRACES_PRIORITY 102
#define ZYN_MPG_ORV_TRACES_PRIORITY 103
#define ZYN_MPG_PELL_TRACES_PRIORITY 104

}  // namespace zyn_mpg
