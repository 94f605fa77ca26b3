// JSON strings: plain bytes copied eight at a time, the rest escaped.
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

/// Whether the eight bytes at iBytes are all plain: printable ASCII, neither quote nor backslash.
bool PlainWord(const char* iBytes) {
  std::uint64_t word;
  std::memcpy(&word, iBytes, sizeof word);
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  const auto hasZero = [](std::uint64_t iWord) { return (iWord - kOnes) & ~iWord & kHighs; };
  const std::uint64_t special = (word & kHighs) | ((word - 0x20 * kOnes) & ~word & kHighs) |
                                hasZero(word ^ ('"' * kOnes)) | hasZero(word ^ ('\\' * kOnes));
  return special == 0;
}

}  // namespace

void AppendJsonString(std::string_view iText, JsonText* oJson) {
  static constexpr char kHex[] = "0123456789abcdef";
  // The bytes written as they are: printable ASCII but the quote and the backslash.
  static const auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
  }();
  oJson->Push('"');
  std::size_t plain = 0;  // start of the bytes not yet written
  for (std::size_t i = 0; i < iText.size();) {
    // Eight plain bytes at a time, while there are eight.
    if (i + 8 <= iText.size() && PlainWord(iText.data() + i)) {
      i += 8;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(iText[i]);
    if (kPlain[c]) {
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

}  // namespace zyn::reader
