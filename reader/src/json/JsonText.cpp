// JSON strings: plain bytes checked and copied eight at a time, the rest escaped.
#include "zyn/reader/JsonText.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace zyn::reader {

namespace {

/// The length of the UTF-8 sequence at iText[0], or 0 when it is not a valid one.
std::size_t Utf8Length(std::string_view iText) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(iText[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned minimum = 0;
  unsigned code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1Fu, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0Fu, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07u, minimum = 0x10000;
  } else {
    return 0;
  }
  if (iText.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

/// Whether the eight bytes of iWord are all plain: printable ASCII, neither quote nor backslash.
bool PlainWord(std::uint64_t iWord) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  const auto hasZero = [](std::uint64_t iBytes) { return (iBytes - kOnes) & ~iBytes & kHighs; };
  const std::uint64_t special = (iWord & kHighs) | ((iWord - 0x20 * kOnes) & ~iWord & kHighs) |
                                hasZero(iWord ^ ('"' * kOnes)) | hasZero(iWord ^ ('\\' * kOnes));
  return special == 0;
}

template <class Word>
Word Load(const char* iBytes) {
  Word word;
  std::memcpy(&word, iBytes, sizeof word);
  return word;
}

template <class Word>
void Store(char* oBytes, Word iWord) {
  std::memcpy(oBytes, &iWord, sizeof iWord);
}

/// Copies the iSize bytes at iText to oOut when they are all plain, a word at a time: the last
/// bytes as a word that overlaps the one before, a short text as two halves that overlap. Answers
/// whether they were all plain (bytes may have been written to oOut when not).
bool CopyPlain(const char* iText, std::size_t iSize, char* oOut) {
  constexpr std::uint64_t kBlanks = 0x2020202020202020ull;  // plain bytes that fill a word
  if (iSize >= 8) {
    for (std::size_t i = 0; i + 8 < iSize; i += 8) {
      const auto word = Load<std::uint64_t>(iText + i);
      if (!PlainWord(word)) return false;
      Store(oOut + i, word);
    }
    const auto last = Load<std::uint64_t>(iText + iSize - 8);
    Store(oOut + iSize - 8, last);
    return PlainWord(last);
  }
  if (iSize >= 4) {
    const auto first = Load<std::uint32_t>(iText), last = Load<std::uint32_t>(iText + iSize - 4);
    Store(oOut, first);
    Store(oOut + iSize - 4, last);
    return PlainWord(first | std::uint64_t{last} << 32);
  }
  if (iSize >= 2) {
    const auto first = Load<std::uint16_t>(iText), last = Load<std::uint16_t>(iText + iSize - 2);
    Store(oOut, first);
    Store(oOut + iSize - 2, last);
    return PlainWord(first | std::uint64_t{last} << 16 | kBlanks << 32);
  }
  if (iSize == 1) {
    *oOut = *iText;
    return PlainWord(static_cast<unsigned char>(*iText) | kBlanks << 8);
  }
  return true;
}

/// Whether a byte is written as it is: printable ASCII but the quote and the backslash.
bool IsPlainByte(char iByte) {
  const auto byte = static_cast<unsigned char>(iByte);
  return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\';
}

/// The bytes of iText written as a JSON string's content, escaped where they must be, and the
/// closing quote.
void AppendEscaped(std::string_view iText, JsonText* oJson) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t plain = 0;  // start of the bytes not yet written
  for (std::size_t i = 0; i < iText.size();) {
    // Eight plain bytes at a time, while there are eight.
    if (i + 8 <= iText.size() && PlainWord(Load<std::uint64_t>(iText.data() + i))) {
      i += 8;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(iText[i]);
    if (IsPlainByte(static_cast<char>(c))) {
      ++i;
      continue;
    }
    std::size_t length = 1;
    if (c >= 0x80) {
      length = Utf8Length(iText.substr(i));
      if (length) {
        i += length;
        continue;
      }
      length = 1;
    }
    oJson->Append(iText.data() + plain, i - plain);
    if (c == '"' || c == '\\') {
      oJson->Push('\\');
      oJson->Push(static_cast<char>(c));
    } else if (c == '\n') {
      oJson->Append("\\n");
    } else if (c == '\t') {
      oJson->Append("\\t");
    } else if (c == '\r') {
      oJson->Append("\\r");
    } else if (c < 0x20) {
      const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      oJson->Append(escape, sizeof escape);
    } else {
      oJson->Append("\xEF\xBF\xBD");  // not UTF-8: the replacement character
    }
    i += length;
    plain = i;
  }
  oJson->Append(iText.data() + plain, iText.size() - plain);
  oJson->Push('"');
}

}  // namespace

void AppendJsonString(std::string_view iText, JsonText* oJson) {
  // Most texts are plain: they are copied with their quotes into room claimed once.
  const std::size_t size = iText.size();
  char* out = oJson->Claim(size + 2);
  *out = '"';
  if (CopyPlain(iText.data(), size, out + 1)) {
    out[size + 1] = '"';
    oJson->Commit(out + size + 2);
    return;
  }
  oJson->Commit(out + 1);
  AppendEscaped(iText, oJson);
}

}  // namespace zyn::reader
