// The gathering of one emission's Output pieces: texts, counts in decimal and line ends.
#include "frame/OutputLine.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace zyn_mpg {

namespace {
/// The stream's own std::endl, told apart from other manipulators by its address.
using Manipulator = std::ostream& (*)(std::ostream&);
const Manipulator kEndLine = static_cast<Manipulator>(std::endl<char, std::char_traits<char>>);

/// Room for an int or an unsigned int in decimal, sign included.
constexpr std::size_t kDigitsRoom = std::numeric_limits<unsigned int>::digits10 + 3;
}  // namespace

void OutputLine::Append(const char* iText, std::size_t iCount) {
  if (used_ + iCount > kCapacity) {
    WritePending();
    if (iCount > kCapacity) {
      stream_.write(iText, static_cast<std::streamsize>(iCount));
      return;
    }
  }
  std::memcpy(buffer_ + used_, iText, iCount);
  used_ += iCount;
}

OutputLine& OutputLine::operator<<(const char* iText) {
  if (iText && Gathers()) {
    Append(iText, std::strlen(iText));
  } else {
    WritePending();
    stream_ << iText;
  }
  return *this;
}

OutputLine& OutputLine::operator<<(int iValue) {
  if (!Gathers()) {
    WritePending();
    stream_ << iValue;
    return *this;
  }
  char digits[kDigitsRoom];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, iValue);
  Append(digits, static_cast<std::size_t>(end.ptr - digits));
  return *this;
}

OutputLine& OutputLine::operator<<(unsigned int iValue) {
  if (!Gathers()) {
    WritePending();
    stream_ << iValue;
    return *this;
  }
  char digits[kDigitsRoom];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, iValue);
  Append(digits, static_cast<std::size_t>(end.ptr - digits));
  return *this;
}

OutputLine& OutputLine::operator<<(std::ostream& (*iManipulator)(std::ostream&)) {
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

OutputLine& OutputLine::write(const char* iText, std::streamsize iCount) {
  if (Gathers()) {
    Append(iText, static_cast<std::size_t>(iCount));
  } else {
    WritePending();
    stream_.write(iText, iCount);
  }
  return *this;
}

}  // namespace zyn_mpg
