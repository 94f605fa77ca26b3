// Formats the trace tool's texts straight into the caller's buffer: literal text, %d, %u, %s
// and %% without the C library's stream set-up, from the format's pieces once it has been seen;
// anything else left to vsnprintf.
#include "ZynTraceFormat.h"

#include <charconv>
#include <cstring>

#include "ZynSplitFormat.h"
#include "ZynTextCopy.h"

namespace zyn::trace {

namespace {

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

/// FormatCommonConversions by reading the format as it goes: for formats that are not split,
/// and for buffers too small for a split format's room.
int FormatScanning(char* oText, std::size_t iSize, const char* iFormat, va_list iValues) {
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

}  // namespace

int FormatCommonConversions(char* oText, std::size_t iSize, const char* iFormat, va_list iValues) {
  const SplitFormat* split = FindKept(iFormat);
  if (!split || iSize < split->room) return FormatScanning(oText, iSize, iFormat, iValues);
  va_list again;
  va_copy(again, iValues);
  char* end = WritePieces(oText, oText + iSize, *split, iValues);
  // A %s value too long for the room the pieces keep may still fit exactly.
  const int length =
      end ? static_cast<int>(end - oText) : FormatScanning(oText, iSize, iFormat, again);
  va_end(again);
  if (end) *end = '\0';
  return length;
}

}  // namespace zyn::trace
