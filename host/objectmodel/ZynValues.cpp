// The host's value types: UTF-8 strings, identifiers, binaries, octet sequences, times, and the
// hexadecimal text of bytes.
#include "zyn/ZynValues.h"

#include <cstring>

namespace {
constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr char kUpperDigits[] = "0123456789ABCDEF";
}  // namespace

// ---- ZynUnicodeString ----

ZynUnicodeString::ZynUnicodeString(const char* iText) : text_(iText ? iText : "") {}

ZynUnicodeString::ZynUnicodeString(const char* iText, int iByteCount) {
  if (iText && iByteCount > 0) text_.assign(iText, static_cast<std::size_t>(iByteCount));
}

ZynUnicodeString& ZynUnicodeString::operator=(const char* iText) {
  text_ = iText ? iText : "";
  return *this;
}

int ZynUnicodeString::GetLengthInChar() const {
  int count = 0;
  // Every byte that does not continue a sequence starts a character.
  for (unsigned char byte : text_)
    if ((byte & 0xC0u) != 0x80u) ++count;
  return count;
}

HRESULT ZynUnicodeString::BuildFromUCChar(const std::uint16_t* iUnits, int iCount) {
  text_.clear();
  if (!iUnits) return S_OK;
  for (int i = 0; i < iCount; ++i) {
    const unsigned unit = iUnits[i];
    if (unit == 0) break;
    if (unit < 0x80u) {
      text_ += static_cast<char>(unit);
    } else if (unit < 0x800u) {
      text_ += static_cast<char>(0xC0u | (unit >> 6));
      text_ += static_cast<char>(0x80u | (unit & 0x3Fu));
    } else {
      text_ += static_cast<char>(0xE0u | (unit >> 12));
      text_ += static_cast<char>(0x80u | ((unit >> 6) & 0x3Fu));
      text_ += static_cast<char>(0x80u | (unit & 0x3Fu));
    }
  }
  return S_OK;
}

// ---- ZynUuid ----

ZynUuid::ZynUuid(const std::uint8_t (&iBytes)[16]) { std::memcpy(bytes_, iBytes, sizeof bytes_); }

void ZynUuid::UUID_to_chaine(char* oBuffer, int) const {
  if (!oBuffer) return;
  for (std::size_t i = 0; i < sizeof bytes_; ++i) {
    oBuffer[2 * i] = kLowerDigits[bytes_[i] >> 4];
    oBuffer[2 * i + 1] = kLowerDigits[bytes_[i] & 0x0Fu];
  }
  oBuffer[2 * sizeof bytes_] = '\0';
}

// ---- ZynBinary and _SEQUENCE_octet ----

ZynBinary::ZynBinary(const std::uint8_t* iBytes, int iLength) : length_(iLength) {
  if (iBytes && iLength > 0) bytes_.assign(iBytes, iBytes + iLength);
}

ZynBinary ZynBinary::Hollow(int iLength) {
  ZynBinary binary;
  binary.length_ = iLength;
  binary.hollow_ = true;
  return binary;
}

_SEQUENCE_octet::_SEQUENCE_octet(const std::uint8_t* iOctets, int iLength) {
  if (iOctets && iLength > 0) {
    octets_.assign(iOctets, iOctets + iLength);
    length_ = iLength;
  }
}

// ---- ZynTime ----

ZynUnicodeString ZynTime::ConvertToString(const ZynUnicodeString& iFormat, int) const {
  std::tm moment{};
  if (!gmtime_r(&seconds_, &moment) || iFormat.str().empty()) return ZynUnicodeString();
  // strftime answers 0 both for an empty result and for a buffer too small: grow a few times.
  std::string buffer(64 + 4 * iFormat.str().size(), '\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const std::size_t written =
        std::strftime(&buffer[0], buffer.size(), iFormat.ConvertToChar(), &moment);
    if (written > 0) return ZynUnicodeString(buffer.data(), static_cast<int>(written));
    buffer.assign(buffer.size() * 4, '\0');
  }
  return ZynUnicodeString();
}

// ---- Hexadecimal ----

HRESULT ZynDbCharToHexa(const std::uint8_t* iBytes, int iCount, char* oBuffer, int iBufferSize) {
  if (!iBytes || !oBuffer || iCount < 0 || iBufferSize <= 0) return E_FAIL;
  const int fitting = (iBufferSize - 1) / 2;
  const int count = iCount < fitting ? iCount : fitting;
  for (int i = 0; i < count; ++i) {
    oBuffer[2 * i] = kUpperDigits[iBytes[i] >> 4];
    oBuffer[2 * i + 1] = kUpperDigits[iBytes[i] & 0x0Fu];
  }
  oBuffer[2 * count] = '\0';
  return S_OK;
}
