// Counting of standard output and readings of the process's memory for mpgdump --stats.
#include "DumpStats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>

#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

CountingStreambuf::CountingStreambuf(std::ostream& iStream)
    : stream_(iStream), original_(iStream.rdbuf()) {
  stream_.rdbuf(this);
}

CountingStreambuf::~CountingStreambuf() { stream_.rdbuf(original_); }

CountingStreambuf::int_type CountingStreambuf::overflow(int_type iChar) {
  if (traits_type::eq_int_type(iChar, traits_type::eof())) return traits_type::not_eof(iChar);
  const int_type written = original_->sputc(traits_type::to_char_type(iChar));
  if (!traits_type::eq_int_type(written, traits_type::eof())) {
    ++bytes_;
    if (traits_type::to_char_type(iChar) == '\n') ++lines_;
  }
  return written;
}

std::streamsize CountingStreambuf::xsputn(const char* iText, std::streamsize iCount) {
  const std::streamsize written = original_->sputn(iText, iCount);
  if (written > 0) {
    bytes_ += static_cast<std::uint64_t>(written);
    lines_ += static_cast<std::uint64_t>(std::count(iText, iText + written, '\n'));
  }
  return written;
}

int CountingStreambuf::sync() { return original_->pubsync(); }

namespace {
/// A "Name:   N kB" field of /proc/self/status, in KiB; -1 when absent.
long StatusKiB(const std::string& iField) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, iField.size(), iField) == 0) return std::stol(line.substr(iField.size()));
  }
  return -1;
}
}  // namespace

long ResidentKiB() { return StatusKiB("VmRSS:"); }

void ResetPeakResident() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";  // 5 resets the peak resident set size
}

long PeakResidentSinceResetKiB() { return StatusKiB("VmHWM:"); }

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // KiB on Linux
}

void WriteStats(const zyn::mem::Table& iTable, const CountingStreambuf& iCounter, double iSeconds,
                long iResidentBefore) {
  char line[160];
  std::string report;
  std::snprintf(line, sizeof line, "objects: %zu\n", iTable.CountObjects());
  report += line;
  std::snprintf(line, sizeof line, "lines: %" PRIu64 "\n", iCounter.Lines());
  report += line;
  std::snprintf(line, sizeof line, "bytes: %" PRIu64 "\n", iCounter.Bytes());
  report += line;
  std::snprintf(line, sizeof line, "dump seconds: %.6f\n", iSeconds);
  report += line;
  std::snprintf(line, sizeof line, "peak resident memory: %ld KiB\n", PeakResidentKiB());
  report += line;
  std::snprintf(line, sizeof line, "resident memory before dump: %ld KiB\n", iResidentBefore);
  report += line;
  std::snprintf(line, sizeof line, "peak resident memory during dump: %ld KiB\n",
                PeakResidentSinceResetKiB());
  report += line;
  std::snprintf(line, sizeof line, "table bytes: %zu\n", iTable.BytesUsed());
  report += line;
  zyn::toolio::OutputBuffer& standardError = zyn::toolio::StandardError();
  standardError.Write(report.data(), report.size());
  standardError.Flush();
}

}  // namespace mpgdump
