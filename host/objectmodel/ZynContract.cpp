// The record of contract violations: each distinct violation once, with its number of calls.
#include "zyn/ZynContract.h"

#include <atomic>
#include <mutex>

namespace {

struct Violation {
  std::string operation;
  std::string expected;
  long calls = 0;
};

/// Kept small whatever the number of faulty calls: a dump of a million rows that breaks one
/// point of a contract at each row records one entry.
struct Record {
  std::mutex mutex;
  std::atomic<long> count{0};
  std::vector<Violation> violations;
};

/// Never destroyed: modules unloaded during process exit may still record.
Record& TheRecord() {
  static auto* record = new Record;
  return *record;
}

}  // namespace

void ZynContract::Violated(const char* iOperation, const char* iExpected) {
  const std::string operation = iOperation ? iOperation : "";
  const std::string expected = iExpected ? iExpected : "";
  Record& record = TheRecord();
  std::lock_guard<std::mutex> lock(record.mutex);
  record.count.fetch_add(1, std::memory_order_relaxed);
  for (Violation& known : record.violations) {
    if (known.operation == operation && known.expected == expected) {
      ++known.calls;
      return;
    }
  }
  record.violations.push_back(Violation{operation, expected, 1});
}

long ZynContract::Count() { return TheRecord().count.load(std::memory_order_relaxed); }

std::vector<std::string> ZynContract::Take() {
  Record& record = TheRecord();
  std::lock_guard<std::mutex> lock(record.mutex);
  std::vector<std::string> lines;
  for (const Violation& violation : record.violations) {
    lines.push_back(violation.operation + ": expected " + violation.expected + " (" +
                    std::to_string(violation.calls) +
                    (violation.calls == 1 ? " call)" : " calls)"));
  }
  record.violations.clear();
  record.count.store(0, std::memory_order_relaxed);
  return lines;
}
