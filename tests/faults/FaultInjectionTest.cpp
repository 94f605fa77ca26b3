// Faults injected through the host into dumps of a rich table: every query failing, every
// interface withheld, the trace tool changing its mind at each emission, and allocations failing.
// Each dump must end as the module's failure rules say, and leave no host object alive.
#include <fstream>
#include <new>
#include <nlohmann/json.hpp>

#include "faults/ArrayAllocations.h"
#include "support/Harness.h"

namespace zyn_test {
namespace {

using nlohmann::json;
using zyn::mem::Iface;
using zyn::mem::LoadedTable;
using zyn::mem::Op;
using zyn::mem::Type;

/// The rich table every fault is injected into: the tool's sample table, which answers every
/// query of every object it holds.
const json& Sample() {
  static const json sample = [] {
    std::ifstream file(ZYN_SAMPLE_TABLE);
    return json::parse(file);
  }();
  return sample;
}

/// One dump to make, and what it did.
struct Call {
  std::string id;
  int level;
  int mode;
  bool trace;  // the trace tool valid throughout
};
struct Outcome {
  HRESULT result = S_OK;
  bool nullHandle = false;  // the host's null-handle error escaped
  bool badAlloc = false;    // std::bad_alloc escaped
  long leaked = 0;          // host objects alive after the dump that were not before
  std::string trace, out;
  std::size_t traceCalls = 0;
  bool operator==(const Outcome& o) const {
    return result == o.result && nullHandle == o.nullHandle && badAlloc == o.badAlloc &&
           trace == o.trace && out == o.out;
  }
};

std::string Describe(const Call& iCall) {
  return iCall.id + " level " + std::to_string(iCall.level) + " mode " +
         std::to_string(iCall.mode) + (iCall.trace ? " on the trace tool" : " on stdout");
}

/// Whether an object's own dump answers E_FAIL without the interface.
bool DumpRequires(Type iType, Iface iIface) {
  switch (iType) {
    case Type::Manager:
      return iIface == Iface::ZynIDCIMpgManager || iIface == Iface::ZynIDCIMpgManagerPrivate;
    case Type::Environment:
      return iIface == Iface::ZynIDCIMpgEnvironment;
    case Type::DMTRow:
      return iIface == Iface::ZynIDCIMpgDMTElement || iIface == Iface::ZynIDCIMpgElementPrivate;
    case Type::RMTRow:
      return iIface == Iface::ZynIDCIMpgRMTElement || iIface == Iface::ZynIDCIMpgElementPrivate;
    case Type::FileBasedComponent:
      return iIface == Iface::ZynIDCIMpgFileComponent;
    case Type::RMTFileBasedComponent:
      return iIface == Iface::ZynIDCIMpgRMTFileBasedComponent;
    case Type::OrvComponent:
      return iIface == Iface::ZynIDCIMpgOrvComponent || iIface == Iface::ZynIDCIMpgComponentPrivate;
    case Type::PellComponent:
    case Type::PellNonM1Component:
      return iIface == Iface::ZynIDCIMpgPellComponent || iIface == Iface::ZynIDCIMpgComponent;
    case Type::ProviderComponent:
      return iIface == Iface::ZynIDCIMpgProviderComponent;
    default:
      return false;
  }
}

/// The two dumps that reach the exposed identifier through an untested component handle.
bool ExposedStepUntested(Type iType) {
  return iType == Type::OrvComponent || iType == Type::ProviderComponent;
}

bool IsOrvIdentityQuery(Op iOp) {
  return iOp == Op::GetModelPLMID || iOp == Op::GetWorkspaceId || iOp == Op::GetElementId ||
         iOp == Op::GetWorkspaceUuid || iOp == Op::GetElementUuid;
}

/// Whether every character of iPart stands in iWhole, in the same order.
bool IsSubsequence(const std::string& iPart, const std::string& iWhole) {
  std::size_t at = 0;
  for (char c : iPart) {
    at = iWhole.find(c, at);
    if (at == std::string::npos) return false;
    ++at;
  }
  return true;
}

class FaultInjectionTest : public ModuleTest {
 protected:
  void TearDown() override {
    ZynAllocationFaults::Clear();
    gArraysArmed = false;
    table_ = LoadedTable();
    ModuleTest::TearDown();
  }

  /// Loads iText (a table file) as the table under test.
  bool Load(const json& iText) {
    table_ = LoadedTable();
    std::string error;
    const bool loaded = zyn::mem::LoadTable(iText.dump(), &table_, &error);
    EXPECT_TRUE(loaded) << error;
    return loaded;
  }

