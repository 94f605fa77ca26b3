// Named traces: the traces alive, the names activated, and the writing of an active trace.
#include "zyn/ZynTrace.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <set>
#include <vector>

#include "zyn/ZynCallLog.h"

namespace {

/// The traces alive in construction order and the names activated by SetActive.
struct TraceRegistry {
  std::mutex mutex;
  std::vector<ZynTrace*> alive;
  std::set<std::string, std::less<>> activeNames;
};

/// Never destroyed: traces of modules unloaded during process exit still reach it.
TraceRegistry& Traces() {
  static auto* registry = new TraceRegistry;
  return *registry;
}

std::atomic<ZynTraceObserver*> gObserver{nullptr};

/// The one output, size and level of this host's named traces.
constexpr char kStandardOutput[] = "STDOUT";
constexpr int kTraceSize = 1024;
constexpr int kTraceLevel = 2;

/// Whether iName is one of the comma-separated names of ZYN_TRACE_ACTIVE.
bool ActivatedByEnvironment(const std::string& iName) {
  const char* listed = std::getenv("ZYN_TRACE_ACTIVE");
  if (!listed) return false;
  const std::string names(listed);
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t comma = names.find(',', start);
    if (comma == std::string::npos) comma = names.size();
    if (names.compare(start, comma - start, iName) == 0) return true;
    start = comma + 1;
  }
  return false;
}

}  // namespace

ZynTrace::ZynTrace(const char* iName, const char* iDescription, ZynTraMode iMode,
                   const char* iOutputName, int iSize)
    : name_(iName ? iName : ""),
      description_(iDescription ? iDescription : ""),
      output_(iOutputName ? iOutputName : ""),
      mode_(iMode),
      size_(iSize) {
  ZYN_CONTRACT(!name_.empty() && iDescription, "ZynTrace", "a name and a description");
  ZYN_CONTRACT(iMode == ZynTraModeDefault, "ZynTrace", "the mode 0");
  ZYN_CONTRACT(output_ == kStandardOutput, "ZynTrace", "the output name \"STDOUT\"");
  ZYN_CONTRACT(iSize == kTraceSize, "ZynTrace", "the size 1024");
  const bool fromEnvironment = ActivatedByEnvironment(name_);
  {
    TraceRegistry& registry = Traces();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.alive.push_back(this);
    serial_ = static_cast<int>(registry.alive.size());
    const bool activated = fromEnvironment || registry.activeNames.count(name_) != 0;
    active_.store(activated ? 1 : 0, std::memory_order_relaxed);
  }
  ZynLifecycleLog::Record("trace+", name_.c_str());
}

ZynTrace::~ZynTrace() {
  ZynLifecycleLog::Record("trace-", name_.c_str());
  TraceRegistry& registry = Traces();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.alive.erase(std::remove(registry.alive.begin(), registry.alive.end(), this),
                       registry.alive.end());
}

namespace {

/// A call of iOperation on iTrace, as the call observer is told it.
ZynCall TraceCall(const ZynTrace& iTrace, const char* iOperation) {
  ZynCall call;
  call.callee = ZynCall::Callee::NamedTrace;
  call.trace = &iTrace;
  call.interfaceName = "ZynTrace";
  call.operation = iOperation;
  return call;
}

}  // namespace

bool ZynTrace::IsActive() const {
  const bool active = active_.load(std::memory_order_relaxed) != 0;
  if (const ZynObservedCall observed; observed) {
    ZynCall call = TraceCall(*this, "IsActive");
    call.answer = ZynCall::Answer::Flag;
    call.result = active;
    observed.Tell(call);
  }
  return active;
}

HRESULT ZynTrace::TraPut(int iLevel, const char* iText) {
  const ZynObservedCall observed;
  const HRESULT result = Write(iLevel, iText);
  if (observed) {
    ZynCall call = TraceCall(*this, "TraPut");
    call.level = iLevel;
    call.text = iText;
    call.result = result;
    observed.Tell(call);
  }
  return result;
}

HRESULT ZynTrace::Write(int iLevel, const char* iText) {
  ZYN_CONTRACT(iLevel == kTraceLevel, "ZynTrace::TraPut", "the level 2");
  ZYN_CONTRACT(iText != nullptr, "ZynTrace::TraPut", "a text");
  const char* text = iText ? iText : "";
  if (ZynTraceObserver* observer = gObserver.load(std::memory_order_acquire))
    observer->OnTraPut(*this, iLevel, text);
  if (active_.load(std::memory_order_relaxed) == 0) return S_FALSE;
  // Standard output through std::cout, so that the text takes its place among the lines that
  // the caller writes there; flushed at once for the same reason.
  if (output_ == kStandardOutput) std::cout << text << std::flush;
  return S_OK;
}

void ZynTrace::SetActive(const char* iName, bool iActive) {
  if (!iName) return;
  TraceRegistry& registry = Traces();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (iActive)
    registry.activeNames.insert(iName);
  else
    registry.activeNames.erase(std::string(iName));
  for (ZynTrace* trace : registry.alive)
    if (trace->name_ == iName) trace->active_.store(iActive ? 1 : 0, std::memory_order_relaxed);
}

void ZynTrace::ResetActivation() {
  TraceRegistry& registry = Traces();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.activeNames.clear();
  for (ZynTrace* trace : registry.alive) trace->active_.store(0, std::memory_order_relaxed);
}

void ZynTrace::SetObserver(ZynTraceObserver* iObserver) {
  gObserver.store(iObserver, std::memory_order_release);
}

std::vector<std::string> ZynTrace::DescribeAlive() {
  TraceRegistry& registry = Traces();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::vector<std::string> described;
  for (const ZynTrace* trace : registry.alive)
    described.push_back(trace->name_ + ": " + trace->description_);
  return described;
}

int ZynTrace::CountAlive() {
  TraceRegistry& registry = Traces();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return static_cast<int>(registry.alive.size());
}
