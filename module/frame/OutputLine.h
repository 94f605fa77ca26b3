// The Output form's pieces of one emission, gathered on the stack and handed to the stream's
// buffer in one write per line end, with the flushes and the bytes of one insertion per piece.
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
///   by one: the stream good, no field width, no tied stream, no unitbuf, and for a count also
///   the classic locale (its digits) and neither a sign nor a base flag; otherwise the piece is
///   inserted into the stream on its own, after what is pending, and so honours (and resets) a
///   width, the locale's facets, the flags, the tie and unitbuf;
/// - the stream's state is read at the first piece after anything touched the stream (a
///   write, a piece inserted on its own, Stream(), Reread()): nothing else writes to it while
///   pieces are gathered, so it stands until then;
/// - std::endl is the stream's own newline (its widen('\n')) and a flush of the stream: what is
///   pending is written first, so a gathered line reaches the stream in one write followed by
///   one flush;
/// - a write and a flush go straight to the stream's buffer, as the stream's write() and
///   flush() do in the state where they would check nothing (good, untied, no unitbuf):
///   the bytes copied into the room of the buffer's put area (as its sputc would put them)
///   or handed to sputn, then pubsync, badbit when the buffer refuses, and what the buffer throws
///   handled as the stream handles it; in any other state through write() and flush() themselves;
/// - a write the buffer refuses leaves the state that the pieces' own insertions would have
///   left: badbit, and failbit too when a later piece would have found the stream bad; an
///   exception the stream raises (its exception mask) goes to the caller, as an insertion's
///   would;
/// - its owner writes what is pending at the emission's end (WritePending); it is written too
///   before Stream() hands the stream to a host printer that writes there itself, and a caller
///   that runs a printer choosing its own sink (the uuid printer, say) calls WritePending()
///   first, so that nothing else that writes to the stream can see a difference; what is
///   still pending at destruction (an exception on its way) is written then, the stream's own
///   exception, if any, giving way to the one on its way.
/// Nothing here flushes except std::endl (and std::flush, if a caller writes one).
class OutputLine {
 public:
  explicit OutputLine(std::ostream& ioStream) : stream_(ioStream), state_(ioStream) {}
  ~OutputLine() {
    if (used_ != 0) WritePendingQuietly();
  }
  OutputLine(const OutputLine&) = delete;
  OutputLine& operator=(const OutputLine&) = delete;

  OutputLine& operator<<(const char* iText) {
    if (iText && GathersText())
      AppendPiece(iText, std::strlen(iText));
    else
      InsertAlone(iText);
    return *this;
  }
  OutputLine& operator<<(int iValue);
  OutputLine& operator<<(unsigned int iValue);
  /// std::endl ends the line: newline, the line's one write, then a flush. Any other
  /// manipulator is applied to the stream after what is pending.
  OutputLine& operator<<(std::ostream& (*iManipulator)(std::ostream&)) {
    if (iManipulator == kEndLine && GathersText()) {
      // The stream's std::endl is put(widen('\n')) then flush(): the same bytes, one flush.
      AppendChar(state_.widen('\n'));
      WriteLineAndFlush();
    } else {
      WritePending();
      iManipulator(stream_);
    }
    return *this;
  }
  /// The text of iCount characters of iText as one piece, as if inserted as a text of its
  /// own; no piece at all when iCount is 0.
  OutputLine& write(const char* iText, std::streamsize iCount) {
    if (iCount == 0) return *this;
    if (GathersText())
      AppendPiece(iText, static_cast<std::size_t>(iCount));
    else
      InsertAlone(std::string_view(iText, static_cast<std::size_t>(iCount)));
    return *this;
  }

  /// The iCount characters of iText, then std::endl: the same as write(iText, iCount) <<
  /// std::endl, with the stream's state read once for both.
  void WriteLine(const char* iText, std::size_t iCount);

  /// The stream itself, for code that writes there on its own: what is pending goes first.
  std::ostream& Stream() {
    WritePending();
    return stream_;
  }

  /// Writes what is pending to the stream, in one write; the stream's state is read again at
  /// the next piece.
  void WritePending() {
    if (used_ != 0) {
      const std::size_t count = used_;
      const std::size_t lastPiece = lastPiece_;
      used_ = lastPiece_ = 0;
      Hand(buffer_, count, lastPiece, texts_ == Reading::Gathered);
    }
    Reread();
  }

