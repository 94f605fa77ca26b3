// The host's call observer: each call a caller makes is told once, after it returns; the calls
// the host makes while answering it are not told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "zyn/ZynCallLog.h"
#include "zyn/ZynMemTable.h"

namespace {

using zyn::mem::Op;
using zyn::mem::Type;

/// Each call as "interface op asked result".
struct Recorder : ZynCallObserver {
  std::vector<std::string> calls;
  void OnCall(const ZynCall& iCall) override {
    calls.push_back(std::string(iCall.interfaceName) + " " + iCall.operation + " " +
                    (iCall.asked ? iCall.asked : "-") + " " + std::to_string(iCall.result));
  }
};

TEST(CallLogTest, TellsEachCallOnceAndNotTheHostsOwn) {
  zyn::mem::Table table;
  zyn::mem::MemObject* row = table.Create(Type::RMTRow);
  row->SetObject(Op::GetOwner, table.Create(Type::DummyComponent));
  row->SetResult(Op::GetMigrationState, -1);
  Recorder recorder;
  ZynCallLog::SetObserver(&recorder);
  {
    // By name: the look-up by identifier it makes is its own.
    void* found = nullptr;
    row->Unknown()->QueryInterface("ZynIDCIMpgRMTElement", &found);
    ZynIDCIMpgRMTElement_var element;
    element.Attach(static_cast<ZynIDCIMpgRMTElement*>(found));
    // The handle answered is cast inside the query: one call.
    ZynIDCIMpgComponent_var owner;
    element->GetOwner(owner);
    bool migrated = false;
    element->GetMigrationState(migrated);
  }
  ZynCallLog::SetObserver(nullptr);
  EXPECT_EQ(recorder.calls,
            (std::vector<std::string>{"ZynBaseUnknown QueryInterface ZynIDCIMpgRMTElement 0",
                                      "ZynIDCIMpgRMTElement GetOwner - 0",
                                      "ZynIDCIMpgRMTElement GetMigrationState - -1"}));
}

}  // namespace
