// The host's value types: UTF-8 strings, identifiers, binaries, octet sequences, times, and the
// hexadecimal text of bytes.
#include "zyn/ZynValues.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// The hexadecimal digits of one case: the two digits of each byte value, in the order they
/// are written, and the digit of ten.
struct HexaDigits {
  char pairs[256][2];
  char ten;
};
constexpr HexaDigits MakeDigits(const char (&iDigits)[17]) {
  HexaDigits digits{};
  for (int value = 0; value < 256; ++value) {
    digits.pairs[value][0] = iDigits[value >> 4];
    digits.pairs[value][1] = iDigits[value & 0x0F];
  }
  digits.ten = iDigits[10];
  return digits;
}
constexpr HexaDigits kLowerDigits = MakeDigits("0123456789abcdef");
constexpr HexaDigits kUpperDigits = MakeDigits("0123456789ABCDEF");

#if defined(__SSE2__)
/// The 32 digits of 16 bytes at once: each nibble plus '0', plus the distance from there to the
/// letters for the nibbles above 9, the high and low nibbles of each byte interleaved.
void WriteHexaBlock(const std::uint8_t* iBytes, char iTen, char* oText) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iBytes));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const auto digits = [iTen](__m128i iNibbles) {
    const __m128i letters = _mm_cmpgt_epi8(iNibbles, _mm_set1_epi8(9));
    const __m128i toLetters = _mm_set1_epi8(static_cast<char>(iTen - '0' - 10));
    return _mm_add_epi8(_mm_add_epi8(iNibbles, _mm_set1_epi8('0')),
                        _mm_and_si128(letters, toLetters));
  };
  const __m128i high = digits(_mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
  const __m128i low = digits(_mm_and_si128(bytes, nibble));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(oText), _mm_unpacklo_epi8(high, low));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(oText + 16), _mm_unpackhi_epi8(high, low));
}
#endif

/// Writes the two digits of each byte of iBytes at oText: 16 bytes at a time where the
/// processor allows, then a table look-up and a two-byte move each.
void WriteHexa(const HexaDigits& iDigits, const std::uint8_t* iBytes, std::size_t iCount,
               char* oText) {
  std::size_t done = 0;
#if defined(__SSE2__)
  for (; done + 16 <= iCount; done += 16)
    WriteHexaBlock(iBytes + done, iDigits.ten, oText + 2 * done);
#endif
  for (; done < iCount; ++done) std::memcpy(oText + 2 * done, iDigits.pairs[iBytes[done]], 2);
}

/// Read 16 bytes at a time (the last 16 overlapping the blocks before them), or eight: the
/// checks of zeroed buffers stay a small part of the writes into them.
bool IsZeroFilled(const char* iBuffer, std::size_t iSize) {
#if defined(__SSE2__)
  if (iSize >= 16) {
    const auto block = [iBuffer](std::size_t iAt) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(iBuffer + iAt));
    };
    __m128i seen = block(iSize - 16);
    for (std::size_t done = 0; done + 16 <= iSize; done += 16)
      seen = _mm_or_si128(seen, block(done));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(seen, _mm_setzero_si128())) == 0xFFFF;
  }
#endif
  std::uint64_t seen = 0;
  std::size_t done = 0;
  for (; done + sizeof seen <= iSize; done += sizeof seen) {
    std::uint64_t word;
    std::memcpy(&word, iBuffer + done, sizeof word);
    seen |= word;
  }
  for (; done < iSize; ++done) seen |= static_cast<unsigned char>(iBuffer[done]);
  return seen == 0;
}
}  // namespace

// ---- ZynUnicodeString ----

ZynUnicodeString::ZynUnicodeString(const char* iText) {
  if (iText) Assign(iText, std::strlen(iText));
}

ZynUnicodeString& ZynUnicodeString::operator=(const char* iText) {
  if (iText) {
    // A text that lies inside this string is copied by Assign before the room changes.
    Assign(iText, std::strlen(iText));
  } else {
    Assign("", 0);
  }
  return *this;
}

char* ZynUnicodeString::Reserve(std::size_t iSize) {
  if (iSize > capacity_) {
    // Plain heap storage: array new stays the dumps' own, which fault tests count.
    auto* room = static_cast<char*>(std::malloc(iSize + 1));
    if (!room) throw std::bad_alloc();
    Release();
    data_ = room;
    capacity_ = iSize;
  }
  size_ = iSize;
  data_[iSize] = '\0';
  return data_;
}

void ZynUnicodeString::AssignOutOfPlace(const char* iText, std::size_t iSize) {
  if (Holds(iText)) {
    // Assigning a part of itself: go through a copy.
    const std::string copy(iText, iSize);
    std::memcpy(Reserve(iSize), copy.data(), iSize);
    return;
  }
  std::memcpy(Reserve(iSize), iText, iSize);
}

int ZynUnicodeString::GetLengthInChar() const {
  int count = 0;
  // Every byte that does not continue a sequence starts a character.
  for (unsigned char byte : str())
    if ((byte & 0xC0u) != 0x80u) ++count;
  return count;
}