  /// Whether pieces wait to be written.
  bool Pending() const { return used_ != 0; }

  /// Reads the stream's state again at the next piece: for a caller that let other code run
  /// between its pieces.
  void Reread() { texts_ = counts_ = Reading::Unread; }

 private:
  /// Room for one line of ordinary length; a longer piece is written on its own. The line
  /// gathers here, in the object itself, rather than straight in the room of the stream's
  /// buffer: choosing that room at each line's start, checking it again at each emission of a
  /// held line, and writing the pieces through a pointer the compiler cannot tell from this
  /// object's own fields cost more per line than the one copy of the line saves.
  static constexpr std::size_t kCapacity = 256;

  /// What is known of the stream's state: not read since the stream was last touched, or
  /// whether pieces of a kind are gathered.
  enum class Reading : unsigned char { Unread, Gathered, Alone };

  /// True when a text (or a line end) gathered and written with others leaves the stream
  /// exactly as its own insertion would: no fill, no flush of a tied stream, no flush after
  /// it, no failed state.
  bool GathersText() {
    if (texts_ == Reading::Unread) texts_ = ReadTextState();
    return texts_ == Reading::Gathered;
  }
  /// True when a count may be gathered too: as a text, and the count's digits are what the
  /// stream's own insertion would make of it.
  bool GathersCount() {
    if (counts_ == Reading::Unread) counts_ = ReadCountState();
    return counts_ == Reading::Gathered;
  }
  Reading ReadTextState() const {
    return state_.rdstate() == std::ios_base::goodbit && state_.width() == 0 &&
                   (state_.flags() & std::ios_base::unitbuf) == 0 && state_.tie() == nullptr
               ? Reading::Gathered
               : Reading::Alone;
  }
  Reading ReadCountState();
  /// Adds a piece to what is pending; one longer than the room left goes out after it.
  void AppendPiece(const char* iText, std::size_t iCount) {
    if (used_ + iCount <= kCapacity) {
      lastPiece_ = used_;
      std::memcpy(buffer_ + used_, iText, iCount);
      used_ += iCount;
    } else {
      AppendLong(iText, iCount);
    }
  }
  void AppendChar(char iChar) {
    if (used_ < kCapacity) {
      lastPiece_ = used_;
      buffer_[used_++] = iChar;
    } else {
      AppendLong(&iChar, 1);
    }
  }
  /// Writes what is pending, then the piece: on its own when longer than the room, otherwise
  /// as the first of the next write.
  void AppendLong(const char* iText, std::size_t iCount);
  /// A text inserted into the stream on its own, after what is pending (a null text too, so
  /// that the stream gives it the stream's own answer).
  void InsertAlone(const char* iText);
  void InsertAlone(std::string_view iText);
  /// A count: gathered in decimal through std::to_chars, or inserted into the stream.
  template <class Integer>
  OutputLine& InsertInteger(Integer iValue);
  /// Hands iCount bytes to the stream in one write; iLastPiece is where the last of the
  /// pieces they hold starts. iStateRead: the state read for their gathering stands (good,
  /// untied, no unitbuf), so it need not be read again.
  void Hand(const char* iText, std::size_t iCount, std::size_t iLastPiece, bool iStateRead);
  /// WritePending, for the destructor: an exception of the stream's is dropped.
  void WritePendingQuietly() noexcept;
  /// Writes what is pending (a whole line), then flushes the stream; called once the line end
  /// is gathered. Never inlined, so that an instruction profile shows the writing apart.
  __attribute__((noinline)) void WriteLineAndFlush();
  /// The same where the buffer's room does not take the line (or the state asks for the
  /// stream's own write and flush): iCount bytes of the line pending.
  void WriteLineAndFlushElsewhere(std::size_t iCount);
  /// Flushes the stream.
  void Flush();

  /// The stream's own std::endl, told apart from other manipulators by its address.
  static constexpr std::ostream& (*kEndLine)(std::ostream&) =
      std::endl<char, std::char_traits<char>>;

  std::ostream& stream_;
  /// The stream's state, its virtual base reached once.
  std::ios& state_;
  std::size_t used_ = 0;
  std::size_t lastPiece_ = 0;
  Reading texts_ = Reading::Unread;
  Reading counts_ = Reading::Unread;
  char buffer_[kCapacity];
};

}  // namespace zyn_mpg
