// Many threads dumping one table at once: no data race, and each thread's own trace text is the
// same as a dump made alone.
#include <fcntl.h>
#include <unistd.h>

#include "support/Harness.h"
#include "support/RunTogether.h"

namespace zyn_test {
namespace {

/// The trace tool's text, kept apart per thread.
class PerThreadTrace : public ZynTraceToolOutput {
 public:
  PerThreadTrace() { ZynDCIMpgTraceTool::SetOutput(this); }
  ~PerThreadTrace() override { ZynDCIMpgTraceTool::SetOutput(nullptr); }
  void OnTraPut(int, const char* iText) override { Text() += iText; }
  void OnTraPrint(int, const char*, const char* iText) override { Text() += iText; }
  static std::string& Text() {
    thread_local std::string text;
    return text;
  }
};

/// Standard output sent to /dev/null for the scope, at the file-descriptor level, so that the
/// real std::cout (and its locking) is what the threads share.
class StdoutToNull {
 public:
  StdoutToNull() : saved_(dup(STDOUT_FILENO)) {
    std::cout.flush();
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~StdoutToNull() {
    std::cout.flush();
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

constexpr int kThreads = 8;

class DumpThreads : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    std::string error;
    ASSERT_TRUE(zyn::mem::GenerateTable(20, 2, &table_, &error)) << error;
  }
  void TearDown() override {
    table_ = zyn::mem::LoadedTable();
    ModuleTest::TearDown();
  }
  zyn::mem::LoadedTable table_;
};

TEST_F(DumpThreads, DumpingOnTheTraceToolEachWriteAWholeDump) {
  PerThreadTrace trace;
  ZynDCIMpgTraceTool::SetValid(true);
  ZynDCIMpgTraceTool::_traceType = 1;
  ASSERT_EQ(DumpOf(table_.Find("manager"), 2, 1, 0), S_OK);
  const std::string alone = PerThreadTrace::Text();
  ASSERT_FALSE(alone.empty());

  std::vector<std::string> texts(kThreads);
  RunTogether(kThreads, [&](int t) {
    for (int mode : {1, 3}) DumpOf(table_.Find("manager"), 2, mode, 0);
    texts[t] = PerThreadTrace::Text();
  });
  for (const std::string& text : texts) EXPECT_EQ(text.substr(0, alone.size()), alone);
}

TEST_F(DumpThreads, DumpingOnStandardOutputAndNamedTracesShareNothing) {
  StdoutToNull quiet;
  ZynTrace::SetActive("ZynMpgProviderComponentTrace", true);
  ZynTrace::SetActive("ZynMpgMappingTrace", true);
  RunTogether(kThreads, [&](int t) {
    for (int level : {0, 1, 2, 3})
      EXPECT_EQ(DumpOf(table_.Find("manager"), level, 1 + t % 3, 0), S_OK);
  });
}

TEST_F(DumpThreads, AskingForExtensionsWhileTheSinkFlips) {
  StdoutToNull quiet;
  PerThreadTrace trace;
  ZynDCIMpgTraceTool::SetValidity({true, false, true, true, false});
  RunTogether(kThreads, [&](int) {
    for (const auto& [id, object] : table_.objects) DumpOf(object, 1, 1, 0);
  });
}

}  // namespace
}  // namespace zyn_test