HRESULT ZynUnicodeString::BuildFromUCChar(const std::uint16_t* iUnits, int iCount) {
  ZYN_CONTRACT(iCount >= 0 && (iUnits || iCount == 0), "ZynUnicodeString::BuildFromUCChar",
               "code units and their count");
  std::string text;
  if (iUnits) {
    for (int i = 0; i < iCount; ++i) {
      const unsigned unit = iUnits[i];
      if (unit == 0) break;
      if (unit < 0x80u) {
        text += static_cast<char>(unit);
      } else if (unit < 0x800u) {
        text += static_cast<char>(0xC0u | (unit >> 6));
        text += static_cast<char>(0x80u | (unit & 0x3Fu));
      } else {
        text += static_cast<char>(0xE0u | (unit >> 12));
        text += static_cast<char>(0x80u | ((unit >> 6) & 0x3Fu));
        text += static_cast<char>(0x80u | (unit & 0x3Fu));
      }
    }
  }
  Assign(text.data(), text.size());
  return S_OK;
}

// ---- ZynUuid ----

ZynUuid::ZynUuid(const std::uint8_t (&iBytes)[16]) { std::memcpy(bytes_, iBytes, sizeof bytes_); }

void ZynUuid::UUID_to_chaine(char* oBuffer, int iFlag) const {
  constexpr const char* kOperation = "ZynUuid::UUID_to_chaine";
  ZYN_CONTRACT(iFlag == 0, kOperation, "the flag 0");
  ZYN_CONTRACT(oBuffer && IsZeroFilled(oBuffer, kBufferBytes), kOperation,
               "a buffer of 36 zero bytes");
  if (!oBuffer) return;
  WriteHexa(kLowerDigits, bytes_, sizeof bytes_, oBuffer);
  oBuffer[2 * sizeof bytes_] = '\0';
}

// ---- ZynHeldBytes, ZynBinary and _SEQUENCE_octet ----

ZynHeldBytes ZynHeldBytes::Copying(const std::uint8_t* iBytes, int iCount) {
  ZynHeldBytes held;
  if (iBytes && iCount > 0) {
    held.owned_.assign(iBytes, iBytes + iCount);
    held.data_ = held.owned_.data();
    held.count_ = iCount;
  }
  return held;
}

ZynHeldBytes::ZynHeldBytes(const ZynHeldBytes& iOther)
    : owned_(iOther.owned_),
      data_(iOther.lent_     ? iOther.data_
            : owned_.empty() ? nullptr
                             : owned_.data()),
      count_(iOther.count_),
      lent_(iOther.lent_) {}

ZynHeldBytes& ZynHeldBytes::operator=(const ZynHeldBytes& iOther) {
  if (this != &iOther) *this = ZynHeldBytes(iOther);
  return *this;
}

std::uint8_t* ZynHeldBytes::MutableData() {
  if (lent_) {
    owned_.assign(data_, data_ + count_);
    data_ = owned_.data();
    lent_ = false;
  }
  return owned_.data();
}

ZynBinary::ZynBinary(const std::uint8_t* iBytes, int iLength)
    : bytes_(ZynHeldBytes::Copying(iBytes, iLength)), length_(iLength) {}

ZynBinary ZynBinary::Hollow(int iLength) {
  ZynBinary binary;
  binary.length_ = iLength;
  binary.hollow_ = true;
  return binary;
}

ZynBinary ZynBinary::Oversized(const std::uint8_t* iHeld, int iHeldCount, int iLength) {
  ZynBinary binary(iHeld, iHeldCount);
  binary.length_ = iLength;
  return binary;
}

ZynBinary ZynBinary::Lending(const std::uint8_t* iHeld, int iHeldCount, int iLength) {
  ZynBinary binary;
  binary.bytes_ = ZynHeldBytes::Lending(iHeld, iHeldCount);
  binary.length_ = iLength;
  return binary;
}

_SEQUENCE_octet::_SEQUENCE_octet(const std::uint8_t* iOctets, int iLength)
    : octets_(ZynHeldBytes::Copying(iOctets, iLength)), length_(octets_.count()) {}

_SEQUENCE_octet _SEQUENCE_octet::Lending(const std::uint8_t* iOctets, int iLength) {
  _SEQUENCE_octet sequence;
  sequence.octets_ = ZynHeldBytes::Lending(iOctets, iLength);
  sequence.length_ = sequence.octets_.count();
  return sequence;
}

// ---- ZynTime ----

ZynUnicodeString ZynTime::ConvertToString(const ZynUnicodeString& iFormat, int iFlag) const {
  ZYN_CONTRACT(seconds_ != -1, "ZynTime::ConvertToString", "a set time");
  ZYN_CONTRACT(!iFormat.str().empty(), "ZynTime::ConvertToString", "a format");
  ZYN_CONTRACT(iFlag == 0, "ZynTime::ConvertToString", "the flag 0");
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
  ZYN_CONTRACT(iBytes && iCount >= 0, "ZynDbCharToHexa", "bytes and their count");
  ZYN_CONTRACT(oBuffer && iBufferSize == 2 * static_cast<long long>(iCount) + 1 &&
                   IsZeroFilled(oBuffer, static_cast<std::size_t>(iBufferSize)),
               "ZynDbCharToHexa", "a buffer of 2 x count + 1 zero bytes");
  if (!iBytes || !oBuffer || iCount < 0 || iBufferSize <= 0) return E_FAIL;
  const int fitting = (iBufferSize - 1) / 2;
  const int count = iCount < fitting ? iCount : fitting;
  WriteHexa(kUpperDigits, iBytes, static_cast<std::size_t>(count), oBuffer);
  oBuffer[2 * count] = '\0';
  return S_OK;
}
