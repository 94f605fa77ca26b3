// Cuts the input into lines: read(2) into a large buffer, the line ends of a window of it found
// in one pass, 64 bytes at a time (a call of memchr per line of about 40 bytes costs more than
// the search).
#include "parse/LineSource.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "parse/LineEnds.h"

namespace zyn::reader {

long FileDescriptorSource::Read(char* oBuffer, std::size_t iCapacity, std::string* oError) {
  for (;;) {
    const ssize_t count = ::read(descriptor_, oBuffer, iCapacity);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    if (oError) *oError = std::strerror(errno);
    return -1;
  }
}

long MemorySource::Read(char* oBuffer, std::size_t iCapacity, std::string*) {
  std::size_t count = iCapacity < bytes_.size() ? iCapacity : bytes_.size();
  if (reads_.most != 0) {
    lastRead_ = reads_.rising ? lastRead_ % reads_.most + 1 : reads_.most;
    count = count < lastRead_ ? count : lastRead_;
  }
  if (count) std::memcpy(oBuffer, bytes_.data(), count);
  bytes_.remove_prefix(count);
  return static_cast<long>(count);
}

LineSource::LineSource(ByteSource& iSource, std::size_t iBlockSize)
    : source_(iSource),
      buffer_(new char[iBlockSize < 64 ? 64 : iBlockSize]),
      capacity_(iBlockSize < 64 ? 64 : iBlockSize) {}

bool LineSource::Fill() {
  if (atEnd_) return false;
  // The bytes kept: the unread ones, and the line cut last, which a parser may still look at.
  const std::size_t keep = lastStart_ < begin_ ? lastStart_ : begin_;
  if (keep > 0) {
    // Keep them at the front, so that the free room is one piece.
    std::memmove(buffer_.get(), buffer_.get() + keep, end_ - keep);
    end_ -= keep;
    scanned_ -= keep;
    begin_ -= keep;
    lastStart_ -= keep;
    Relocate(&line_.text, buffer_.get(), keep);
    Relocate(&taken_, buffer_.get(), keep);
  }
  if (end_ == capacity_) {
    // A line longer than the buffer: twice the room.
    std::unique_ptr<char[]> larger(new char[2 * capacity_]);
    std::memcpy(larger.get(), buffer_.get(), end_);
    const std::unique_ptr<char[]> old = std::exchange(buffer_, std::move(larger));
    capacity_ *= 2;
    Relocate(&line_.text, old.get(), 0);
    Relocate(&taken_, old.get(), 0);
  }
  const long count = ReadMore(buffer_.get() + end_, capacity_ - end_);
  if (count <= 0) {
    atEnd_ = true;
    if (count < 0 && failure_.empty()) failure_ = "read failure";
    return false;
  }
  end_ += static_cast<std::size_t>(count);
  bytesRead_ += static_cast<std::uint64_t>(count);
  return true;
}

long LineSource::ReadMore(char* oBuffer, std::size_t iCapacity) {
  if (asideTaken_ < aside_.size()) {
    const std::size_t left = aside_.size() - asideTaken_;
    const std::size_t count = iCapacity < left ? iCapacity : left;
    std::memcpy(oBuffer, aside_.data() + asideTaken_, count);
    asideTaken_ += count;
    if (asideTaken_ == aside_.size()) {
      aside_.clear();
      asideTaken_ = 0;
    }
    return static_cast<long>(count);
  }
  if (!asideEnded_) return source_.Read(oBuffer, iCapacity, &failure_);
  failure_ = asideFailure_;
  return failure_.empty() ? 0 : -1;
}

bool LineSource::ReadAside() {
  if (atEnd_ || asideEnded_) return false;
  constexpr std::size_t kPiece = std::size_t{64} << 10;
  const std::size_t size = aside_.size();
  aside_.resize(size + kPiece);
  const long count = source_.Read(&aside_[size], kPiece, &asideFailure_);
  aside_.resize(size + (count > 0 ? static_cast<std::size_t>(count) : 0));
  if (count > 0) return true;
  asideEnded_ = true;
  if (count < 0 && asideFailure_.empty()) asideFailure_ = "read failure";
  return false;
}

void LineSource::Relocate(std::string_view* ioText, const char* iOld, std::size_t iShift) const {
  const char* at = ioText->data();
  // A view of bytes that the buffer no longer holds, or of none, is left empty.
  if (at == nullptr || at < iOld + iShift || at > iOld + iShift + end_) {
    *ioText = {};
    return;
  }
  *ioText = std::string_view(buffer_.get() + (at - iOld) - iShift, ioText->size());
}

bool LineSource::NextLineEnd(std::size_t* oStop) {
  while (nextEnd_ == endCount_) {
    if (scanned_ == end_ && !Fill()) return false;
    ScanWindow();
  }
  *oStop = ends_[nextEnd_++];
  return true;
}

void LineSource::ScanWindow() {
  const char* bytes = buffer_.get();
  const std::size_t stop = end_ - scanned_ < kWindow ? end_ : scanned_ + kWindow;
  std::size_t count = 0;
  std::size_t at = scanned_;
  for (; stop - at >= 64; at += 64)
    for (std::uint64_t mask = LineEndsOf64(bytes + at); mask != 0; mask &= mask - 1)
      ends_[count++] = at + static_cast<std::size_t>(__builtin_ctzll(mask));
  for (; at < stop; ++at)  // the last bytes of the block, fewer than 64
    if (bytes[at] == '\n') ends_[count++] = at;
  scanned_ = stop;
  nextEnd_ = 0;
  endCount_ = count;
}

bool LineSource::Fetch() {
  std::size_t stop = 0;
  if (NextLineEnd(&stop)) {
    CutAt(stop);
    return true;
  }
  if (begin_ == end_ || !failure_.empty()) return false;
  line_.text = std::string_view(buffer_.get() + begin_, end_ - begin_);
  line_.ended = false;
  line_.number = ++number_;
  line_.column = 1;
  lastStart_ = begin_;
  begin_ = end_;
  hasLine_ = true;
  return true;
}

void LineSource::KeepRest(std::size_t iOffset) {
  if (!hasLine_ || iOffset > line_.text.size()) return;
  line_.text.remove_prefix(iOffset);
  line_.column += static_cast<std::uint32_t>(iOffset);
}

std::string_view LineSource::Lookahead() {
  if (!hasLine_ && begin_ == end_)
    while (Fill() && end_ < capacity_) {
    }
  if (hasLine_) {
    // The current line's bytes precede begin_ in the buffer, unmoved since it was cut.
    const std::size_t from = static_cast<std::size_t>(line_.text.data() - buffer_.get());
    return std::string_view(buffer_.get() + from, end_ - from);
  }
  return std::string_view(buffer_.get() + begin_, end_ - begin_);
}

std::optional<std::string_view> LineSource::NextLine() {
  if (!hasLine_ || !line_.ended) return std::nullopt;
  // The current line ends just before begin_.
  const char* from = buffer_.get() + begin_;
  const std::size_t inBuffer = end_ - begin_;
  if (const void* stop = std::memchr(from, '\n', inBuffer))
    return std::string_view(from, static_cast<std::size_t>(static_cast<const char*>(stop) - from));
  // The next line goes on past the bytes in the buffer, which stay where they are.
  for (std::size_t searched = asideTaken_;;) {
    const std::size_t stop = aside_.find('\n', searched);
    if (stop != std::string::npos) {
      nextLine_.assign(from, inBuffer);
      nextLine_.append(aside_, asideTaken_, stop - asideTaken_);
      return std::string_view(nextLine_);
    }
    searched = aside_.size();
    if (!ReadAside()) return std::nullopt;
  }
}

}  // namespace zyn::reader
