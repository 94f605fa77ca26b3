// The five named traces (NamedTraces.def) that each of the provider, Orv and Pell dump units holds
// for itself.
#pragma once

#include "frame/DumpChannel.h"
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

/// The exposed-identifier tail of the provider, Orv and Pell dumps, which goes to the unit's
/// named traces whatever the channel's sink. Only when the provider component trace is active:
/// the extended object is asked for (iExtension's GetImpl with 0) and cast to the component
/// interface, the heading goes to that trace (after a line end on the mapping trace, where
/// iLineEndOnMapping asks for one), the component's exposed identifier is asked for, and
/// written nowhere, and the handle is released, then the identifier. The component interface is not
/// tested: without it the call raises the host's null-handle error after the heading. What
/// ioLine holds is written before anything goes to the traces, which may write on standard
/// output.
inline void TraceExposedIdentifier(NamedTraces& ioTraces, const ZynBaseUnknown& iExtension,
                                   const char* iHeading, bool iLineEndOnMapping,
                                   HeldOutput& ioLine) {
  if (!ioTraces.providerComponent.IsActive()) return;
  ioLine.WritePending();
  ZynIDCIMpgComponent_var component(iExtension.GetImpl(0));
  if (iLineEndOnMapping) ioTraces.mapping.TraPut(kTraceLevel, "\n");
  ioTraces.providerComponent.TraPut(kTraceLevel, iHeading);
  ZynBinary exposedIdentifier;
  component->GetExposedIdentifier(exposedIdentifier);
  component = nullptr;  // the handle is released before the identifier is destroyed
}

// Static construction order of the module: the module object first, then the traces of the
// provider, Orv and Pell units, in that order (destruction runs in reverse).
#define ZYN_MPG_MODULE_OBJECT_PRIORITY 101
#define ZYN_MPG_PROVIDER_TRACES_PRIORITY 102
#define ZYN_MPG_ORV_TRACES_PRIORITY 103
#define ZYN_MPG_PELL_TRACES_PRIORITY 104

}  // namespace zyn_mpg
