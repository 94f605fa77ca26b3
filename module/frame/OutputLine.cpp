// The gathering of one emission's Output pieces (texts, counts in decimal, line ends) and
// their way to the stream's buffer.
#include "frame/OutputLine.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <limits>
#include <locale>
#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

namespace zyn_mpg {

namespace {
/// Room for an int or an unsigned int in decimal, sign included.
constexpr std::size_t kDigitsRoom = std::numeric_limits<unsigned int>::digits10 + 3;

/// The two digits of each number from 0 to 99.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

/// Writes iValue in decimal at oText, which has room for kDigitsRoom characters; answers the
/// end of what it wrote. The small numbers most counts are come from the table of pairs.
char* WriteDecimal(char* oText, unsigned int iValue) {
  if (iValue < 10) {
    *oText = static_cast<char>('0' + iValue);
    return oText + 1;
  }
  if (iValue < 100) {
    std::memcpy(oText, kDigitPairs + 2 * iValue, 2);
    return oText + 2;
  }
  return std::to_chars(oText, oText + kDigitsRoom, iValue).ptr;
}

/// The same for an int: a minus sign, then the digits of its magnitude.
char* WriteDecimal(char* oText, int iValue) {
  if (iValue >= 0) return WriteDecimal(oText, static_cast<unsigned int>(iValue));
  *oText = '-';
  return WriteDecimal(oText + 1, 0u - static_cast<unsigned int>(iValue));
}

/// True when the stream's write() and flush() would check nothing before reaching its buffer
/// and do nothing after: good (so it has a buffer), no tied stream to flush, no unitbuf.
bool ReachesBufferDirectly(const std::ostream& iStream) {
  return iStream.rdstate() == std::ios_base::goodbit && iStream.tie() == nullptr &&
         (iStream.flags() & std::ios_base::unitbuf) == 0 && iStream.rdbuf() != nullptr;
}

/// Inside a handler of what the stream's buffer threw: the stream turns bad, and the exception
/// goes on when the stream's exception mask holds badbit (or iAlways is set), as in the
/// stream's own write() and flush().
void FailFromBuffer(std::ostream& ioStream, bool iAlways) {
  const bool rethrow = iAlways || (ioStream.exceptions() & std::ios_base::badbit) != 0;
  try {
    ioStream.setstate(std::ios_base::badbit);
  } catch (const std::ios_base::failure&) {
    // The buffer's own exception goes on instead, below.
  }
  if (rethrow) throw;
}

/// Runs iCall, a call on the stream's buffer, as the stream's write() and flush() do: what it
/// throws turns the stream bad (FailFromBuffer). Answers whether it returned.
template <class Call>
bool RunOnBuffer(std::ostream& ioStream, Call&& iCall) {
  try {
    iCall();
    return true;
#if defined(__GLIBCXX__)
  } catch (abi::__forced_unwind&) {
    FailFromBuffer(ioStream, true);
#endif
  } catch (...) {
    FailFromBuffer(ioStream, false);
  }
  return false;
}

/// A stream buffer's put area, reached as the buffer's own sputc reaches it: bytes copied into
/// its room and counted with pbump are taken exactly as sputn would take them (a buffer's
/// xsputn writes as if by repeated sputc), without the virtual call. The members are named
/// through this class, which C++ allows for a derived class forming pointers to members.
class PutArea : public std::streambuf {
 public:
  /// Copies the iCount bytes of iText into ioBuffer's room when it holds them all; false, and
  /// nothing written, when it does not (no room at all included).
  static bool Put(std::streambuf& ioBuffer, const char* iText, std::streamsize iCount) {
    char* const room = RoomFor(ioBuffer, iCount);
    if (!room) return false;
    std::memcpy(room, iText, static_cast<std::size_t>(iCount));
    Take(ioBuffer, iCount);
    return true;
  }
  /// Where ioBuffer's room holds iCount more bytes; null when it does not.
  static char* RoomFor(std::streambuf& ioBuffer, std::streamsize iCount) {
    char* const next = (ioBuffer.*&PutArea::pptr)();
    return (ioBuffer.*&PutArea::epptr)() - next < iCount || iCount > INT_MAX ? nullptr : next;
  }
  /// Counts the iCount bytes written where RoomFor answered as taken by ioBuffer.
  static void Take(std::streambuf& ioBuffer, std::streamsize iCount) {
    (ioBuffer.*&PutArea::pbump)(static_cast<int>(iCount));
  }
};

/// The stream's write() where ReachesBufferDirectly, into the buffer's room when it holds the
/// bytes, through sputn otherwise: true when the buffer took every byte. Otherwise the stream is
/// left as the pieces' own insertions would leave it: the piece the buffer refused turns it bad,
/// and each piece after it (iLastPiece is where the last one starts) fails on a bad stream; either
/// step raises the stream's exception when its mask asks for it.
inline bool PutDirectly(std::ostream& ioStream, const char* iText, std::streamsize iCount,
                        std::size_t iLastPiece) {
  if (PutArea::Put(*ioStream.rdbuf(), iText, iCount)) return true;
  std::streamsize written = 0;
  RunOnBuffer(ioStream, [&] { written = ioStream.rdbuf()->sputn(iText, iCount); });
  if (written == iCount) return true;
  ioStream.setstate(std::ios_base::badbit);
  if (written < static_cast<std::streamsize>(iLastPiece)) ioStream.setstate(std::ios_base::failbit);
  return false;
}

/// The stream's flush() where ReachesBufferDirectly: the buffer's sync, badbit when it fails.
inline void SyncDirectly(std::ostream& ioStream, std::streambuf& ioBuffer) {
  int synced = 0;
  if (RunOnBuffer(ioStream, [&] { synced = ioBuffer.pubsync(); }) && synced == -1)
    ioStream.setstate(std::ios_base::badbit);
}
}  // namespace

OutputLine::Reading OutputLine::ReadCountState() {
  constexpr std::ios_base::fmtflags kCountFlags =
      std::ios_base::showpos | std::ios_base::hex | std::ios_base::oct;
  if (!GathersText() || (state_.flags() & kCountFlags) != 0) return Reading::Alone;
  static const std::locale& classic = std::locale::classic();
#if defined(__GLIBCXX__)
  // The stream's own locale by reference: getloc() copies it. A locale is a handle on its
  // implementation: the same handle is the same locale, with no call to compare them.
  const std::locale& own = state_._M_getloc();
  const bool isClassic = std::memcmp(&own, &classic, sizeof(std::locale)) == 0 || own == classic;
#else
  const bool isClassic = state_.getloc() == classic;
#endif
  return isClassic ? Reading::Gathered : Reading::Alone;
}

void OutputLine::AppendLong(const char* iText, std::size_t iCount) {
  WritePending();
  if (iCount > kCapacity) {
    Hand(iText, iCount, 0, false);
    return;
  }
  std::memcpy(buffer_, iText, iCount);
  used_ = iCount;
}

void OutputLine::InsertAlone(const char* iText) {
  WritePending();
  stream_ << iText;
}

void OutputLine::InsertAlone(std::string_view iText) {
  WritePending();
  stream_ << iText;
}

void OutputLine::Hand(const char* iText, std::size_t iCount, std::size_t iLastPiece,
                      bool iStateRead) {
  const auto count = static_cast<std::streamsize>(iCount);
  if (iStateRead ? stream_.rdbuf() != nullptr : ReachesBufferDirectly(stream_))
    PutDirectly(stream_, iText, count, iLastPiece);
  else
    stream_.write(iText, count);
}

void OutputLine::Flush() {
  if (ReachesBufferDirectly(stream_))
    SyncDirectly(stream_, *stream_.rdbuf());
  else
    stream_.flush();
}

void OutputLine::WriteLineAndFlush() {
  const std::size_t count = used_;
  used_ = 0;
  // The line end was gathered, so the state read for it stands: good, untied, no unitbuf; a
  // buffer with room for the line takes it, and nothing is left to check but its sync.
  std::streambuf* const buffer = state_.rdbuf();
  if (texts_ == Reading::Gathered && buffer != nullptr &&
      PutArea::Put(*buffer, buffer_, static_cast<std::streamsize>(count))) {
    lastPiece_ = 0;
    Reread();
    SyncDirectly(stream_, *buffer);
    return;
  }
  WriteLineAndFlushElsewhere(count);
}

void OutputLine::WriteLineAndFlushElsewhere(std::size_t iCount) {
  const auto count = static_cast<std::streamsize>(iCount);
  const std::size_t lastPiece = lastPiece_;
  const bool direct = texts_ == Reading::Gathered && stream_.rdbuf() != nullptr;
  lastPiece_ = 0;
  Reread();
  if (!direct) {
    stream_.write(buffer_, count);
    stream_.flush();
  } else if (PutDirectly(stream_, buffer_, count, lastPiece)) {
    SyncDirectly(stream_, *stream_.rdbuf());  // the write left the stream as it was
  } else {
    stream_.flush();  // on a stream turned bad, as std::endl's flush finds it
  }
}

void OutputLine::WriteLine(const char* iText, std::size_t iCount) {
  if (!GathersText() || kCapacity - used_ <= iCount) {
    write(iText, static_cast<std::streamsize>(iCount)) << std::endl;
    return;
  }
  // A line of its own goes straight into the room of the stream's buffer, if it has room: the
  // text, then std::endl's newline and flush.
  std::streambuf* const buffer = state_.rdbuf();
  const auto lineSize = static_cast<std::streamsize>(iCount + 1);
  if (used_ == 0 && buffer != nullptr) {
    if (char* const room = PutArea::RoomFor(*buffer, lineSize)) {
      std::memcpy(room, iText, iCount);
      PutArea::Take(*buffer, lineSize - 1);
      room[iCount] = state_.widen('\n');
      PutArea::Take(*buffer, 1);
      Reread();
      SyncDirectly(stream_, *buffer);
      return;
    }
  }
  if (iCount != 0) {
    std::memcpy(buffer_ + used_, iText, iCount);
    used_ += iCount;
  }
  // The line end is a piece of its own, as std::endl's newline is.
  lastPiece_ = used_;
  buffer_[used_++] = state_.widen('\n');
  WriteLineAndFlush();
}

void OutputLine::WritePendingQuietly() noexcept {
  try {
    WritePending();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the exception on its way wins
  }
}

template <class Integer>
OutputLine& OutputLine::InsertInteger(Integer iValue) {
  if (!GathersCount()) {
    WritePending();
    stream_ << iValue;
    return *this;
  }
  if (kCapacity - used_ >= kDigitsRoom) {
    // Straight into the line.
    lastPiece_ = used_;
    used_ = static_cast<std::size_t>(WriteDecimal(buffer_ + used_, iValue) - buffer_);
    return *this;
  }
  char digits[kDigitsRoom];
  AppendPiece(digits, static_cast<std::size_t>(WriteDecimal(digits, iValue) - digits));
  return *this;
}

OutputLine& OutputLine::operator<<(int iValue) { return InsertInteger(iValue); }
OutputLine& OutputLine::operator<<(unsigned int iValue) { return InsertInteger(iValue); }

}  // namespace zyn_mpg
