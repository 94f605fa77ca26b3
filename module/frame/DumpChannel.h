// The dump channel: every text a dump writes goes to the trace tool when it reports itself
// valid, otherwise to standard output, the choice being made afresh at each emission.
#pragma once

#include <cstddef>
#include <iostream>

#include "zyn/ZynMappingInfra.h"

namespace zyn_mpg {

/// Every trace-tool write of the module uses this level.
inline constexpr int kTraceLevel = 2;

/// One emission: asks the trace tool once, then runs the Trace form (a sequence of TracePut and
/// TracePrint) or the Output form (insertions into the stream it is given, std::endl where a
/// line ends). Nothing is written to the other sink. The two forms are written side by side at
/// each call site; neither is derived from the other.
template <class TraceForm, class OutputForm>
inline void Emit(TraceForm&& iTrace, OutputForm&& iOutput) {
  if (ZynDCIMpgTraceTool::IsValid())
    iTrace();
  else
    iOutput(std::cout);
}

/// A fixed text on the trace tool.
inline void TracePut(const char* iText) { ZynDCIMpgTraceTool::TraPut(kTraceLevel, iText); }

/// A text with values on the trace tool. The format is always one of the module's literals;
/// host texts are passed as values, never as the format.
template <class... Values>
inline void TracePrint(const char* iFormat, Values... iValues) {
  ZynDCIMpgTraceTool::TraPrint(kTraceLevel, iFormat, iValues...);
}

/// A fixed text that is the same on both sinks, in one call. A final "\n" ends the line, written
/// as std::endl on standard output. Where the two forms differ, the call site writes both with
/// Emit, so that each difference stands out.
template <std::size_t N>
inline void EmitSame(const char (&iText)[N]) {
  static_assert(N >= 2, "a fixed text is not empty");
  Emit([&] { TracePut(iText); },
       [&](std::ostream& out) {
         if (iText[N - 2] == '\n')
           out.write(iText, N - 2) << std::endl;
         else
           out << iText;
       });
}

/// Writes the uuid's text where the caller's line stands, choosing its sink for itself; ends no
/// line.
void PrintUuid(const ZynUuid& iUuid);

}  // namespace zyn_mpg
