// The module's file name and marker as texts, and the names of its named traces, for the
// hosts that load it.
#pragma once

#include <array>

namespace zyn_mpg_identity {

#define ZYN_MPG_MODULE_NAME(Name) inline constexpr char kModuleFileName[] = #Name ".so";
#define ZYN_MPG_MODULE_MARKER(Marker) inline constexpr char kModuleMarker[] = #Marker;
#include "ModuleIdentity.def"
#undef ZYN_MPG_MODULE_NAME
#undef ZYN_MPG_MODULE_MARKER

/// The names of the module's named traces, in the order the module builds them.
inline constexpr std::array kTraceNames = {
#define ZYN_MPG_NAMED_TRACE(Member, Name, Description) Name,
#include "NamedTraces.def"
#undef ZYN_MPG_NAMED_TRACE
};

}  // namespace zyn_mpg_identity
