// The floor of a dump's Output form: the same lines, written through std::cout with std::endl.
//
// Usage: replay_stdout [--repeat K] [FILE]   (standard input when FILE is absent)
// Reads the whole text a dump wrote on standard output, then writes it again on standard output,
// one insertion and one std::endl per line, so that it pays what the dump cannot avoid (one
// flush per line end) and nothing else. A last piece without a newline is inserted and flushed.
// With --repeat, writes it K times and reports the fastest. Unless --bare is given, the
// replay goes through mpgdump's CountingStreambuf, as the dump does when mpgdump --stats times
// it, so that both pay the same for the counting.
// On standard error: "replay seconds: S", "lines: N", "bytes: N" (of one replay), then with
// the counting layer "counted lines: N", "counted bytes: N" (of all replays).
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "DumpStats.h"
#include "zyntoolio/StandardStreams.h"

namespace {

/// The whole content of iFile, read with plain stdio (never through std::cin, whose
/// synchronisation with stdio would make the reading slow for no purpose).
bool ReadAll(std::FILE* iFile, std::string* oText) {
  std::vector<char> chunk(1 << 20);
  std::size_t got = 0;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), iFile)) > 0)
    oText->append(chunk.data(), got);
  return !std::ferror(iFile);
}

/// What the command line asks for; repeat 0 when it is not understood.
struct Arguments {
  int repeat = 1;
  bool bare = false;
  const char* path = nullptr;  // standard input when null
};

Arguments ParseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
      arguments.repeat = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--bare") == 0) {
      arguments.bare = true;
    } else if (!arguments.path && argv[i][0] != '-') {
      arguments.path = argv[i];
    } else {
      arguments.repeat = 0;
      break;
    }
  }
  return arguments;
}

/// The whole text of the file iPath, or of standard input when null; false, with a message,
/// when it cannot be read.
bool ReadInput(const char* iPath, std::string* oText) {
  std::FILE* input = iPath ? std::fopen(iPath, "rb") : stdin;
  if (!input) {
    std::fprintf(stderr, "replay_stdout: cannot open %s: %s\n", iPath, std::strerror(errno));
    return false;
  }
  const bool read = ReadAll(input, oText);
  if (input != stdin) std::fclose(input);
  if (!read) std::fprintf(stderr, "replay_stdout: cannot read the input\n");
  return read;
}

/// Each line of ioText without its newline, NUL-terminated in place, as the dump's texts are,
/// into oLines; answers the last piece when it has no newline, else null.
const char* SplitLines(std::string* ioText, std::vector<const char*>* oLines) {
  std::string& text = *ioText;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) return text.c_str() + start;
    text[end] = '\0';
    oLines->push_back(text.c_str() + start);
    start = end + 1;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  // The same stream setting as mpgdump's: std::cout unsynchronised from C stdio, writing
  // through the same checked buffer.
  std::ios::sync_with_stdio(false);
  zyn::toolio::InstallStandardStreams(zyn::toolio::StandardDescriptors{});
  const Arguments arguments = ParseArguments(argc, argv);
  if (arguments.repeat < 1) {
    std::fprintf(stderr, "usage: replay_stdout [--repeat K] [--bare] [FILE]\n");
    return 2;
  }
  const int repeat = arguments.repeat;
  const bool bare = arguments.bare;
  std::string text;
  if (!ReadInput(arguments.path, &text)) return 2;
  std::vector<const char*> lines;
  const char* partial = SplitLines(&text, &lines);

  std::optional<mpgdump::CountingStreambuf> counter;
  if (!bare) counter.emplace(std::cout);
  double best = 0;
  for (int round = 0; round < repeat; ++round) {
    const auto begin = std::chrono::steady_clock::now();
    for (const char* line : lines) std::cout << line << std::endl;
    if (partial) std::cout << partial << std::flush;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
    if (round == 0 || seconds.count() < best) best = seconds.count();
  }

  std::fprintf(stderr, "replay seconds: %.6f\nlines: %zu\nbytes: %zu\n", best, lines.size(),
               text.size());
  if (counter)
    std::fprintf(stderr, "counted lines: %llu\ncounted bytes: %llu\n",
                 static_cast<unsigned long long>(counter->Lines()),
                 static_cast<unsigned long long>(counter->Bytes()));
  return zyn::toolio::FinishStandardStreams("replay_stdout") ? 0 : 1;
}
