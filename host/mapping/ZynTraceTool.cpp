// The mapping infrastructure's trace tool: its validity schedule and where its texts go.
//
// IsValid is asked before every emission of every dump, on every dumping thread: while the
// schedule has one entry it loads its answer and counts the check, taking a lock only while a
// schedule of several entries is set. TraPut and TraPrint write into the room their output
// lends when it lends some, formatting there directly; otherwise they hand the text over.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "ZynSplitFormat.h"
#include "ZynTextCopy.h"
#include "ZynTraceFormat.h"
#include "zyn/ZynCallLog.h"
#include "zyn/ZynMappingInfra.h"

int ZynDCIMpgTraceTool::_traceType = 0;

namespace {

/// The one level the trace tool is written at.
constexpr int kTraceLevel = 2;

/// Room for the texts of ordinary formats; longer ones are formatted on the heap.
constexpr int kStackTextSize = 512;

/// The answer of every check while the schedule has one entry (0 or 1); -1 while it has several.
std::atomic<int> gConstantValidity{0};
/// The checks since the schedule was set.
std::atomic<long> gValidityChecks{0};

/// A schedule of several entries, read under its lock.
struct Schedule {
  std::mutex mutex;
  std::vector<bool> entries{false};
};

Schedule& TheSchedule() {
  static auto* schedule = new Schedule;
  return *schedule;
}

std::atomic<ZynTraceToolOutput*> gOutput{nullptr};

/// Whether an observer of the calls is installed: the calls then take the observed path.
inline bool Observed() {
  return zyn_call_log::gObserver.load(std::memory_order_acquire) != nullptr;
}

/// The validity a schedule of several entries gives this check, counted.
[[gnu::noinline]] unsigned char ScheduledValidity() {
  Schedule& schedule = TheSchedule();
  std::lock_guard<std::mutex> lock(schedule.mutex);
  const auto position =
      static_cast<std::size_t>(gValidityChecks.fetch_add(1, std::memory_order_relaxed));
  const std::size_t last = schedule.entries.size() - 1;
  return schedule.entries[position < last ? position : last] ? 1 : 0;
}

/// A call of iOperation on the trace tool, as the call observer is told it.
ZynCall ToolCall(const char* iOperation) {
  ZynCall call;
  call.callee = ZynCall::Callee::TraceTool;
  call.interfaceName = "ZynDCIMpgTraceTool";
  call.operation = iOperation;
  return call;
}

/// Tells the observer of a write on the trace tool, when observed.
void TellWrite(const ZynObservedCall& iObserved, const char* iOperation, int iLevel,
               const char* iText) {
  if (!iObserved) return;
  ZynCall call = ToolCall(iOperation);
  call.level = iLevel;
  call.text = iText;
  iObserved.Tell(call);
}

/// Tells the observer, when there is one, of an IsValid that answers iValid; answers iValid.
[[gnu::noinline]] unsigned char TellValidity(unsigned char iValid) {
  if (const ZynObservedCall observed; observed) {
    ZynCall call = ToolCall("IsValid");
    call.answer = ZynCall::Answer::Flag;
    call.result = iValid != 0;
    observed.Tell(call);
  }
  return iValid;
}

/// The bytes left in the room that iOutput lends; 0 when it lends none.
inline std::size_t RoomLeft(const ZynTraceToolOutput& iOutput) {
  return static_cast<std::size_t>(iOutput.room.end - iOutput.room.next);
}

/// Whether ioOutput's room holds iLength bytes, after asking it for more when it lends some.
inline bool RoomFor(ZynTraceToolOutput& ioOutput, std::size_t iLength) {
  if (!ioOutput.room.next) return false;
  return RoomLeft(ioOutput) >= iLength || ioOutput.OnRoomFull(iLength);
}

/// Copies iText into ioOutput's room when it lends room enough; false otherwise.
inline bool CopyIntoRoom(ZynTraceToolOutput& ioOutput, const char* iText, std::size_t iLength) {
  if (!RoomFor(ioOutput, iLength)) return false;
  std::memcpy(ioOutput.room.next, iText, iLength);
  ioOutput.room.next += iLength;
  return true;
}

/// Formats iFormat straight into ioOutput's room when it lends room and the format has only
/// the common conversions: from the format's pieces when it is split, else by the formatter.
/// False otherwise, the room's next left where it was. Reads iValues.
[[gnu::always_inline]] inline bool FormatIntoRoom(ZynTraceToolOutput& ioOutput, const char* iFormat,
                                                  va_list iValues) {
  static_assert(zyn::trace::SplitFormat::kMostRoom <= kStackTextSize);
  if (!RoomFor(ioOutput, kStackTextSize)) return false;
  ZynTraceToolOutput::Room& room = ioOutput.room;
  if (const zyn::trace::SplitFormat* split = zyn::trace::FindKept(iFormat)) {
    char* end = zyn::trace::WritePieces(room.next, room.end, *split, iValues);
    if (!end) return false;
    room.next = end;
    return true;
  }
  const int length = zyn::trace::FormatCommonConversions(
      room.next, static_cast<std::size_t>(room.end - room.next), iFormat, iValues);
  if (length < 0) return false;
  room.next += length;
  return true;
}

/// Formats iFormat into oStack, or into oHeap when too long for it, and answers the text and
/// its length: the common conversions by the trace tool's formatter, any other format by the
/// C library. Reads iValues.
const char* FormatAside(char (&oStack)[kStackTextSize], std::vector<char>& oHeap,
                        const char* iFormat, va_list iValues, std::size_t* oLength) {
  va_list again;
  va_copy(again, iValues);
  int length = zyn::trace::FormatCommonConversions(oStack, sizeof oStack, iFormat, iValues);
  const char* text = oStack;
  if (length < 0) {
    va_list third;
    va_copy(third, again);
    length = std::vsnprintf(oStack, sizeof oStack, iFormat, again);
    if (length < 0) {
      oStack[0] = '\0';
    } else if (length >= kStackTextSize) {
      oHeap.resize(static_cast<std::size_t>(length) + 1);
      std::vsnprintf(oHeap.data(), oHeap.size(), iFormat, third);
      text = oHeap.data();
    }
    va_end(third);
    // A conversion such as %c may have written a zero byte: the text ends there.
    length = static_cast<int>(std::strlen(text));
  }
  va_end(again);
  *oLength = static_cast<std::size_t>(length);
  return text;
}

/// Writes a TraPrint's text formatted aside, then copied into ioOutput's room when it has room,
/// else handed over (to standard error when there is no output). Reads iValues.
[[gnu::noinline]] void PrintAside(ZynTraceToolOutput* ioOutput, int iLevel, const char* iFormat,
                                  va_list iValues) {
  char stackText[kStackTextSize];
  std::vector<char> heapText;
  std::size_t length = 0;
  const char* text = FormatAside(stackText, heapText, iFormat, iValues, &length);
  if (!ioOutput)
    std::fputs(text, stderr);
  else if (!CopyIntoRoom(*ioOutput, text, length))
    ioOutput->OnTraPrintMeasured(iLevel, iFormat, text, length);
}

/// Writes a TraPrint's text: formatted straight into the output's room when it can be, aside
/// otherwise. Reads iValues.
void Print(int iLevel, const char* iFormat, va_list iValues) {
  const char* format = iFormat ? iFormat : "";
  ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire);
  va_list attempt;
  va_copy(attempt, iValues);
  const bool formatted = output && FormatIntoRoom(*output, format, attempt);
  va_end(attempt);
  if (!formatted) PrintAside(output, iLevel, format, iValues);
}

