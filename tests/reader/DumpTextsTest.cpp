// The reader's one list of the dump's texts held to the dumps themselves: every text of the list
// stands in the expected dumps of the cases, and every tag line of those dumps is recognised by
// the table built from the list.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "parse/DumpTexts.h"

namespace zyn::reader {
namespace {

/// The expected dumps of every case, in either form.
std::vector<std::string> CaseDumps() {
  std::vector<std::string> dumps;
  for (const auto& entry : std::filesystem::directory_iterator(ZYN_CASES_DIR)) {
    for (const char* name : {"stdout", "trace"}) {
      std::ifstream file(entry.path() / name, std::ios::binary);
      if (!file) continue;
      std::ostringstream bytes;
      bytes << file.rdbuf();
      dumps.push_back(bytes.str());
    }
  }
  return dumps;
}

TEST(DumpTexts, EveryTextOfTheListStandsInTheCasesAndEveryTagLineIsRecognised) {
  const std::vector<std::string> dumps = CaseDumps();
  ASSERT_GT(dumps.size(), 50u);
  for (const text::DumpText& text : text::kAll) {
    bool found = false;
    for (const std::string& dump : dumps)
      found = found || dump.find(text.text) != std::string::npos;
    EXPECT_TRUE(found) << "no case dump holds \"" << text.text << "\"";
  }
  std::size_t tagLines = 0;
  for (const std::string& dump : dumps) {
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line[0] != '<') continue;
      ++tagLines;
      const text::LineClass seen = text::Classify(line);
      EXPECT_TRUE(seen.structural || seen.form != Form::Unknown)
          << "the list does not know the tag line \"" << line << "\"";
    }
  }
  EXPECT_GT(tagLines, 500u);
}

}  // namespace
}  // namespace zyn::reader
