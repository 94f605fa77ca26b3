// Formats the trace tool's texts straight into the caller's buffer: literal text, %d, %u, %s
// and %% without the C library's stream set-up, anything else left to vsnprintf.
#include "ZynTraceFormat.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace zyn::trace {

namespace {

/// Copies iLength bytes, from sizeof(Word) to twice as many, by two moves of a Word that overlap
/// in the middle: only the bytes given are read and written.
template <class Word>
inline void CopyOverlapping(char* oTo, const char* iFrom, std::size_t iLength) {
  Word head, tail;
  std::memcpy(&head, iFrom, sizeof head);
  std::memcpy(&tail, iFrom + iLength - sizeof tail, sizeof tail);
  std::memcpy(oTo, &head, sizeof head);
  std::memcpy(oTo + iLength - sizeof tail, &tail, sizeof tail);
}

/// Copies iLength bytes from iFrom to oTo, which do not overlap. The trace tool's texts are
/// short for the most part: up to 16 bytes they are copied inline, without the call and size
/// dispatch of memcpy; longer ones by memcpy.
inline void CopyText(char* oTo, const char* iFrom, std::size_t iLength) {
  if (iLength >= 8) {
    if (iLength <= 16)
      CopyOverlapping<std::uint64_t>(oTo, iFrom, iLength);
    else
      std::memcpy(oTo, iFrom, iLength);
  } else if (iLength >= 4) {
    CopyOverlapping<std::uint32_t>(oTo, iFrom, iLength);
  } else if (iLength >= 2) {
    CopyOverlapping<std::uint16_t>(oTo, iFrom, iLength);
  } else if (iLength == 1) {
    *oTo = *iFrom;
  }
}

/// Appends iLength bytes at ioAt; false when they would go past iLast, the terminator's place.
inline bool Append(char*& ioAt, const char* iLast, const char* iText, std::size_t iLength) {
  if (iLength > static_cast<std::size_t>(iLast - ioAt)) return false;
  CopyText(ioAt, iText, iLength);
  ioAt += iLength;
  return true;
}

/// Writes the decimal text of iNumber at ioAt; false when it would go past iLast.
template <class Number>
inline bool AppendNumber(char*& ioAt, char* iLast, Number iNumber) {
  const std::to_chars_result result = std::to_chars(ioAt, iLast, iNumber);
  if (result.ec != std::errc()) return false;
  ioAt = result.ptr;
  return true;
}

}  // namespace

int FormatCommonConversions(char* oText, std::size_t iSize, const char* iFormat, va_list iValues) {
  if (iSize == 0) return -1;
  char* at = oText;
  char* const last = oText + iSize - 1;
  const char* piece = iFormat;
  while (*piece != '\0') {
    // The literal run up to the next conversion or the end of the format, copied at once.
    const char* percent = piece;
    if (*piece != '%') {
      percent = strchrnul(piece, '%');
      if (!Append(at, last, piece, static_cast<std::size_t>(percent - piece))) return -1;
    }
    if (*percent == '\0') break;
    bool appended = false;
    switch (percent[1]) {
      case 'd':
        appended = AppendNumber(at, last, va_arg(iValues, int));
        break;
      case 'u':
        appended = AppendNumber(at, last, va_arg(iValues, unsigned));
        break;
      case 's': {
        const char* text = va_arg(iValues, const char*);
        appended = text && Append(at, last, text, std::strlen(text));
        break;
      }
      case '%':
        appended = Append(at, last, "%", 1);
        break;
      default:  // another conversion, a flag, a width, or a lone '%' at the end
        break;
    }
    if (!appended) return -1;
    piece = percent + 2;
  }
  *at = '\0';
  return static_cast<int>(at - oText);
}

}  // namespace zyn::trace
