// A progress line on a terminal: how far a long task is, how fast it goes, how long is left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zyn::toolio {

/// How the command line chose: --progress, --no-progress, or neither.
enum class ProgressChoice { Automatic, On, Off };

/// Whether to show progress on standard error. On and Off decide; Automatic shows it only when
/// someone watches and nothing else writes there: standard error is a terminal, the tool writes
/// nothing else on it (iOthersWriteThere false: no trace text, say) and standard output is not
/// that same terminal (the tool's own text would scroll there).
bool WantsProgress(ProgressChoice iChoice, bool iOthersWriteThere);

/// What a progress line counts.
struct ProgressUnit {
  const char* what;       // after the counts: "DMT rows"; empty for bytes
  const char* perSecond;  // after the rate: "rows/s"; empty for bytes ("MiB/s")
  bool bytes;             // counts are bytes, shown as B, KiB, MiB, GiB
};

/// The text of one progress line, as "mpgdump: 1200 of 5000 DMT rows (24%), 950 rows/s, 0:04
/// left" or "mpgtree: 1.2 GiB of 2.0 GiB (60%), 45.0 MiB/s, 0:18 left". iTotal 0 is unknown:
/// no total, share or time left. The rate is left out before iSeconds is a quarter second, the
/// time left before a whole second.
std::string FormatProgress(const std::string& iTool, const ProgressUnit& iUnit, std::uint64_t iDone,
                           std::uint64_t iTotal, double iSeconds);

/// Draws a progress line on a terminal and redraws it in place, at most four times a second,
/// while a long task reports how far it is; Finish erases it, so that nothing of it stays on
/// the terminal or in its scroll-back. The line is cut to the terminal's width, and is not
/// drawn while the tool runs in the background. A signal handled by InstallSignalCleanup erases
/// it too.
///
/// Report is meant to be called for every small piece of work (every row): it makes no system
/// call; only every 64th call reads the monotonic clock (no system call either, on Linux).
class ProgressMeter {
 public:
  /// iDescriptor: the terminal. iTotal 0: unknown. The first line is drawn at once.
  ProgressMeter(int iDescriptor, std::string iTool, ProgressUnit iUnit, std::uint64_t iTotal);
  ~ProgressMeter() { Finish(); }
  ProgressMeter(const ProgressMeter&) = delete;
  ProgressMeter& operator=(const ProgressMeter&) = delete;

  /// That iDone units are done so far.
  void Report(std::uint64_t iDone) {
    if (++calls_ >= kCallsPerClockReading) ReadClock(iDone);
  }
  /// Erases the line; nothing is drawn afterwards.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr unsigned kCallsPerClockReading = 64;
  static constexpr Clock::duration kRedrawInterval = std::chrono::milliseconds(250);

  void ReadClock(std::uint64_t iDone);
  void Draw(std::uint64_t iDone, Clock::time_point iNow);

  int descriptor_;
  std::string tool_;
  ProgressUnit unit_;
  std::uint64_t total_;
  int columns_;
  unsigned calls_ = 0;
  int drawnWidth_ = 0;
  bool finished_ = false;
  Clock::time_point start_;
  Clock::time_point lastDrawn_;
};

}  // namespace zyn::toolio
