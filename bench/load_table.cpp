// Times the loading of a table file: the reading of the file and zyn::mem::LoadTable, apart.
//
// Usage: load_table FILE
// Prints on standard error "read seconds: S", "load seconds: S", "bytes: N", "objects: N",
// "table bytes: N", "peak resident memory: N KiB".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "zyn/ZynMemTable.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: load_table FILE\n");
    return 2;
  }
  using Clock = std::chrono::steady_clock;

  const auto readStart = Clock::now();
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "load_table: cannot open %s\n", argv[1]);
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::chrono::duration<double> readSeconds = Clock::now() - readStart;

  const auto loadStart = Clock::now();
  zyn::mem::LoadedTable table;
  std::string error;
  if (!zyn::mem::LoadTable(text, &table, &error)) {
    std::fprintf(stderr, "load_table: %s: %s\n", argv[1], error.c_str());
    return 2;
  }
  const std::chrono::duration<double> loadSeconds = Clock::now() - loadStart;

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(stderr,
               "read seconds: %.6f\nload seconds: %.6f\nbytes: %zu\nobjects: %zu\ntable bytes: "
               "%zu\npeak resident memory: %ld KiB\n",
               readSeconds.count(), loadSeconds.count(), text.size(), table.table->CountObjects(),
               table.table->BytesUsed(), usage.ru_maxrss);
  return 0;
}
