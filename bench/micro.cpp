// Microbenchmarks: each dump class alone on both sinks, the host's interface look-up and the
// creation of dump extensions, over in-memory tables with the module loaded as mpgdump loads it.
//
// Standard output goes to a streambuf that drops everything, the trace tool to an output that
// does nothing, so that the figures are the dumps' own work (and the channel's), not the
// system's. The module is the one built beside this program unless ZYN_BENCH_MODULE names one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "ModuleIdentity.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"

namespace {

using zyn::mem::Kind;
using zyn::mem::MemObject;
using zyn::mem::Op;
using zyn::mem::Type;

using zyn_mpg_identity::kModuleMarker;

/// Drops every character but counts them, so that a benchmark can report what a dump writes.
class NullStreambuf : public std::streambuf {
 public:
  std::uint64_t bytes = 0;

 protected:
  int_type overflow(int_type iChar) override {
    if (!traits_type::eq_int_type(iChar, traits_type::eof())) ++bytes;
    return traits_type::not_eof(iChar);
  }
  std::streamsize xsputn(const char*, std::streamsize iCount) override {
    bytes += static_cast<std::uint64_t>(iCount);
    return iCount;
  }
  int sync() override { return 0; }
};

/// The trace tool's output that writes nowhere.
class NullTraceOutput : public ZynTraceToolOutput {
 public:
  void OnTraPut(int, const char*) override {}
  void OnTraPrint(int, const char*, const char*) override {}
};

/// Standard output replaced by a NullStreambuf for the life of the object.
class SilencedStdout {
 public:
  SilencedStdout() : original_(std::cout.rdbuf(&sink_)) {}
  ~SilencedStdout() { std::cout.rdbuf(original_); }
  SilencedStdout(const SilencedStdout&) = delete;
  SilencedStdout& operator=(const SilencedStdout&) = delete;
  std::uint64_t Bytes() const { return sink_.bytes; }

 private:
  NullStreambuf sink_;
  std::streambuf* original_;
};

/// What an object answers when the benchmark does not care: a plausible value of the query's
/// kind, the same every time. References and lists stay unset, so that no dump nests another.
void FillPlainAnswers(MemObject* ioObject, int iSeed) {
  const std::uint8_t uuidBytes[16] = {
      0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0xde, 0xf0,
      0x0f, 0xed, 0xcb, 0xa9, 0x87, 0x65, 0x43, static_cast<std::uint8_t>(iSeed)};
  const std::vector<std::uint8_t> bytes = {0xde, 0xad, 0xbe, 0xef,
                                           0x01, 0x02, 0x03, static_cast<std::uint8_t>(iSeed)};
  for (int i = 0; i < zyn::mem::kOpCount; ++i) {
    const Op op = static_cast<Op>(i);
    if (!zyn::mem::TypeHasOp(ioObject->GetType(), op)) continue;
    switch (zyn::mem::OpKind(op)) {
      case Kind::Text:
        ioObject->SetText(op,
                          std::string(zyn::mem::OpName(op)) + "-value-" + std::to_string(iSeed));
        break;
      case Kind::Uuid:
        ioObject->SetUuid(op, ZynUuid(uuidBytes));
        break;
      case Kind::Int:
        ioObject->SetInt(op, 1 + iSeed);
        break;
      case Kind::Unsigned:
        ioObject->SetUnsigned(op, 3000000000u + static_cast<unsigned>(iSeed));
        break;
      case Kind::Bool:
        ioObject->SetBool(op, true);
        break;
      case Kind::Binary:
        ioObject->SetBinary(op, bytes);
        break;
      case Kind::Octets:
        ioObject->SetOctets(op,
                            std::vector<std::uint8_t>(32, static_cast<std::uint8_t>(0x41 + iSeed)));
        break;
      case Kind::Time:
        ioObject->SetTime(op, 1700000000 + iSeed);
        break;
      case Kind::PLMID:
        ioObject->SetPLMID(op, ZynPLMID(bytes, "logical-" + std::to_string(iSeed), "major"));
        break;
      case Kind::CEStamp:
        ioObject->SetCEStamp(op, ZynPLMCEStamp("stamp-" + std::to_string(iSeed)));
        break;
      case Kind::Object:
      case Kind::List:
        break;
    }
  }
}

/// One object of every type that has a dump, each on its own (no contained objects), and a
/// small generated table for the whole-table figure.
struct Fixture {
  std::unique_ptr<zyn::mem::Table> table = std::make_unique<zyn::mem::Table>();
  std::vector<std::pair<Type, MemObject*>> dumped;
  zyn::mem::LoadedTable generated;

