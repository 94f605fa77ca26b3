// What mpgdump --stats measures: the lines and bytes a dump writes on standard output, the time
// it takes and the memory the process holds.
#pragma once

#include <cstdint>
#include <ostream>
#include <streambuf>

#include "zyn/ZynMemTable.h"

namespace mpgdump {

/// Stands between an output stream and its buffer, counting the bytes and newlines that pass.
/// Holds no buffer of its own, so every write and every flush reaches the original buffer at
/// once and in order. Installed only when counting is asked for, so that the ordinary path pays
/// nothing; the original buffer is put back when it goes.
class CountingStreambuf : public std::streambuf {
 public:
  explicit CountingStreambuf(std::ostream& iStream);
  ~CountingStreambuf() override;
  CountingStreambuf(const CountingStreambuf&) = delete;
  CountingStreambuf& operator=(const CountingStreambuf&) = delete;

  std::uint64_t Bytes() const { return bytes_; }
  std::uint64_t Lines() const { return lines_; }

 protected:
  int_type overflow(int_type iChar) override;
  std::streamsize xsputn(const char* iText, std::streamsize iCount) override;
  int sync() override;

 private:
  std::ostream& stream_;
  std::streambuf* original_;
  std::uint64_t bytes_ = 0;
  std::uint64_t lines_ = 0;
};

/// The resident memory of the process now (VmRSS), in KiB; -1 when unknown.
long ResidentKiB();
/// The largest resident memory of the process so far, in KiB.
long PeakResidentKiB();
/// Starts a new peak: the kernel's high-water mark (VmHWM) drops to the resident memory now.
void ResetPeakResident();
/// The high-water mark since ResetPeakResident (VmHWM), in KiB; -1 when unknown.
long PeakResidentSinceResetKiB();

/// Writes the --stats report on standard error: iTable's objects and bytes, what iCounter
/// counted, the dump's iSeconds and the memory readings (iResidentBefore: before the dump).
void WriteStats(const zyn::mem::Table& iTable, const CountingStreambuf& iCounter, double iSeconds,
                long iResidentBefore);

}  // namespace mpgdump
