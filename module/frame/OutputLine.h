// The Output form's pieces of one emission, gathered on the stack and handed to the stream in
// one write per line end, with the flushes and the bytes of one insertion per piece.
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>

namespace zyn_mpg {

/// Stands for std::cout during one emission of the Output form. The pieces inserted into it
/// reach the stream in the order given, byte for byte as the stream's own insertions would
/// write them, but in as few writes as possible:
/// - std::endl is the newline and a flush of the stream, as on the stream: what is pending is
///   written first, so a line reaches the stream in one write followed by one flush;
/// - anything still pending is written when the object is destroyed (the emission's end) and
///   before Stream() hands the stream to a host printer that writes there itself; a caller
///   that runs a printer choosing its own sink (the uuid printer, say) calls WritePending()
///   first, so that nothing else that writes to the stream can see a difference;
/// - counts are written in decimal by the module's own code (std::to_chars), never through the
///   stream's locale, which the module never changes;
/// - when the stream is in a state in which pieces inserted one by one would differ from one
///   write (unitbuf set or a tied stream: a flush per insertion; a field width; a base or a
///   sign flag on counts), each piece is inserted into the stream on its own, as is a null
///   text, so that the stream answers it as it always has.
/// Nothing here flushes except std::endl (and std::flush, if a caller writes one).
class OutputLine {
 public:
  explicit OutputLine(std::ostream& ioStream) : stream_(ioStream) {}
  ~OutputLine() { WritePending(); }
  OutputLine(const OutputLine&) = delete;
  OutputLine& operator=(const OutputLine&) = delete;

  OutputLine& operator<<(const char* iText) {
    if (iText && Gathers())
      Append(iText, std::strlen(iText));
    else
      InsertAlone(iText);
    return *this;
  }
  OutputLine& operator<<(int iValue);
  OutputLine& operator<<(unsigned int iValue);
  /// std::endl ends the line: newline, the line's one write, then a flush. Any other
  /// manipulator is applied to the stream after what is pending.
  OutputLine& operator<<(std::ostream& (*iManipulator)(std::ostream&)) {
    if (iManipulator == kEndLine && Gathers()) {
      // The stream's std::endl is put('\n') then flush(): the same bytes and the one flush.
      Append("\n", 1);
      WritePending();
      stream_.flush();
    } else {
      WritePending();
      iManipulator(stream_);
    }
    return *this;
  }
  /// iCount characters of iText, as std::ostream::write.
  OutputLine& write(const char* iText, std::streamsize iCount) {
    if (Gathers()) {
      Append(iText, static_cast<std::size_t>(iCount));
    } else {
      WritePending();
      stream_.write(iText, iCount);
    }
    return *this;
  }

  /// The stream itself, for code that writes there on its own: what is pending goes first.
  std::ostream& Stream() {
    WritePending();
    return stream_;
  }

  /// Writes what is pending to the stream, in one write.
  void WritePending() {
    if (used_ != 0) {
      stream_.write(buffer_, static_cast<std::streamsize>(used_));
      used_ = 0;
    }
  }

 private:
  /// Room for one line of ordinary length; a longer piece is written on its own.
  static constexpr std::size_t kCapacity = 256;

  /// True when one write of several pieces leaves the stream exactly as their insertions one
  /// by one would; read afresh at each piece, since a host printer may change the stream.
  bool Gathers() const {
    constexpr std::ios_base::fmtflags kPieceByPiece =
        std::ios_base::unitbuf | std::ios_base::showpos | std::ios_base::hex | std::ios_base::oct;
    return (stream_.flags() & kPieceByPiece) == 0 && stream_.width() == 0 &&
           stream_.tie() == nullptr;
  }
  /// Adds a piece to what is pending; one longer than the room left goes out on its own.
  void Append(const char* iText, std::size_t iCount) {
    if (used_ + iCount <= kCapacity) {
      std::memcpy(buffer_ + used_, iText, iCount);
      used_ += iCount;
    } else {
      AppendLong(iText, iCount);
    }
  }
  void AppendLong(const char* iText, std::size_t iCount);
  /// A text inserted into the stream on its own, after what is pending (a null text included:
  /// the stream answers it as it always has).
  void InsertAlone(const char* iText);
  /// A count in decimal: gathered through std::to_chars, or, when the line cannot gather,
  /// inserted into the stream as before.
  template <class Integer>
  OutputLine& InsertInteger(Integer iValue);

  /// The stream's own std::endl, told apart from other manipulators by its address.
  static constexpr std::ostream& (*kEndLine)(std::ostream&) =
      std::endl<char, std::char_traits<char>>;

  std::ostream& stream_;
  std::size_t used_ = 0;
  char buffer_[kCapacity];
};

}  // namespace zyn_mpg
