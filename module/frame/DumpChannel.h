// The dump channel: every text a dump writes goes to the trace tool when it reports itself
// valid, otherwise to standard output, the choice being made afresh at each emission.
#pragma once

#include <cstddef>
#include <cstring>
#include <exception>
#include <iostream>

#include "frame/OutputLine.h"
#include "zyn/ZynMappingInfra.h"

namespace zyn_mpg {

/// Forces the inlining of an emission and of the helpers that take a fixed text, so that each
/// call site compiles its own forms in place (a literal's length and final "\n" known at
/// compile time) instead of calling one shared copy.
#define ZYN_MPG_EMISSION inline __attribute__((always_inline))

/// Every trace-tool write of the module uses this level.
inline constexpr int kTraceLevel = 2;

/// One emission: asks the trace tool once, then runs the Trace form (a sequence of TracePut and
/// TracePrint) or the Output form (insertions into std::cout, std::endl where a line ends,
/// gathered by an OutputLine so that each line reaches the stream in one write). Nothing is
/// written to the other sink. The two forms are written side by side at each call site; neither
/// is derived from the other.
template <class TraceForm, class OutputForm>
ZYN_MPG_EMISSION void Emit(TraceForm&& iTrace, OutputForm&& iOutput) {
  if (ZynDCIMpgTraceTool::IsValid()) {
    iTrace();
  } else {
    OutputLine out(std::cout);
    iOutput(out);
    out.WritePending();
  }
}

/// One emission whose Output pieces join those that ioLine holds: asks the trace tool afresh,
/// exactly as Emit does; the Trace form writes what ioLine holds first, the Output form reads
/// the stream's state again (host code may have run since ioLine's last piece). Between its
/// emissions the caller makes only host queries, which write nothing on standard output.
template <class TraceForm, class OutputForm>
ZYN_MPG_EMISSION void EmitInto(OutputLine& ioLine, TraceForm&& iTrace, OutputForm&& iOutput) {
  if (ZynDCIMpgTraceTool::IsValid()) {
    ioLine.WritePending();
    iTrace();
  } else {
    ioLine.Reread();
    iOutput(ioLine);
  }
}

/// Consecutive emissions whose Output pieces share one OutputLine, so that a line made of
/// several emissions (a row's header) reaches the stream in one write, at its std::endl or
/// when the holder goes. Each emission still asks the trace tool afresh, exactly as Emit does;
/// one that goes to the trace tool writes what is pending on standard output first. Between
/// its emissions the caller makes only host queries, which write nothing on standard output.
class HeldOutput {
 public:
  HeldOutput() = default;
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;
  /// Writes what is pending; an exception of the stream's goes to the caller, unless another
  /// is already on its way.
  ~HeldOutput() noexcept(false) {
    if (out_.Pending() && std::uncaught_exceptions() == 0) out_.WritePending();
  }

  template <class TraceForm, class OutputForm>
  ZYN_MPG_EMISSION void Emit(TraceForm&& iTrace, OutputForm&& iOutput) {
    EmitInto(out_, iTrace, iOutput);
  }

  /// Writes what is pending: before code that may write on standard output itself.
  void WritePending() { out_.WritePending(); }
  /// The line the emissions share.
  OutputLine& Line() { return out_; }

 private:
  OutputLine out_{std::cout};
};

/// A fixed text on the trace tool.
inline void TracePut(const char* iText) { ZynDCIMpgTraceTool::TraPut(kTraceLevel, iText); }

/// A text with values on the trace tool. The format is always one of the module's literals;
/// host texts are passed as values, never as the format.
template <class... Values>
inline void TracePrint(const char* iFormat, Values... iValues) {
  ZynDCIMpgTraceTool::TraPrint(kTraceLevel, iFormat, iValues...);
}

/// One of the module's fixed texts with its length, made from a literal (or a constant array
/// holding one), so that the length is known at compile time; never a text of the host's.
struct FixedText {
  /// The empty text, for a table's unused entries.
  constexpr FixedText() : text(""), length(0) {}
  template <std::size_t N>
  constexpr FixedText(const char (&iText)[N])  // NOLINT(google-explicit-constructor): literals
      : text(iText), length(N - 1) {}

  const char* text;
  std::size_t length;
  /// Whether the text ends its line.
  constexpr bool EndsLine() const { return length != 0 && text[length - 1] == '\n'; }
};

/// Writes a fixed text on standard output; a final "\n" is written as std::endl.
ZYN_MPG_EMISSION void OutputText(OutputLine& out, FixedText iText) {
  if (iText.EndsLine())
    out.WriteLine(iText.text, iText.length - 1);
  else
    out.write(iText.text, static_cast<std::streamsize>(iText.length));
}

/// A fixed text that is the same on both sinks, in one call. A final "\n" ends the line, written
/// as std::endl on standard output. Where the two forms differ, the call site writes both with
/// Emit, so that each difference stands out.
ZYN_MPG_EMISSION void EmitSame(FixedText iText) {
  Emit([&] { TracePut(iText.text); }, [&](OutputLine& out) { OutputText(out, iText); });
}
/// The same, as one of ioHeld's emissions.
ZYN_MPG_EMISSION void EmitSame(HeldOutput& ioHeld, FixedText iText) {
  ioHeld.Emit([&] { TracePut(iText.text); }, [&](OutputLine& out) { OutputText(out, iText); });
}

/// A row's ordinal piece, opening its header and its closing line: `numbered`, a format holding
/// one "%d", for a row at a position, `unnumbered` for a row without one (position 0). Both are
/// given whole: their blanks differ from one kind of row to the other.
struct OrdinalText {
  const char* numbered;
  const char* unnumbered;
  /// Where the "%d" of `numbered` stands, found once (at compile time for the dumps' texts).
  std::size_t countAt = CountMark(numbered);

