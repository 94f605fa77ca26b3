// The tools' shared output library: failures kept with their reason, files replaced whole,
// outputs that name one file, and the text of the progress line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "zyntoolio/OutputBuffer.h"
#include "zyntoolio/ProgressMeter.h"
#include "zyntoolio/SharedOutputs.h"
#include "zyntoolio/WholeFile.h"

namespace {

namespace fs = std::filesystem;
using zyn::toolio::NamedOutput;
using zyn::toolio::OutputBuffer;
using zyn::toolio::WholeFile;

/// A fresh directory, removed with everything in it at the end of the test.
class ToolIo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "toolio.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& iName) const { return (dir_ / iName).string(); }
  static std::string Read(const std::string& iPath) {
    std::ifstream file(iPath);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void WriteFile(const std::string& iPath, const std::string& iText) {
    std::ofstream(iPath) << iText;
  }
  /// Everything in the directory, hidden files included.
  std::size_t Entries() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(ToolIo, AFailedOutputKeepsItsFirstReasonAndDropsTheRest) {
  int error = 0;
  std::unique_ptr<OutputBuffer> full = OutputBuffer::OpenFile("/dev/full", &error);
  ASSERT_TRUE(full);
  std::ostream stream(full.get());
  stream << "a line" << std::endl;
  EXPECT_TRUE(stream.bad());
  EXPECT_EQ(full->Error(), ENOSPC);
  EXPECT_FALSE(full->Close());
  EXPECT_EQ(full->Error(), ENOSPC);

  // A descriptor closed at start fails only once written to.
  OutputBuffer unused(-1, "standard output", false);
  EXPECT_TRUE(unused.Close());
  OutputBuffer used(-1, "standard output", false);
  used.Write("x", 1);
  EXPECT_FALSE(used.Close());
  EXPECT_EQ(used.Error(), EBADF);

  EXPECT_FALSE(OutputBuffer::OpenFile(Path("missing/file"), &error));
  EXPECT_EQ(error, ENOENT);
}

TEST_F(ToolIo, AWholeFileAppearsOnlyOnceCommitted) {
  int error = 0;
  std::unique_ptr<WholeFile> file = WholeFile::Create(Path("new.txt"), &error);
  ASSERT_TRUE(file) << error;
  file->Buffer().Write("text\n", 5);
  EXPECT_FALSE(fs::exists(Path("new.txt")));
  ASSERT_TRUE(file->Commit());
  EXPECT_EQ(Read(Path("new.txt")), "text\n");
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(fs::status(Path("new.txt")).permissions(), static_cast<fs::perms>(0666 & ~mask));
  EXPECT_EQ(Entries(), 1u);
}

TEST_F(ToolIo, AWholeFileReplacesWhatALinkNamesWithItsPermissions) {
  WriteFile(Path("old.txt"), "old\n");
  fs::permissions(Path("old.txt"), static_cast<fs::perms>(0640));
  fs::create_symlink("old.txt", Path("link"));
  int error = 0;
  std::unique_ptr<WholeFile> file = WholeFile::Create(Path("link"), &error);
  ASSERT_TRUE(file) << error;
  file->Buffer().Write("new\n", 4);
  ASSERT_TRUE(file->Commit());
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_EQ(Read(Path("old.txt")), "new\n");
  EXPECT_EQ(fs::status(Path("old.txt")).permissions(), static_cast<fs::perms>(0640));
  EXPECT_EQ(Entries(), 2u);
}

TEST_F(ToolIo, AnAbandonedWholeFileLeavesTheOldOneAndNoTemporary) {
  WriteFile(Path("kept.txt"), "kept\n");
  int error = 0;
  {
    std::unique_ptr<WholeFile> file = WholeFile::Create(Path("kept.txt"), &error);
    ASSERT_TRUE(file);
    file->Buffer().Write("half", 4);
    EXPECT_EQ(Entries(), 2u);  // the temporary beside it
  }
  EXPECT_EQ(Read(Path("kept.txt")), "kept\n");
  EXPECT_EQ(Entries(), 1u);

  fs::create_directory(Path("folder"));
  EXPECT_FALSE(WholeFile::Create(Path("folder"), &error));
  EXPECT_EQ(error, EISDIR);
  EXPECT_FALSE(WholeFile::Create(Path("missing/file"), &error));
  EXPECT_EQ(error, ENOENT);
  // What cannot be replaced is written directly.
  std::unique_ptr<WholeFile> device = WholeFile::Create("/dev/null", &error);
  ASSERT_TRUE(device);
  device->Buffer().Write("gone", 4);
  EXPECT_TRUE(device->Commit());
}

TEST_F(ToolIo, OutputsNamingOneFileAreFoundHoweverNamed) {
  WriteFile(Path("file"), "x");
  fs::create_hard_link(Path("file"), Path("hard"));
  fs::create_symlink("file", Path("soft"));
  fs::create_symlink("absent", Path("dangling"));
  struct Case {
    NamedOutput one, other;
    bool shared;
  };
  const Case cases[] = {
      {{"a", Path("file")}, {"b", Path("file")}, true},
      {{"a", Path("file")}, {"b", Path("hard")}, true},
      {{"a", Path("soft")}, {"b", Path("file")}, true},
      {{"a", Path("absent")}, {"b", Path("dangling")}, true},
      {{"a", Path("absent")}, {"b", Path("./absent")}, true},
      {{"a", Path("absent")}, {"b", Path("other")}, false},
      {{"a", Path("file")}, {"b", Path("other")}, false},
      {{"a", "/dev/null"}, {"b", "/dev/null"}, false},
      {{"a", "-"}, {"b", "-"}, true},
      {{"standard output", "", 1}, {"standard error", "", 2}, false},
      {{"standard output", "", 1}, {"a", "-"}, false},
  };
  for (const Case& c : cases) {
    const auto found = zyn::toolio::FindSharedFile({c.one, c.other});
    EXPECT_EQ(found.has_value(), c.shared) << c.one.path << " " << c.other.path;
  }
}

TEST(ProgressLine, SaysHowFarHowFastAndHowLongIsLeft) {
  const zyn::toolio::ProgressUnit rows{"DMT rows", "rows/s", false};
  const zyn::toolio::ProgressUnit bytes{"", "", true};
  EXPECT_EQ(zyn::toolio::FormatProgress("t", rows, 0, 5000, 0), "t: 0 of 5000 DMT rows (0%)");
  EXPECT_EQ(zyn::toolio::FormatProgress("t", rows, 1200, 5000, 0.5),
            "t: 1200 of 5000 DMT rows (24%), 2400 rows/s");
  EXPECT_EQ(zyn::toolio::FormatProgress("t", rows, 1000, 100000, 2),
            "t: 1000 of 100000 DMT rows (1%), 500 rows/s, 3:18 left");
  EXPECT_EQ(zyn::toolio::FormatProgress("t", rows, 10, 20000000, 1),
            "t: 10 of 20000000 DMT rows (0%), 10 rows/s, 555:33:19 left");
  EXPECT_EQ(zyn::toolio::FormatProgress("t", rows, 300, 0, 3), "t: 300 DMT rows, 100 rows/s");
  EXPECT_EQ(zyn::toolio::FormatProgress("t", bytes, 3u << 29, 2u << 30, 10),
            "t: 1.5 GiB of 2.0 GiB (75%), 153.6 MiB/s, 0:03 left");
}

}  // namespace