  /// Every dump a fault is checked against: the manager at levels 0 to 3 in modes 1 and 3, and
  /// each object with a dump alone at levels 0 to 3, each on both sinks.
  std::vector<Call> Calls() const {
    std::vector<Call> calls;
    for (bool trace : {false, true})
      for (int level = 0; level <= 3; ++level) {
        for (int mode : {1, 3}) calls.push_back({"manager", level, mode, trace});
        for (const auto& [id, object] : table_.objects)
          if (id != "manager" && zyn::mem::TypeOffers(object->GetType(), Iface::ZynIMpgDump))
            calls.push_back({id, level, 1, trace});
      }
    return calls;
  }

  /// Dumps the call's object with whatever validity schedule is set.
  Outcome Run(const Call& iCall) {
    Outcome outcome;
    const long liveBefore = ZynLiveObjectCount();
    {
      CapturedStdout out;
      CapturedTrace trace;
      try {
        outcome.result = DumpOf(table_.Find(iCall.id), iCall.level, iCall.mode, 0);
      } catch (const ZynNullVarError&) {
        outcome.nullHandle = true;
      } catch (const std::bad_alloc&) {
        outcome.badAlloc = true;
      }
      outcome.trace = trace.text;
      outcome.traceCalls = trace.calls.size();
      outcome.out = out.str();
    }
    outcome.leaked = ZynLiveObjectCount() - liveBefore;
    return outcome;
  }
  Outcome RunOnItsSink(const Call& iCall) {
    ZynDCIMpgTraceTool::SetValid(iCall.trace);
    return Run(iCall);
  }

  /// Checks a dump that answered E_FAIL: iWritten on the sink in use, nothing on the other.
  static void ExpectFailureLeft(const Call& iCall, const Outcome& iOutcome,
                                const std::string& iWritten, const std::string& iContext) {
    EXPECT_EQ(iCall.trace ? iOutcome.trace : iOutcome.out, iWritten) << iContext;
    EXPECT_EQ(iCall.trace ? iOutcome.out : iOutcome.trace, "") << iContext;
  }

  void Summary(const char* iWhat, long iFaults, long iDumps) {
    RecordProperty("faults", static_cast<int>(iFaults));
    RecordProperty("dumps", static_cast<int>(iDumps));
    std::cout << "[ summary  ] " << iFaults << " " << iWhat << " survived over " << iDumps
              << " dumps" << std::endl;
  }

