// The bytes of a dump from its reading to its writing, with their replacements.
#include "PendingText.h"

#include <algorithm>
#include <stdexcept>

namespace zyn::redact {

namespace {
constexpr std::uint64_t kDropAtLeast = 1 << 16;
}  // namespace

long PendingText::Read(char* oBuffer, std::size_t iCapacity, std::string* oError) {
  const long count = source_.Read(oBuffer, iCapacity, oError);
  if (count <= 0) return count;
  const std::uint64_t start = base_ + bytes_.size();
  bytes_.append(oBuffer, static_cast<std::size_t>(count));
  for (long i = 0; i < count; ++i)
    if (oBuffer[i] == '\n') lineStarts_.push_back(start + static_cast<std::uint64_t>(i) + 1);
  return count;
}

bool PendingText::Holds(std::uint64_t iLine) const {
  return iLine >= firstLine_ && iLine - firstLine_ < lineStarts_.size();
}

std::uint64_t PendingText::LineStart(std::uint64_t iLine) const {
  if (!Holds(iLine)) throw std::logic_error("redact: a line that is not held");
  return lineStarts_[iLine - firstLine_];
}

std::uint64_t PendingText::LineEnd(std::uint64_t iLine) const {
  return Holds(iLine + 1) ? LineStart(iLine + 1) - 1 : base_ + bytes_.size();
}

std::string_view PendingText::Bytes(std::uint64_t iFrom, std::uint64_t iCount) const {
  const std::uint64_t end = base_ + bytes_.size();
  if (iFrom < base_ || iFrom > end) return {};
  return std::string_view(bytes_).substr(iFrom - base_, std::min(iCount, end - iFrom));
}

void PendingText::Replace(std::uint64_t iFrom, std::uint64_t iCount, std::string iReplacement) {
  changes_.push_back(Change{iFrom, iCount, std::move(iReplacement)});
}

bool PendingText::WriteBefore(std::uint64_t iLine) {
  if (iLine <= firstLine_) return true;
  if (!Holds(iLine)) return WriteAll();
  const std::uint64_t end = LineStart(iLine);
  lineStarts_.erase(lineStarts_.begin(), lineStarts_.begin() + (iLine - firstLine_));
  firstLine_ = iLine;
  return WriteUpTo(end);
}

bool PendingText::WriteAll() {
  const std::uint64_t end = base_ + bytes_.size();
  firstLine_ += lineStarts_.size() - 1;
  lineStarts_.erase(lineStarts_.begin(), lineStarts_.end() - 1);
  return WriteUpTo(end);
}

bool PendingText::WriteUpTo(std::uint64_t iEnd) {
  std::stable_sort(changes_.begin(), changes_.end(),
                   [](const Change& iA, const Change& iB) { return iA.from < iB.from; });
  std::uint64_t at = written_;
  bool written = true;
  std::size_t done = 0;
  for (; done < changes_.size() && changes_[done].from < iEnd; ++done) {
    const Change& change = changes_[done];
    if (change.from < at || change.from + change.count > iEnd)
      throw std::logic_error("redact: changes that overlap, or cross what is written out");
    written = sink_.Write(Bytes(at, change.from - at)) && written;
    written = sink_.Write(change.replacement) && written;
    at = change.from + change.count;
  }
  changes_.erase(changes_.begin(), changes_.begin() + static_cast<std::ptrdiff_t>(done));
  written = sink_.Write(Bytes(at, iEnd - at)) && written;
  written_ = iEnd;
  // The bytes written out are dropped once they are many, and at least half of what is held.
  const std::uint64_t dropped = written_ - base_;
  if (dropped >= kDropAtLeast && dropped * 2 >= bytes_.size()) {
    bytes_.erase(0, static_cast<std::size_t>(dropped));
    base_ = written_;
  }
  return written;
}

}  // namespace zyn::redact
