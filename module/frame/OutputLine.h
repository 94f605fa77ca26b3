// The Output form's pieces of one emission, gathered on the stack and handed to the stream in
// one write per line end, with the flushes and the bytes of one insertion per piece.
#pragma once

#include <cstddef>
#include <cstring>
#include <ostream>
#include <string_view>

namespace zyn_mpg {

/// Stands for std::cout during one emission of the Output form. Each piece (a text, an int,
/// an unsigned int, std::endl) reaches the stream exactly as its ordinary insertion into the
/// stream would write it, with the same flushes and the same state left behind, but, in the
/// stream's usual state, in as few writes as possible:
/// - the pieces are gathered only while one write of them is the same as their insertions one
///   by one: the stream good, no field width, no tied stream, no unitbuf, and for a count or a
///   line end also the classic locale (its digits, its newline) and neither a sign nor a base
///   flag; otherwise the piece is inserted into the stream on its own, after what is pending,
///   and so honours (and resets) a width, the locale's facets, the flags, the tie and unitbuf;
///   the state is read afresh at each piece, since a host printer may change the stream;
/// - std::endl is the newline and a flush of the stream, as on the stream: what is pending is
///   written first, so a gathered line reaches the stream in one write followed by one flush;
/// - anything still pending is written when the object is destroyed (the emission's end) and
///   before Stream() hands the stream to a host printer that writes there itself; a caller
///   that runs a printer choosing its own sink (the uuid printer, say) calls WritePending()
///   first, so that nothing else that writes to the stream can see a difference.
/// Nothing here flushes except std::endl (and std::flush, if a caller writes one).
class OutputLine {
 public:
  explicit OutputLine(std::ostream& ioStream) : stream_(ioStream) {}
  ~OutputLine() { WritePending(); }
  OutputLine(const OutputLine&) = delete;
  OutputLine& operator=(const OutputLine&) = delete;

  OutputLine& operator<<(const char* iText) {
    if (iText && GathersText())
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
    if (iManipulator == kEndLine && GathersCount()) {
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
  /// The text of iCount characters of iText as one piece, as if inserted as a text of its
  /// own; no piece at all when iCount is 0.
  OutputLine& write(const char* iText, std::streamsize iCount) {
    if (GathersText())
      Append(iText, static_cast<std::size_t>(iCount));
    else if (iCount != 0)
      InsertAlone(std::string_view(iText, static_cast<std::size_t>(iCount)));
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

  /// True when a text gathered and written with others leaves the stream exactly as its own
  /// insertion would: no fill, no flush of a tied stream, no flush after it, no failed state.
  bool GathersText() const {
    return stream_.rdstate() == std::ios_base::goodbit && stream_.width() == 0 &&
           (stream_.flags() & std::ios_base::unitbuf) == 0 && stream_.tie() == nullptr;
  }
  /// True when a count or a line end may be gathered too: as a text, and the count's digits
  /// (or the newline) are what the stream's own insertion would make of it.
  bool GathersCount() const {
    constexpr std::ios_base::fmtflags kCountFlags =
        std::ios_base::showpos | std::ios_base::hex | std::ios_base::oct;
    return GathersText() && (stream_.flags() & kCountFlags) == 0 && HasClassicLocale();
  }
  bool HasClassicLocale() const;
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
  /// A text inserted into the stream on its own, after what is pending (a null text too, so
  /// that the stream gives it the stream's own answer).
  void InsertAlone(const char* iText);
  void InsertAlone(std::string_view iText);
  /// A count: gathered in decimal through std::to_chars, or inserted into the stream.
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
