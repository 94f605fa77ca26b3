// Formats the trace tool's texts straight into the caller's buffer: literal text, %d, %u, %s
// and %% without the C library's stream set-up, anything else left to vsnprintf.
#include "ZynTraceFormat.h"

#include <charconv>
#include <cstring>

namespace zyn::trace {

namespace {

/// Appends iLength bytes at ioAt; false when they would not leave room for the terminator.
inline bool Append(char*& ioAt, const char* iEnd, const char* iText, std::size_t iLength) {
  if (static_cast<std::size_t>(iEnd - ioAt) <= iLength) return false;
  std::memcpy(ioAt, iText, iLength);
  ioAt += iLength;
  return true;
}

/// Appends the decimal text of iNumber; false when it would not leave room for the terminator.
template <class Number>
inline bool AppendNumber(char*& ioAt, const char* iEnd, Number iNumber) {
  char digits[16];
  const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, iNumber);
  return Append(ioAt, iEnd, digits, static_cast<std::size_t>(result.ptr - digits));
}

}  // namespace

int FormatCommonConversions(char* oText, std::size_t iSize, const char* iFormat, va_list iValues) {
  if (iSize == 0) return -1;
  char* at = oText;
  const char* const end = oText + iSize;
  const char* piece = iFormat;
  for (;;) {
    // The literal run up to the next conversion or the end of the format.
    const char* percent = std::strchr(piece, '%');
    const std::size_t literal =
        percent ? static_cast<std::size_t>(percent - piece) : std::strlen(piece);
    if (!Append(at, end, piece, literal)) return -1;
    if (!percent) break;
    bool fits = true;
    switch (percent[1]) {
      case 'd':
        fits = AppendNumber(at, end, va_arg(iValues, int));
        break;
      case 'u':
        fits = AppendNumber(at, end, va_arg(iValues, unsigned));
        break;
      case 's': {
        const char* text = va_arg(iValues, const char*);
        if (!text) return -1;
        fits = Append(at, end, text, std::strlen(text));
        break;
      }
      case '%':
        fits = Append(at, end, "%", 1);
        break;
      default:
        return -1;
    }
    if (!fits) return -1;
    piece = percent + 2;
  }
  *at = '\0';
  return static_cast<int>(at - oText);
}

}  // namespace zyn::trace
