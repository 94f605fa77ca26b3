// The hexadecimal text of a run of bytes, as the component dumps print identifiers and octet
// sequences: two digits a byte in a buffer of 2n+1 bytes, whose size must stay countable in an
// int.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>

#include "frame/DumpChannel.h"

namespace zyn_mpg {

/// The notice written in place of a text too long to print: its trace form, a format holding
/// one "%d" for the count, and standard output's text before the count.
struct TooLongNotice {
  const char* trace;
  const char* output;
};

/// Whether the hexadecimal text of iCount bytes can be made: its buffer, 2n+1 bytes, must stay
/// countable in an int. When it cannot, writes iTooLong with the count where the caller's line
/// stands (choosing its sink, ending no line), and answers false.
inline bool HexaTextFits(int iCount, const TooLongNotice& iTooLong) {
  if (iCount <= (INT_MAX - 1) / 2) return true;
  Emit([&] { TracePrint(iTooLong.trace, iCount); },
       [&](OutputLine& out) { out << iTooLong.output << iCount; });
  return false;
}

/// A hexadecimal text, two digits a byte, and the size of its buffer, the terminator included.
struct HexaText {
  std::unique_ptr<char[]> digits;
  int size = 0;
};

/// The hexadecimal text of iCount bytes, iCount from 1 to what HexaTextFits accepts; the
/// buffer's zero fill supplies the terminator. iBytes gives the bytes, asked for only once the
/// buffer is allocated: a failed allocation, left to the caller's caller, reads none.
template <class Bytes>
HexaText MakeHexaText(int iCount, Bytes&& iBytes) {
  HexaText text;
  text.size = 2 * iCount + 1;
  text.digits.reset(new char[text.size]());
  ZynDbCharToHexa(iBytes(), iCount, text.digits.get(), text.size);
  return text;
}

}  // namespace zyn_mpg