  /// The position of the first "%d" of iFormat, which holds one.
  static constexpr std::size_t CountMark(const char* iFormat) {
    std::size_t at = 0;
    while (!(iFormat[at] == '%' && iFormat[at + 1] == 'd')) ++at;
    return at;
  }
};

inline void TraceOrdinal(const OrdinalText& iText, int iIndex) {
  if (iIndex != 0)
    TracePrint(iText.numbered, iIndex);
  else
    TracePut(iText.unnumbered);
}

inline void OutputOrdinal(OutputLine& out, const OrdinalText& iText, int iIndex) {
  if (iIndex == 0) {
    out << iText.unnumbered;
    return;
  }
  out.write(iText.numbered, static_cast<std::streamsize>(iText.countAt))
      << iIndex << iText.numbered + iText.countAt + 2;
}

inline void EmitOrdinal(HeldOutput& ioHeld, const OrdinalText& iText, int iIndex) {
  ioHeld.Emit([&] { TraceOrdinal(iText, iIndex); },
              [&](OutputLine& out) { OutputOrdinal(out, iText, iIndex); });
}

/// Whether the dumps of a list's elements carry their positions as ordinals.
enum class Ordinals : bool { None, Positions };

/// Dumps, with iLevel and mode 1, each element of a list that has a dump, in the list's order
/// (positions 1 to iCount). With Ordinals::Positions an element's ordinal is its own position,
/// so one without a dump leaves its number unused; with Ordinals::None every ordinal is 0. The
/// one handle ioDump serves every element; each cast replaces what it held.
template <class List>
void DumpEach(ZynIMpgDump_var& ioDump, List& iList, int iCount, int iLevel, Ordinals iOrdinals) {
  for (int position = 1; position <= iCount; ++position) {
    ioDump.__CastTo(iList[position]);
    if (ioDump) ioDump->Dump(iLevel, 1, iOrdinals == Ordinals::Positions ? position : 0);
  }
}

/// Writes the uuid's text where the caller's line stands, choosing its sink for itself, as an
/// emission into ioLine (EmitInto); ends no line.
void PrintUuid(OutputLine& ioLine, const ZynUuid& iUuid);
/// The same, as one of ioHeld's emissions.
inline void PrintUuid(HeldOutput& ioHeld, const ZynUuid& iUuid) { PrintUuid(ioHeld.Line(), iUuid); }
/// The same, as an emission of its own.
inline void PrintUuid(const ZynUuid& iUuid) {
  HeldOutput alone;
  PrintUuid(alone, iUuid);
}

/// The text written in place of a uuid that could not be read, on either sink.
inline constexpr char kInvalidUuid[] = "invalid element uuid";

/// A row's uuid as its header wrote it, which the closing line repeats.
struct RowUuid {
  ZynUuid value;
  bool read = false;
  /// The uuid, or null when it could not be read (the closing line then writes kInvalidUuid).
  const ZynUuid* IfRead() const { return read ? &value : nullptr; }
};

/// Writes a row's header up to its uuid, as emissions of ioHeld (the caller ends the line with
/// it): the ordinal piece (iHeader), then the uuid read through the row's private interface,
/// or kInvalidUuid when it cannot be read; ends no line. Without the private interface only
/// the ordinal piece is written and the answer is false: the row's dump fails there, its line
/// left open.
bool EmitRowHeaderUuid(HeldOutput& ioHeld, const OrdinalText& iHeader, int iIndex,
                       const ZynBaseUnknown* iElement, RowUuid* oUuid);

/// A row's closing line, for one form: the ordinal piece, the uuid (or kInvalidUuid when
/// iUuid is null: it could not be read) and iTail, a text ending the line. The uuid printer
/// still picks its own sink.
inline void TraceRowClosing(const OrdinalText& iOrdinal, int iIndex, const ZynUuid* iUuid,
                            FixedText iTail) {
  TraceOrdinal(iOrdinal, iIndex);
  if (iUuid)
    PrintUuid(*iUuid);
  else
    TracePut(kInvalidUuid);
  TracePut(iTail.text);
}
inline void OutputRowClosing(OutputLine& out, const OrdinalText& iOrdinal, int iIndex,
                             const ZynUuid* iUuid, FixedText iTail) {
  OutputOrdinal(out, iOrdinal, iIndex);
  if (iUuid) {
    PrintUuid(out, *iUuid);  // on a sink of its own choosing
  } else {
    out << kInvalidUuid;
  }
  OutputText(out, iTail);
}

}  // namespace zyn_mpg