/// Print, the call told to the observer.
[[gnu::noinline]] void PrintObserved(int iLevel, const char* iFormat, va_list iValues) {
  const ZynObservedCall observed;
  Print(iLevel, iFormat, iValues);
  TellWrite(observed, "TraPrint", iLevel, iFormat);
}

/// Writes a TraPut's text: copied into the output's room when it has room, otherwise handed
/// over (to standard error when there is no output).
inline void Put(int iLevel, const char* iText) {
  ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire);
  if (!output)
    std::fputs(iText, stderr);
  else if (!output->room.next || !CopyIntoRoom(*output, iText, std::strlen(iText)))
    output->OnTraPut(iLevel, iText);
}

/// Put, the call told to the observer.
[[gnu::noinline]] void PutObserved(int iLevel, const char* iText) {
  const ZynObservedCall observed;
  Put(iLevel, iText ? iText : "");
  TellWrite(observed, "TraPut", iLevel, iText);
}

/// A TraPut that the common case did not write: its contract checked, the call told to the
/// observer when there is one.
[[gnu::noinline]] void PutChecked(int iLevel, const char* iText) {
  ZYN_CONTRACT(iLevel == kTraceLevel, "ZynDCIMpgTraceTool::TraPut", "the level 2");
  ZYN_CONTRACT(iText != nullptr, "ZynDCIMpgTraceTool::TraPut", "a text");
  if (Observed())
    PutObserved(iLevel, iText);
  else
    Put(iLevel, iText ? iText : "");
}

