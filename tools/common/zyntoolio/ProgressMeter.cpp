// Drawing, redrawing and erasing the progress line.
#include "zyntoolio/ProgressMeter.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>

#include "zyntoolio/SignalCleanup.h"

namespace zyn::toolio {

namespace {

constexpr int kDefaultColumns = 80;

bool SameTerminal(int iOne, int iOther) {
  struct stat one, other;
  return ::isatty(iOne) && ::fstat(iOne, &one) == 0 && ::fstat(iOther, &other) == 0 &&
         one.st_rdev == other.st_rdev;
}

std::string Amount(std::uint64_t iCount, bool iBytes) {
  char text[32];
  if (!iBytes) {
    std::snprintf(text, sizeof text, "%" PRIu64, iCount);
    return text;
  }
  static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(iCount);
  int unit = 0;
  while (value >= 1024 && unit < 4) {
    value /= 1024;
    ++unit;
  }
  if (unit == 0)
    std::snprintf(text, sizeof text, "%" PRIu64 " B", iCount);
  else
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string Duration(double iSeconds) {
  const auto seconds = static_cast<std::uint64_t>(iSeconds + 0.5);
  char text[32];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64 ":%02" PRIu64, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
  else
    std::snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64, seconds / 60, seconds % 60);
  return text;
}

}  // namespace

bool WantsProgress(ProgressChoice iChoice, bool iOthersWriteThere) {
  if (iChoice != ProgressChoice::Automatic) return iChoice == ProgressChoice::On;
  return !iOthersWriteThere && ::isatty(2) && !SameTerminal(1, 2);
}

std::string FormatProgress(const std::string& iTool, const ProgressUnit& iUnit, std::uint64_t iDone,
                           std::uint64_t iTotal, double iSeconds) {
  const std::string what = *iUnit.what ? std::string(" ") + iUnit.what : std::string();
  std::string line = iTool + ": " + Amount(iDone, iUnit.bytes);
  if (iTotal > 0) {
    line += " of " + Amount(iTotal, iUnit.bytes) + what;
    char share[16];
    std::snprintf(
        share, sizeof share, " (%d%%)",
        static_cast<int>(100.0 * static_cast<double>(iDone) / static_cast<double>(iTotal)));
    line += share;
  } else {
    line += what;
  }
  if (iSeconds < 0.25) return line;
  const double rate = static_cast<double>(iDone) / iSeconds;
  line += ", " + Amount(static_cast<std::uint64_t>(rate), iUnit.bytes) +
          (*iUnit.perSecond ? std::string(" ") + iUnit.perSecond : std::string("/s"));
  if (iTotal > 0 && iDone < iTotal && iSeconds >= 1 && rate > 0)
    line += ", " + Duration(static_cast<double>(iTotal - iDone) / rate) + " left";
  return line;
}

ProgressMeter::ProgressMeter(int iDescriptor, std::string iTool, ProgressUnit iUnit,
                             std::uint64_t iTotal)
    : descriptor_(iDescriptor),
      tool_(std::move(iTool)),
      unit_(iUnit),
      total_(iTotal),
      columns_(kDefaultColumns),
      start_(Clock::now()) {
  winsize size{};
  if (::ioctl(descriptor_, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) columns_ = size.ws_col;
  Draw(0, start_);
}

void ProgressMeter::ReadClock(std::uint64_t iDone) {
  calls_ = 0;
  const Clock::time_point now = Clock::now();
  if (now - lastDrawn_ >= kRedrawInterval) Draw(iDone, now);
}

void ProgressMeter::Draw(std::uint64_t iDone, Clock::time_point iNow) {
  lastDrawn_ = iNow;
  if (finished_) return;
  // A job in the background leaves the terminal to the foreground one.
  const pid_t foreground = ::tcgetpgrp(descriptor_);
  if (foreground >= 0 && foreground != ::getpgrp()) return;
  const std::chrono::duration<double> elapsed = iNow - start_;
  std::string text = FormatProgress(tool_, unit_, iDone, total_, elapsed.count());
  // Never the last column: a line that wraps cannot be drawn over in place.
  const auto room = static_cast<std::size_t>(columns_ - 1);
  if (text.size() > room) text.resize(room);
  const int width = static_cast<int>(text.size());
  std::string line = "\r" + text;
  if (width < drawnWidth_) line.append(static_cast<std::size_t>(drawnWidth_ - width), ' ');
  if (width > drawnWidth_) drawnWidth_ = width;
  const ssize_t written = ::write(descriptor_, line.data(), line.size());
  static_cast<void>(written);  // a line that cannot be drawn is no output of the tool's
  NoteDrawnLine(descriptor_, drawnWidth_);
}

void ProgressMeter::Finish() {
  if (finished_) return;
  finished_ = true;
  EraseDrawnLine();
}

}  // namespace zyn::toolio