  Fixture() {
    MemObject* context = table->Create(Type::Context);
    FillPlainAnswers(context, 0);
    int seed = 1;
    for (int i = 0; i < zyn::mem::kTypeCount; ++i) {
      const Type type = static_cast<Type>(i);
      if (type == Type::Context) continue;
      MemObject* object = table->Create(type);
      FillPlainAnswers(object, seed++);
      if (type == Type::Manager) object->SetObject(Op::GetContext, context);
      // The component type the Pell dump tells the non-M1 kind by.
      if (type == Type::PellNonM1Component) object->SetInt(Op::GetComponentType, 4);
      if (type == Type::PellComponent) object->SetInt(Op::GetComponentType, 3);
      dumped.emplace_back(type, object);
    }
    std::string error;
    if (!zyn::mem::GenerateTable(10, 2, &generated, &error)) {
      std::fprintf(stderr, "micro_bench: cannot generate a table: %s\n", error.c_str());
      std::exit(2);
    }
  }
};

Fixture* gFixture = nullptr;

/// The levels the dumps receive inside a whole-table dump at level 1; the environment, never
/// reached from the manager, at the level that writes all it has.
int LevelFor(Type iType) { return iType == Type::Environment ? 2 : 1; }

enum class Sink { Output, Trace };

void BM_DumpAlone(benchmark::State& ioState, MemObject* iObject, Sink iSink) {
  NullTraceOutput traceOutput;
  ZynDCIMpgTraceTool::SetOutput(&traceOutput);
  ZynDCIMpgTraceTool::SetValid(iSink == Sink::Trace);
  const int level = LevelFor(iObject->GetType());
  ZynIMpgDump_var dump(iObject->Unknown());
  if (!dump) {
    ioState.SkipWithError("the object offers no ZynIMpgDump");
    return;
  }
  SilencedStdout silenced;
  for (auto _ : ioState) benchmark::DoNotOptimize(dump->Dump(level, 1, 0));
  ioState.counters["stdout_bytes"] =
      benchmark::Counter(static_cast<double>(silenced.Bytes()), benchmark::Counter::kAvgIterations);
  ZynDCIMpgTraceTool::SetValid(false);
  ZynDCIMpgTraceTool::SetOutput(nullptr);
}

/// A whole generated table of 10 DMT rows from the manager down, per row.
void BM_GeneratedTable(benchmark::State& ioState, Sink iSink) {
  NullTraceOutput traceOutput;
  ZynDCIMpgTraceTool::SetOutput(&traceOutput);
  ZynDCIMpgTraceTool::SetValid(iSink == Sink::Trace);
  ZynIMpgDump_var dump(gFixture->generated.Find("manager")->Unknown());
  SilencedStdout silenced;
  for (auto _ : ioState) benchmark::DoNotOptimize(dump->Dump(1, 1, 0));
  ioState.SetItemsProcessed(ioState.iterations() * 10);
  ZynDCIMpgTraceTool::SetValid(false);
  ZynDCIMpgTraceTool::SetOutput(nullptr);
}

MemObject* DumpedObject(Type iType) {
  for (const auto& [type, object] : gFixture->dumped)
    if (type == iType) return object;
  return nullptr;
}

/// Makes an interface pointer by iMake at every turn and releases it: what a query or a
/// creation costs together with the release of what it answered.
template <class Make>
void MakeAndRelease(benchmark::State& ioState, Make iMake) {
  for (auto _ : ioState) {
    void* made = iMake();
    benchmark::DoNotOptimize(made);
    static_cast<IUnknown*>(made)->Release();
  }
}

/// QueryInterface of iAsked (an identifier or a name) on iObject at every turn, and the release
/// of what it answers.
template <class Asked>
void QueryAndRelease(benchmark::State& ioState, ZynBaseUnknown* iObject, const Asked& iAsked) {
  MakeAndRelease(ioState, [&] {
    void* found = nullptr;
    iObject->QueryInterface(iAsked, &found);
    return found;
  });
}

/// QueryInterface of an interface the object's own class implements.
void BM_QueryOwnInterface(benchmark::State& ioState) {
  ZynBaseUnknown* row = DumpedObject(Type::DMTRow)->Unknown();
  QueryAndRelease(ioState, row, IID_ZynIDCIMpgDMTElement);
}

/// The same by name, through the host's table of interface names.
void BM_QueryOwnInterfaceByName(benchmark::State& ioState) {
  ZynBaseUnknown* row = DumpedObject(Type::DMTRow)->Unknown();
  QueryAndRelease(ioState, row, "ZynIDCIMpgDMTElement");
}

/// A handle cast, as the dumps make them: QueryInterface plus the handle's bookkeeping.
void BM_HandleCastOwnInterface(benchmark::State& ioState) {
  ZynBaseUnknown* row = DumpedObject(Type::DMTRow)->Unknown();
  ZynIDCIMpgDMTElement_var element;
  for (auto _ : ioState) {
    element.__CastTo(row);
    benchmark::DoNotOptimize(element.get());
  }
}

/// QueryInterface of ZynIMpgDump: the dictionary look-up, the extension's creation and, at
/// the release, its destruction.
void BM_QueryDumpThroughDictionary(benchmark::State& ioState, Type iType) {
  ZynBaseUnknown* object = DumpedObject(iType)->Unknown();
  QueryAndRelease(ioState, object, IID_ZynIMpgDump);
}

/// The dictionary's extension creation alone, without the object's own look-up first.
void BM_CreateExtension(benchmark::State& ioState) {
  ZynBaseUnknown* row = DumpedObject(Type::DMTRow)->Unknown();
  MakeAndRelease(ioState,
                 [row] { return ZynFillDictionary::CreateExtension(row, IID_ZynIMpgDump); });
}

/// The module's exported creation function called directly: the creation service alone.
void BM_CreateThroughExportedFunction(benchmark::State& ioState, ZynCreateFunction iCreate) {
  ZynBaseUnknown* row = DumpedObject(Type::DMTRow)->Unknown();
  for (auto _ : ioState) {
    IUnknown* created = iCreate(row, nullptr);
    benchmark::DoNotOptimize(created);
    created->Release();
  }
}

std::string DefaultModulePath() {
  if (const char* chosen = std::getenv("ZYN_BENCH_MODULE")) return chosen;
  return ZYN_BENCH_MODULE_PATH;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  ZynModuleLoader loader;
  std::string error;
  const std::string modulePath = DefaultModulePath();
  if (!loader.Load(modulePath, kModuleMarker, &error)) {
    std::fprintf(stderr, "micro_bench: cannot load %s: %s\n", modulePath.c_str(), error.c_str());
    return 3;
  }
  {
    Fixture fixture;
    gFixture = &fixture;

    for (const auto& [type, object] : fixture.dumped) {
      const std::string name = zyn::mem::TypeName(type);
      MemObject* dumped = object;
      benchmark::RegisterBenchmark(("DumpAlone/Output/" + name).c_str(), BM_DumpAlone, dumped,
                                   Sink::Output);
      benchmark::RegisterBenchmark(("DumpAlone/Trace/" + name).c_str(), BM_DumpAlone, dumped,
                                   Sink::Trace);
    }
    benchmark::RegisterBenchmark("GeneratedTable10Rows/Output", BM_GeneratedTable, Sink::Output);
    benchmark::RegisterBenchmark("GeneratedTable10Rows/Trace", BM_GeneratedTable, Sink::Trace);
    benchmark::RegisterBenchmark("QueryInterface/OwnInterface", BM_QueryOwnInterface);
    benchmark::RegisterBenchmark("QueryInterface/OwnInterfaceByName", BM_QueryOwnInterfaceByName);
    benchmark::RegisterBenchmark("QueryInterface/HandleCastOwnInterface",
                                 BM_HandleCastOwnInterface);
    benchmark::RegisterBenchmark("QueryInterface/ZynIMpgDump/DMTRow", BM_QueryDumpThroughDictionary,
                                 Type::DMTRow);
    benchmark::RegisterBenchmark("QueryInterface/ZynIMpgDump/PellNonM1Component",
                                 BM_QueryDumpThroughDictionary, Type::PellNonM1Component);
    benchmark::RegisterBenchmark("Extension/CreateExtension", BM_CreateExtension);
    if (auto create = reinterpret_cast<ZynCreateFunction>(
            loader.Symbol("CreateBOAZynIMpgDumpZynMpgDMTRowDump")))
      benchmark::RegisterBenchmark("Extension/ExportedCreateFunction",
                                   BM_CreateThroughExportedFunction, create);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gFixture = nullptr;
  }
  // Every extension went with its handle: nothing of the module is left in use.
  loader.Unload();
  return 0;
}
