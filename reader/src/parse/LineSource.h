// The lines of an input, read in large blocks and cut at each line end without copying.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "zyn/reader/DumpReader.h"

namespace zyn::reader {

/// One line of the input, without its line end.
struct Line {
  std::string_view text;
  std::uint64_t number = 0;  // from 1
  std::uint32_t column = 1;  // the column of text[0]: above 1 for the rest of a line
  bool ended = true;         // a line end follows; false only for the input's last line
};

/// Reads a ByteSource in blocks and hands out its lines one at a time, as views of its buffer.
/// A line's text stays valid while it is current, and once moved past (Taken()) until the line
/// after the next one is cut: the buffer's bytes move only to make room, and never the bytes of
/// the line cut last. A line longer than the buffer grows the buffer.
class LineSource {
 public:
  explicit LineSource(ByteSource& iSource, std::size_t iBlockSize = std::size_t{1} << 20);

  /// The current line; null at the end of the input or after a read failure.
  const Line* Peek() {
    if (hasLine_) return &line_;
    if (nextEnd_ == endCount_) return Fetch() ? &line_ : nullptr;
    // A line end already found: the line is cut here, without a call.
    CutAt(ends_[nextEnd_++]);
    return &line_;
  }
  /// Moves past the current line.
  void Advance() {
    hasLine_ = false;
    taken_ = line_.text;
  }
  /// The text of the line moved past last (the rest of it, after KeepRest): valid until the
  /// line after the next one is cut, so that a parser looks at the next line before it decides
  /// what to do with this one, without a copy. Empty before the first Advance().
  std::string_view Taken() const { return taken_; }
  /// Makes the rest of the current line, from iOffset on, the current line (same number).
  void KeepRest(std::size_t iOffset);

  /// The bytes read ahead, from the current line on, for a look at what comes (at most one
  /// block; fewer near the end). When nothing is read yet, reads the first block full (or up to
  /// the input's end), so that what a look at it finds depends only on the bytes, not on how
  /// many each read hands out.
  std::string_view Lookahead();
  /// The text of the line after the current one, once its line end is read: reads on until it
  /// is, without moving a byte of the buffer (the bytes read ahead wait aside until Fill takes
  /// them), so that every view handed out stays valid. Null when the current line is the last
  /// one with a line end, or none is current. Valid until the next call.
  std::optional<std::string_view> NextLine();

  std::uint64_t LinesRead() const { return number_; }
  std::uint64_t BytesRead() const { return bytesRead_; }
  const std::string& Failure() const { return failure_; }

 private:
  bool Fetch();
  /// Makes the bytes up to the line end at iStop the current line.
  void CutAt(std::size_t iStop) {
    line_.text = std::string_view(buffer_.get() + begin_, iStop - begin_);
    line_.ended = true;
    line_.number = ++number_;
    line_.column = 1;
    lastStart_ = begin_;
    begin_ = iStop + 1;
    hasLine_ = true;
  }
  /// The offset of the next line end; false when the input ends first (or fails).
  bool NextLineEnd(std::size_t* oStop);
  /// Finds the line ends of the next window of the bytes read, from scanned_ on.
  void ScanWindow();
  /// Reads more bytes after the unread ones and the line cut last; false at the end or on
  /// failure.
  bool Fill();
  /// Reads into oBuffer the bytes read aside first, then from the source; as ByteSource::Read.
  long ReadMore(char* oBuffer, std::size_t iCapacity);
  /// Reads a piece of the input past the buffer into aside_; false at the end or on failure.
  bool ReadAside();
  /// Points iText, a view of the buffer at iOld, at the same bytes in the buffer now, where
  /// they lie iShift bytes before.
  void Relocate(std::string_view* ioText, const char* iOld, std::size_t iShift) const;

  ByteSource& source_;
  std::unique_ptr<char[]> buffer_;  // not cleared: only the bytes read are ever looked at
  std::size_t capacity_;
  std::size_t begin_ = 0;      // first byte not yet handed out
  std::size_t lastStart_ = 0;  // first byte of the line cut last, which Fill keeps
  std::size_t end_ = 0;        // end of the bytes read
  /// The bytes searched for line ends at once: a window holds at most this many.
  static constexpr std::size_t kWindow = 2048;
  std::size_t scanned_ = 0;    // end of the bytes whose line ends are known
  std::size_t ends_[kWindow];  // the offsets of the line ends of the last window
  std::size_t nextEnd_ = 0;    // the first of them not yet handed out
  std::size_t endCount_ = 0;
  bool atEnd_ = false;
  bool hasLine_ = false;
  Line line_;
  std::string_view taken_;  // the line moved past last
  std::uint64_t number_ = 0;
  std::uint64_t bytesRead_ = 0;
  std::string failure_;
  /// Bytes that NextLine read past the buffer's end, which Fill hands over before reading more.
  std::string aside_;
  std::size_t asideTaken_ = 0;  // the first byte of aside_ not yet handed over
  bool asideEnded_ = false;     // the input ended (or failed) after aside_
  std::string asideFailure_;    // the failure that ended it, reported once aside_ is used
  std::string nextLine_;        // NextLine's answer when it lies beyond the buffer
};

}  // namespace zyn::reader