  LoadedTable table_;
};

// Each query of each object answers -1, E_FAIL, 1 or 2, leaving its out-argument as the caller
// built it or filling it. Only the Orv identity queries (outside the hash-key form of level 1) and
// the Pell component type are examined, and only their negative results fail the dump.
TEST_F(FaultInjectionTest, EveryQueryOfEveryObjectFails) {
  long faults = 0, dumps = 0;
  for (const auto& [faultyId, faultyEntry] : Sample()["objects"].items()) {
    Type type;
    ASSERT_TRUE(zyn::mem::ParseType(faultyEntry["type"].get<std::string>(), &type));
    for (int op = 0; op < zyn::mem::kOpCount; ++op) {
      const Op query = static_cast<Op>(op);
      if (!zyn::mem::TypeHasOp(type, query)) continue;
      for (bool filled : {false, true})
        for (HRESULT result : {-1, E_FAIL, 1, 2}) {
          json text = Sample();
          if (!filled) text["objects"][faultyId].erase(zyn::mem::OpName(query));
          ASSERT_TRUE(Load(text));
          table_.Find(faultyId)->SetResult(query, result);
          ++faults;
          // With ZynMpgProviderComponentTrace active the exposed identifier is asked too.
          for (bool exposedTrace : {false, true})
            for (const Call& call : Calls()) {
              ZynTrace::SetActive("ZynMpgProviderComponentTrace", exposedTrace);
              const std::string context = faultyId + "." + zyn::mem::OpName(query) + " answers " +
                                          std::to_string(result) + (filled ? ", filled" : "") +
                                          (exposedTrace ? ", exposed-id trace active" : "") +
                                          "; dump of " + Describe(call);
              const Outcome outcome = RunOnItsSink(call);
              ++dumps;
              const bool examined =
                  call.id == faultyId && result < 0 &&
                  ((type == Type::OrvComponent && IsOrvIdentityQuery(query) && call.level != 1) ||
                   ((type == Type::PellComponent || type == Type::PellNonM1Component) &&
                    query == Op::GetComponentType));
              EXPECT_FALSE(outcome.nullHandle || outcome.badAlloc) << context;
              EXPECT_EQ(outcome.leaked, 0) << context;
              EXPECT_EQ(outcome.result, examined ? E_FAIL : S_OK) << context;
              if (examined)
                ExpectFailureLeft(call, outcome,
                                  type == Type::OrvComponent ? "<Orv component>\n" : "", context);
            }
          if (HasFailure()) return;
        }
    }
  }
  Summary("failing queries", faults, dumps);
}

// Each interface of each object withheld in turn, with ZynMpgProviderComponentTrace inactive
// and active: E_FAIL exactly where the object's own dump needs the interface, and the host's
// null-handle error exactly where the exposed-identifier step meets a component without
// ZynIDCIMpgComponent, after the heading went to the named trace. Such a component cannot be
// handed out through a component handle, so only its own dump meets that step.
TEST_F(FaultInjectionTest, EveryInterfaceOfEveryObjectWithheld) {
  long faults = 0, dumps = 0;
  for (const auto& [faultyId, faultyEntry] : Sample()["objects"].items()) {
    Type type;
    ASSERT_TRUE(zyn::mem::ParseType(faultyEntry["type"].get<std::string>(), &type));
    for (int i = 0; i < zyn::mem::kIfaceCount; ++i) {
      const Iface withheld = static_cast<Iface>(i);
      if (!zyn::mem::TypeOffers(type, withheld)) continue;
      for (bool exposedTrace : {false, true}) {
        ZynTrace::SetActive("ZynMpgProviderComponentTrace", exposedTrace);
        ASSERT_TRUE(Load(Sample()));
        table_.Find(faultyId)->Withhold(withheld);
        ++faults;
        const bool raises =
            exposedTrace && withheld == Iface::ZynIDCIMpgComponent && ExposedStepUntested(type);
        for (const Call& call : Calls()) {
          const std::string context = faultyId + " without " + zyn::mem::IfaceName(withheld) +
                                      (exposedTrace ? ", exposed-id trace active" : "") +
                                      "; dump of " + Describe(call);
          const Outcome outcome = RunOnItsSink(call);
          ++dumps;
          const bool own = call.id == faultyId;
          HRESULT expected = S_OK;
          if (own && withheld == Iface::ZynIMpgDump) expected = E_NOINTERFACE;
          if (own && DumpRequires(type, withheld)) expected = E_FAIL;
          EXPECT_EQ(outcome.nullHandle, raises && own) << context;
          if (outcome.nullHandle) {
            const std::string heading =
                type == Type::OrvComponent ? "    Exposed Identifier\n" : "   Exposed Identifier\n";
            EXPECT_TRUE(outcome.out.size() >= heading.size() &&
                        outcome.out.compare(outcome.out.size() - heading.size(), heading.size(),
                                            heading) == 0)
                << context;
          }
          EXPECT_FALSE(outcome.badAlloc) << context;
          EXPECT_EQ(outcome.leaked, 0) << context;
          if (!outcome.nullHandle) {
            EXPECT_EQ(outcome.result, expected) << context;
          }
          if (expected == E_FAIL || expected == E_NOINTERFACE) {
            std::string header;  // a row without its private interface has begun its header
            if (withheld == Iface::ZynIDCIMpgElementPrivate)
              header =
                  type == Type::DMTRow ? "<DMTElement>   *** uuid: " : "<RMTElement>  --- uuid: ";
            ExpectFailureLeft(call, outcome, header, context);
          }
        }
        if (HasFailure()) return;
      }
    }
  }
  Summary("withheld interfaces", faults, dumps);
}

// The trace tool answers differently at one IsValid call only, for each call of a whole-table
// dump in turn: the dump makes the same calls, that one emission alone moves to the other sink,
// and the rest stays where it was, in order.
TEST_F(FaultInjectionTest, TheTraceToolChangesItsMindAtEachEmission) {
  ASSERT_TRUE(Load(Sample()));
  long faults = 0, dumps = 0;
  std::vector<Call> calls;
  for (int level = 0; level <= 3; ++level)
    for (int mode : {1, 3}) calls.push_back({"manager", level, mode, false});
  calls.push_back({"environment", 2, 1, false});
  for (int traceType : {0, 1, 2}) {
    ZynDCIMpgTraceTool::_traceType = traceType;
    for (const Call& call : calls)
      for (bool usual : {false, true}) {
        ZynDCIMpgTraceTool::SetValid(!usual);
        const Outcome other = Run(call);
        ZynDCIMpgTraceTool::SetValid(usual);
        const Outcome base = Run(call);
        const long checks = ZynDCIMpgTraceTool::CountValidityChecks();
        for (long k = 0; k < checks; ++k) {
          std::vector<bool> schedule(static_cast<std::size_t>(k) + 2, usual);
          schedule[static_cast<std::size_t>(k)] = !usual;
          ZynDCIMpgTraceTool::SetValidity(schedule);
          const Outcome outcome = Run(call);
          ++faults, ++dumps;
          const std::string context = Describe(call) + ", _traceType " + std::to_string(traceType) +
                                      ", IsValid call " + std::to_string(k) + " answering " +
                                      (usual ? "0" : "1");
          EXPECT_EQ(ZynDCIMpgTraceTool::CountValidityChecks(), checks) << context;
          EXPECT_EQ(outcome.result, base.result) << context;
          EXPECT_FALSE(outcome.nullHandle || outcome.badAlloc) << context;
          EXPECT_EQ(outcome.leaked, 0) << context;
          const std::string& stayed = usual ? outcome.trace : outcome.out;
          const std::string& moved = usual ? outcome.out : outcome.trace;
          EXPECT_TRUE(usual ? !moved.empty() : outcome.traceCalls > 0) << context;
          EXPECT_TRUE(IsSubsequence(moved, usual ? other.out : other.trace)) << context;
          EXPECT_TRUE(IsSubsequence(stayed, usual ? base.trace : base.out)) << context;
          EXPECT_LT(stayed.size(), (usual ? base.trace : base.out).size()) << context;
          if (HasFailure()) return;
        }
      }
  }
  Summary("validity flips", faults, dumps);
}

// The class-level allocation answers null at each allocation a dump makes in turn, until a dump
// runs without meeting the fault: an extension that cannot be built is a missing dump (the
// element skipped, the component reported absent); the top-level one leaves nothing to call.
TEST_F(FaultInjectionTest, EachExtensionAllocationFails) {
  ASSERT_TRUE(Load(Sample()));
  long faults = 0, dumps = 0;
  for (const Call& call : Calls()) {
    const Outcome sound = RunOnItsSink(call);
    for (int k = 0;; ++k) {
      ASSERT_LT(k, 1000) << Describe(call) << ": the fault is never met";
      ZynAllocationFaults::FailAfter(k, 1);
      const Outcome outcome = Run(call);
      ZynAllocationFaults::Clear();
      ++dumps;
      const std::string context = Describe(call) + ", allocation " + std::to_string(k) + " null";
      EXPECT_FALSE(outcome.nullHandle || outcome.badAlloc) << context;
      EXPECT_EQ(outcome.leaked, 0) << context;
      if (k == 0) {
        EXPECT_EQ(outcome.result, E_NOINTERFACE) << context;
        EXPECT_EQ(outcome.trace + outcome.out, "") << context;
      } else {
        EXPECT_EQ(outcome.result, sound.result) << context;
      }
      if (HasFailure()) return;
      if (outcome == sound) break;
      ++faults;
    }
  }
  Summary("null extension allocations", faults, dumps);
}

// std::bad_alloc from each array allocation of a dump in turn (the uuid printer's buffer, the
// hexadecimal buffers and the unit array): it leaves Dump with what was written so far, and
// every handle, list and string released.
TEST_F(FaultInjectionTest, EachArrayAllocationThrows) {
  ASSERT_TRUE(Load(Sample()));
  long faults = 0, dumps = 0, managerArrays = 0;
  for (const Call& call : Calls()) {
    ZynDCIMpgTraceTool::SetValid(call.trace);
    gArraysArmed = true;
    gArrayCalls = 0;
    gArrayFailure = -1;
    const Outcome sound = Run(call);
    gArraysArmed = false;
    const long arrays = gArrayCalls;
    if (call.id == "manager") managerArrays += arrays;
    for (long k = 0; k < arrays; ++k) {
      gArraysArmed = true;
      gArrayCalls = 0;
      gArrayFailure = k;
      const Outcome outcome = Run(call);
      gArraysArmed = false;
      ++faults, ++dumps;
      const std::string context = Describe(call) + ", array allocation " + std::to_string(k);
      EXPECT_TRUE(outcome.badAlloc) << context;
      EXPECT_EQ(outcome.leaked, 0) << context;
      EXPECT_EQ(sound.trace.compare(0, outcome.trace.size(), outcome.trace), 0) << context;
      EXPECT_EQ(sound.out.compare(0, outcome.out.size(), outcome.out), 0) << context;
      EXPECT_LT(outcome.trace.size() + outcome.out.size(), sound.trace.size() + sound.out.size())
          << context;
      if (HasFailure()) return;
    }
  }
  // The replacement must see the module's allocations: a table dump prints uuids.
  EXPECT_GT(managerArrays, 0);
  Summary("throwing array allocations", faults, dumps);
}

}  // namespace
}  // namespace zyn_test