/// A TraPrint that the common case did not write: its contract checked, the call told to the
/// observer when there is one, the text formatted into the output's room when it can be, aside
/// otherwise. Reads iValues.
[[gnu::noinline]] void PrintChecked(int iLevel, const char* iFormat, va_list iValues) {
  ZYN_CONTRACT(iLevel == kTraceLevel, "ZynDCIMpgTraceTool::TraPrint", "the level 2");
  ZYN_CONTRACT(iFormat != nullptr, "ZynDCIMpgTraceTool::TraPrint", "a format");
  if (Observed())
    PrintObserved(iLevel, iFormat, iValues);
  else
    Print(iLevel, iFormat, iValues);
}

}  // namespace

unsigned char ZynDCIMpgTraceTool::IsValid() {
  const int constant = gConstantValidity.load(std::memory_order_acquire);
  unsigned char valid;
  if (constant >= 0) {
    // A load and a store rather than an atomic increment: see CountValidityChecks.
    gValidityChecks.store(gValidityChecks.load(std::memory_order_relaxed) + 1,
                          std::memory_order_relaxed);
    valid = static_cast<unsigned char>(constant);
  } else {
    valid = ScheduledValidity();
  }
  return Observed() ? TellValidity(valid) : valid;
}

void ZynDCIMpgTraceTool::SetValidity(const std::vector<bool>& iSchedule) {
  Schedule& schedule = TheSchedule();
  std::lock_guard<std::mutex> lock(schedule.mutex);
  schedule.entries = iSchedule.empty() ? std::vector<bool>{false} : iSchedule;
  gValidityChecks.store(0, std::memory_order_relaxed);
  gConstantValidity.store(schedule.entries.size() == 1 ? (schedule.entries[0] ? 1 : 0) : -1,
                          std::memory_order_release);
}

long ZynDCIMpgTraceTool::CountValidityChecks() {
  return gValidityChecks.load(std::memory_order_relaxed);
}

void ZynDCIMpgTraceTool::SetOutput(ZynTraceToolOutput* iOutput) {
  gOutput.store(iOutput, std::memory_order_release);
}

HRESULT ZynDCIMpgTraceTool::TraPut(int iLevel, const char* iText) {
  // The common case, copied straight into the output's room: what the contract asks for, no
  // observer, room lent and enough of it.
  ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire);
  if (iLevel == kTraceLevel && iText && output && output->room.next && !Observed()) {
    const std::size_t length = std::strlen(iText);
    if (RoomLeft(*output) >= length) {
      zyn::trace::CopyText(output->room.next, iText, length);
      output->room.next += length;
      return S_OK;
    }
  }
  PutChecked(iLevel, iText);
  return S_OK;
}

HRESULT ZynDCIMpgTraceTool::TraPrint(int iLevel, const char* iFormat, ...) {
  va_list values;
  va_start(values, iFormat);
  // The common case, written from the format's kept pieces straight into the output's room:
  // what the contract asks for, no observer, room lent and enough of it. The values are read
  // again only when a %s value does not fit.
  ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire);
  if (iLevel == kTraceLevel && iFormat && output && output->room.next && !Observed()) {
    const zyn::trace::SplitFormat* split = zyn::trace::FindKept(iFormat);
    if (split && RoomLeft(*output) >= split->room) {
      char* end = zyn::trace::WritePieces(output->room.next, output->room.end, *split, values);
      va_end(values);
      if (end) {
        output->room.next = end;
        return S_OK;
      }
      va_start(values, iFormat);
      PrintChecked(kTraceLevel, iFormat, values);
      va_end(values);
      return S_OK;
    }
  }
  PrintChecked(iLevel, iFormat, values);
  va_end(values);
  return S_OK;
}
