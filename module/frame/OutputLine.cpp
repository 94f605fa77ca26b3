// The gathering of one emission's Output pieces: texts, counts in decimal and line ends.
#include "frame/OutputLine.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <locale>

namespace zyn_mpg {

namespace {
/// Room for an int or an unsigned int in decimal, sign included.
constexpr std::size_t kDigitsRoom = std::numeric_limits<unsigned int>::digits10 + 3;
}  // namespace

void OutputLine::AppendLong(const char* iText, std::size_t iCount) {
  WritePending();
  if (iCount > kCapacity) {
    stream_.write(iText, static_cast<std::streamsize>(iCount));
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

bool OutputLine::HasClassicLocale() const {
  static const std::locale& classic = std::locale::classic();
#if defined(__GLIBCXX__)
  // The stream's own locale by reference: getloc() copies it, which costs more than the rest
  // of a line's gathering.
  return stream_._M_getloc() == classic;
#else
  return stream_.getloc() == classic;
#endif
}

template <class Integer>
OutputLine& OutputLine::InsertInteger(Integer iValue) {
  if (!GathersCount()) {
    WritePending();
    stream_ << iValue;
    return *this;
  }
  char digits[kDigitsRoom];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, iValue);
  Append(digits, static_cast<std::size_t>(end.ptr - digits));
  return *this;
}

OutputLine& OutputLine::operator<<(int iValue) { return InsertInteger(iValue); }
OutputLine& OutputLine::operator<<(unsigned int iValue) { return InsertInteger(iValue); }

}  // namespace zyn_mpg
