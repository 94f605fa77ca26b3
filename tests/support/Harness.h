// Test harness: the module loaded into the host, both sinks captured, the leak check, and the
// check that the module called the host as its contract says.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "ModuleIdentity.h"
#include "zyn/ZynContract.h"
#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"

namespace zyn_test {

// The table's names that every test of dumps uses.
using zyn::mem::MemObject;
using zyn::mem::Op;
using zyn::mem::Table;
using zyn::mem::Type;

/// The module under test: the path CTest hands over in ZYN_MODULE.
inline const char* ModulePath() {
  const char* path = std::getenv("ZYN_MODULE");
  return path ? path : zyn_mpg_identity::kModuleFileName;
}

inline constexpr const char* kMarker = zyn_mpg_identity::kModuleMarker;

/// Fails the running test for each contract violation that the host recorded since the last
/// check, and clears the record. iWhen says what was running ("during the dump").
inline void ExpectNoContractViolation(const char* iWhen) {
  for (const std::string& violation : ZynContract::Take())
    ADD_FAILURE() << "contract violation " << iWhen << ": " << violation;
}

/// Standard output captured: what the module inserts into std::cout, and how often the stream
/// was flushed.
class CapturedStdout : public std::stringbuf {
 public:
  CapturedStdout() : previous_(std::cout.rdbuf(this)) {}
  ~CapturedStdout() override { std::cout.rdbuf(previous_); }
  int flushes() const { return flushes_; }

 protected:
  int sync() override {
    ++flushes_;
    return 0;
  }

 private:
  std::streambuf* previous_;
  int flushes_ = 0;
};

/// The trace tool's output captured: the text, and one line per call ("TraPut 2 <text>",
/// "TraPrint 2 <format> -> <text>").
class CapturedTrace : public ZynTraceToolOutput {
 public:
  CapturedTrace() { ZynDCIMpgTraceTool::SetOutput(this); }
  ~CapturedTrace() override { ZynDCIMpgTraceTool::SetOutput(nullptr); }
  void OnTraPut(int iLevel, const char* iText) override {
    text += iText;
    calls.push_back("TraPut " + std::to_string(iLevel) + " " + iText);
  }
  void OnTraPrint(int iLevel, const char* iFormat, const char* iText) override {
    text += iText;
    calls.push_back("TraPrint " + std::to_string(iLevel) + " " + iFormat + " -> " + iText);
  }
  std::string text;
  std::vector<std::string> calls;
};

/// Loads the module for the fixture's lifetime, resets the trace tool, and checks after each
/// test that every host object built during it is gone again, and after the load, each dump
/// and the test that the host recorded no call against its contract.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    liveBefore_ = ZynLiveObjectCount();
    std::string error;
    ASSERT_TRUE(loader_.Load(ModulePath(), kMarker, &error)) << error;
    ExpectNoContractViolation("while the module loaded");
    ZynDCIMpgTraceTool::SetValid(false);
    ZynDCIMpgTraceTool::_traceType = 0;
  }
  void TearDown() override {
    ZynDCIMpgTraceTool::SetValid(false);
    ZynTrace::ResetActivation();
    loader_.Unload();
    ExpectNoContractViolation("during the test");
    EXPECT_EQ(ZynLiveObjectCount(), liveBefore_) << "host objects left alive";
  }

  /// Dumps iObject through its ZynIMpgDump extension; E_NOINTERFACE when it has none.
  static HRESULT DumpOf(zyn::mem::MemObject* iObject, int iLevel, int iMode, int iIndex) {
    ZynIMpgDump_var dump(iObject->Unknown());
    if (!dump) return E_NOINTERFACE;
    const HRESULT result = dump->Dump(iLevel, iMode, iIndex);
    ExpectNoContractViolation("during the dump");
    return result;
  }

  ZynModuleLoader loader_;

 private:
  long liveBefore_ = 0;
};

}  // namespace zyn_test
