// The mapping infrastructure's trace tool: its validity schedule and where its texts go.
//
// IsValid is asked before every emission of every dump, on every dumping thread: it costs one
// atomic increment, plus a short lock only while a schedule of several entries is set.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "ZynTraceFormat.h"
#include "zyn/ZynCallLog.h"
#include "zyn/ZynMappingInfra.h"

int ZynDCIMpgTraceTool::_traceType = 0;

namespace {

/// The one level the trace tool is written at.
constexpr int kTraceLevel = 2;

/// Room for the texts of ordinary formats; longer ones are formatted on the heap.
constexpr int kStackTextSize = 512;

struct Validity {
  /// The answer of every check while the schedule has one entry; -1 while it has several.
  std::atomic<int> constant{0};
  std::atomic<long> checks{0};
  std::mutex mutex;
  std::vector<bool> schedule{false};
};

Validity& TheValidity() {
  static auto* validity = new Validity;
  return *validity;
}

std::atomic<ZynTraceToolOutput*> gOutput{nullptr};

/// The validity the schedule gives this check.
unsigned char ScheduledValidity() {
  Validity& validity = TheValidity();
  const long position = validity.checks.fetch_add(1, std::memory_order_relaxed);
  const int constant = validity.constant.load(std::memory_order_acquire);
  if (constant >= 0) return static_cast<unsigned char>(constant);
  std::lock_guard<std::mutex> lock(validity.mutex);
  const std::vector<bool>& schedule = validity.schedule;
  const std::size_t last = schedule.size() - 1;
  const std::size_t index =
      static_cast<std::size_t>(position) < last ? static_cast<std::size_t>(position) : last;
  return schedule[index] ? 1 : 0;
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

}  // namespace

unsigned char ZynDCIMpgTraceTool::IsValid() {
  const unsigned char valid = ScheduledValidity();
  if (const ZynObservedCall observed; observed) {
    ZynCall call = ToolCall("IsValid");
    call.answer = ZynCall::Answer::Flag;
    call.result = valid != 0;
    observed.Tell(call);
  }
  return valid;
}

void ZynDCIMpgTraceTool::SetValidity(const std::vector<bool>& iSchedule) {
  Validity& validity = TheValidity();
  std::lock_guard<std::mutex> lock(validity.mutex);
  validity.schedule = iSchedule.empty() ? std::vector<bool>{false} : iSchedule;
  validity.checks.store(0, std::memory_order_relaxed);
  validity.constant.store(validity.schedule.size() == 1 ? (validity.schedule[0] ? 1 : 0) : -1,
                          std::memory_order_release);
}

long ZynDCIMpgTraceTool::CountValidityChecks() {
  return TheValidity().checks.load(std::memory_order_relaxed);
}

void ZynDCIMpgTraceTool::SetOutput(ZynTraceToolOutput* iOutput) {
  gOutput.store(iOutput, std::memory_order_release);
}

HRESULT ZynDCIMpgTraceTool::TraPut(int iLevel, const char* iText) {
  const ZynObservedCall observed;
  ZYN_CONTRACT(iLevel == kTraceLevel, "ZynDCIMpgTraceTool::TraPut", "the level 2");
  ZYN_CONTRACT(iText != nullptr, "ZynDCIMpgTraceTool::TraPut", "a text");
  const char* text = iText ? iText : "";
  if (ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire))
    output->OnTraPut(iLevel, text);
  else
    std::fputs(text, stderr);
  TellWrite(observed, "TraPut", iLevel, iText);
  return S_OK;
}

HRESULT ZynDCIMpgTraceTool::TraPrint(int iLevel, const char* iFormat, ...) {
  const ZynObservedCall observed;
  ZYN_CONTRACT(iLevel == kTraceLevel, "ZynDCIMpgTraceTool::TraPrint", "the level 2");
  ZYN_CONTRACT(iFormat != nullptr, "ZynDCIMpgTraceTool::TraPrint", "a format");
  const char* format = iFormat ? iFormat : "";
  char stackText[kStackTextSize];
  std::vector<char> heapText;
  const char* text = stackText;

  // The common conversions are formatted here; any other format, or a text too long for the
  // stack, is formatted again by the C library from a copy of the values.
  va_list values;
  va_start(values, iFormat);
  va_list again;
  va_copy(again, values);
  int length = zyn::trace::FormatCommonConversions(stackText, sizeof stackText, format, values);
  va_end(values);
  if (length < 0) {
    va_list third;
    va_copy(third, again);
    length = std::vsnprintf(stackText, sizeof stackText, format, again);
    if (length < 0) {
      stackText[0] = '\0';
      length = 0;
    } else if (length >= kStackTextSize) {
      heapText.resize(static_cast<std::size_t>(length) + 1);
      std::vsnprintf(heapText.data(), heapText.size(), format, third);
      text = heapText.data();
    }
    va_end(third);
    // A conversion such as %c may have written a zero byte: the text ends there.
    length = static_cast<int>(std::strlen(text));
  }
  va_end(again);

  if (ZynTraceToolOutput* output = gOutput.load(std::memory_order_acquire))
    output->OnTraPrintMeasured(iLevel, format, text, static_cast<std::size_t>(length));
  else
    std::fputs(text, stderr);
  TellWrite(observed, "TraPrint", iLevel, iFormat);
  return S_OK;
}
