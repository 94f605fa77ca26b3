// The host's value types: strings, identifiers, binaries, octet sequences, times, and the
// hexadecimal conversion of bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zyn/ZynBaseUnknown.h"

/// A text held as UTF-8. Both 8-bit views answer the stored bytes, NUL-terminated, valid while
/// the string lives and until it is next changed. Texts of up to kInlineBytes bytes (names,
/// uuids, hexadecimal identifiers) are kept inside the object, with no allocation; building,
/// copying, moving and destroying such a text is written here, in line, since a dump makes
/// millions of them.
class ZYN_EXPORT ZynUnicodeString {
 public:
  static constexpr std::size_t kInlineBytes = 47;

  ZynUnicodeString() = default;
  ZynUnicodeString(const char* iText);  // NOLINT(google-explicit-constructor): host idiom
  /// Contract: iByteCount is not negative, and iText is given when it is not 0.
  ZynUnicodeString(const char* iText, int iByteCount) {
    ZYN_CONTRACT(iByteCount >= 0 && (iText || iByteCount == 0), "ZynUnicodeString",
                 "a text and its byte count");
    if (iText && iByteCount > 0) Assign(iText, static_cast<std::size_t>(iByteCount));
  }
  ZynUnicodeString(const ZynUnicodeString& iOther) { Assign(iOther.data_, iOther.size_); }
  ZynUnicodeString(ZynUnicodeString&& iOther) noexcept { Take(iOther); }
  ZynUnicodeString& operator=(const ZynUnicodeString& iOther) {
    if (this != &iOther) Assign(iOther.data_, iOther.size_);
    return *this;
  }
  ZynUnicodeString& operator=(ZynUnicodeString&& iOther) noexcept {
    if (this != &iOther) {
      Release();
      Take(iOther);
    }
    return *this;
  }
  ZynUnicodeString& operator=(const char* iText);
  ~ZynUnicodeString() {
    if (data_ != inline_) std::free(data_);
  }

  /// Replaces the text by the iSize bytes at iText, which may lie inside this string.
  void Assign(const char* iText, std::size_t iSize) {
    if (iSize <= capacity_ && !Holds(iText)) {
      if (iSize) std::memcpy(data_, iText, iSize);
      data_[iSize] = '\0';
      size_ = iSize;
      return;
    }
    AssignOutOfPlace(iText, iSize);
  }

  /// The text as 8-bit characters, NUL-terminated.
  const char* ConvertToChar() const { return data_; }
  const char* CastToCharPtr() const { return data_; }
  /// Number of characters (code points), not bytes.
  int GetLengthInChar() const;
  /// Replaces the text by iCount 16-bit units, each taken as its code point; a unit 0 ends the
  /// text. Answers S_OK. Contract: iCount is not negative, and iUnits given when it is not 0.
  HRESULT BuildFromUCChar(const std::uint16_t* iUnits, int iCount);

  std::string_view str() const { return std::string_view(data_, size_); }
  bool operator==(const ZynUnicodeString& iOther) const { return str() == iOther.str(); }

 private:
  /// Whether iText points into this string's room.
  bool Holds(const char* iText) const {
    const auto at = reinterpret_cast<std::uintptr_t>(iText);
    const auto room = reinterpret_cast<std::uintptr_t>(data_);
    return at >= room && at <= room + capacity_;
  }
  /// Assign, for a text too long for the room held or lying inside it.
  void AssignOutOfPlace(const char* iText, std::size_t iSize);
  /// Room for iSize bytes and a terminator; the text already held is lost.
  char* Reserve(std::size_t iSize);
  void Release() noexcept {
    if (data_ != inline_) std::free(data_);
    data_ = inline_;
    capacity_ = kInlineBytes;
    size_ = 0;
    inline_[0] = '\0';
  }
  /// Takes iOther's text, leaving it empty. An inline text is copied whole, room and all: a
  /// few fixed moves instead of a call.
  void Take(ZynUnicodeString& iOther) noexcept {
    if (iOther.data_ == iOther.inline_) {
      std::memcpy(inline_, iOther.inline_, sizeof inline_);
    } else {
      data_ = iOther.data_;
      capacity_ = iOther.capacity_;
      iOther.data_ = iOther.inline_;
      iOther.capacity_ = kInlineBytes;
    }
    size_ = iOther.size_;
    iOther.size_ = 0;
    iOther.inline_[0] = '\0';
  }

  char* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = kInlineBytes;
  char inline_[kInlineBytes + 1] = {};
};

/// A 128-bit identifier; a default one is all zeros.
class ZYN_EXPORT ZynUuid {
 public:
  /// The room a caller gives UUID_to_chaine: enough for the longest text form and its NUL.
  static constexpr int kBufferBytes = 36;

  ZynUuid() = default;
  explicit ZynUuid(const std::uint8_t (&iBytes)[16]);
  /// Writes the text form into oBuffer: with flag 0, 32 lowercase hexadecimal digits and a
  /// NUL. Contract: oBuffer holds kBufferBytes zero bytes (whatever the form leaves unwritten
  /// reads as the end of the text), and iFlag is 0.
  void UUID_to_chaine(char* oBuffer, int iFlag) const;
  const std::uint8_t* bytes() const { return bytes_; }

 private:
  std::uint8_t bytes_[16] = {};
};

/// Bytes that a value either owns (a copy of its own) or lends (kept elsewhere, by storage
/// that outlives the value and every copy of it, such as a table's). A copy of lent bytes lends
/// the same bytes; a copy of owned bytes owns a copy of them. The bytes of binaries and octet
/// sequences.
class ZYN_EXPORT ZynHeldBytes {
 public:
  ZynHeldBytes() = default;
  /// A copy of the iCount bytes of iBytes (none when iBytes is null or iCount not positive).
  static ZynHeldBytes Copying(const std::uint8_t* iBytes, int iCount);
  /// The iCount bytes of iBytes, not copied (none when iBytes is null or iCount not positive).
  static ZynHeldBytes Lending(const std::uint8_t* iBytes, int iCount) {
    ZynHeldBytes held;
    if (iBytes && iCount > 0) {
      held.data_ = iBytes;
      held.count_ = iCount;
      held.lent_ = true;
    }
    return held;
  }

  ZynHeldBytes(const ZynHeldBytes& iOther);
  ZynHeldBytes& operator=(const ZynHeldBytes& iOther);
  // The moves are written here, in line: answers hand out lent bytes by moving them.
  ZynHeldBytes(ZynHeldBytes&& iOther) noexcept
      : owned_(std::move(iOther.owned_)),
        data_(iOther.data_),  // a moved vector keeps its bytes where they were
        count_(iOther.count_),
        lent_(iOther.lent_) {
    iOther.Forget();
  }
  ZynHeldBytes& operator=(ZynHeldBytes&& iOther) noexcept {
    if (this == &iOther) return *this;
    owned_ = std::move(iOther.owned_);
    data_ = iOther.data_;
    count_ = iOther.count_;
    lent_ = iOther.lent_;
    iOther.Forget();
    return *this;
  }
  ~ZynHeldBytes() = default;

  /// The bytes held, or null when there are none.
  const std::uint8_t* data() const { return data_; }
  int count() const { return count_; }
  /// The bytes for writing: lent bytes are copied first, so that a write never reaches them.
  std::uint8_t* MutableData();

 private:
  /// Holds nothing any more (after its bytes moved elsewhere).
  void Forget() {
    owned_.clear();
    data_ = nullptr;
    count_ = 0;
    lent_ = false;
  }

  std::vector<std::uint8_t> owned_;
  const std::uint8_t* data_ = nullptr;  // owned_'s bytes, or the lent ones
  int count_ = 0;
  bool lent_ = false;
};

/// A run of bytes. A binary may report more bytes than it gives: none at all (getArray null), as
/// a host binary whose content was never loaded does, or fewer than it reports. A binary either
/// owns a copy of its bytes or lends bytes kept elsewhere (see Lending); a copy of a lending
/// binary lends the same bytes.
class ZYN_EXPORT ZynBinary {
 public:
  ZynBinary() = default;
  ZynBinary(const std::uint8_t* iBytes, int iLength);
  /// A binary that reports iLength bytes and gives none.
  static ZynBinary Hollow(int iLength);
  /// A binary that reports iLength bytes and gives only the iHeldCount bytes of iHeld: for the
  /// refusal of lengths too long to print. Nothing may read past the bytes held.
  static ZynBinary Oversized(const std::uint8_t* iHeld, int iHeldCount, int iLength);
  /// A binary that reports iLength bytes and gives the iHeldCount bytes of iHeld without
  /// copying them: iHeld must outlive the binary and every copy of it. For answers read from
  /// storage that stays put, such as a table's.
  static ZynBinary Lending(const std::uint8_t* iHeld, int iHeldCount, int iLength);

  const std::uint8_t* getArray() const { return hollow_ ? nullptr : bytes_.data(); }
  int getLength() const { return length_; }

 private:
  ZynHeldBytes bytes_;
  int length_ = 0;
  bool hollow_ = false;
};

/// A sequence of octets, contiguous, reached by position from 0. A sequence either owns a copy
/// of its octets or lends octets kept elsewhere (see Lending): a copy of a lending sequence
/// lends the same octets, and writing access to one takes a copy of its own first.
class ZYN_EXPORT _SEQUENCE_octet {
 public:
  _SEQUENCE_octet() = default;
  _SEQUENCE_octet(const std::uint8_t* iOctets, int iLength);
  /// A sequence of the iLength octets of iOctets, not copied: iOctets must outlive the
  /// sequence and every copy of it. For answers read from storage that stays put.
  static _SEQUENCE_octet Lending(const std::uint8_t* iOctets, int iLength);

  int length() const { return length_; }
  /// Contract: iPosition is from 0 to length() - 1, and among the octets held. Any other
  /// position gives a zero octet that belongs to no sequence.
  std::uint8_t& operator[](int iPosition) {
    return Held(iPosition) ? octets_.MutableData()[iPosition] : Outside();
  }
  const std::uint8_t& operator[](int iPosition) const {
    return Held(iPosition) ? octets_.data()[iPosition] : Outside();
  }
  /// For tests of oversized sequences: makes length() report iLength while holding only the
  /// octets it has. Nothing may read past those.
  void ReportLengthForTests(int iLength) { length_ = iLength; }

 private:
  bool Held(int iPosition) const {
    const bool held = iPosition >= 0 && iPosition < length_ && iPosition < octets_.count();
    ZYN_CONTRACT(held, "_SEQUENCE_octet::operator[]",
                 "a position from 0 to length() - 1 among the octets held");
    return held;
  }
  static std::uint8_t& Outside() {
    static std::uint8_t outside = 0;
    outside = 0;
    return outside;
  }

  ZynHeldBytes octets_;
  int length_ = 0;
};

/// A moment in UTC, or no moment (Gettime_t -1).
class ZYN_EXPORT ZynTime {
 public:
  ZynTime() = default;
  explicit ZynTime(std::time_t iSeconds) : seconds_(iSeconds) {}
  std::time_t Gettime_t() const { return seconds_; }
  /// The moment formatted by iFormat (strftime conventions) in UTC; iFlag is not used.
  /// Contract: the time is set, iFormat is not empty, and iFlag is 0.
  ZynUnicodeString ConvertToString(const ZynUnicodeString& iFormat, int iFlag) const;

 private:
  std::time_t seconds_ = -1;
};

/// Writes two uppercase hexadecimal digits per byte of iBytes into oBuffer, as many bytes as
/// fit in iBufferSize with room for a terminating NUL, which it writes. Answers S_OK, or E_FAIL
/// for a null pointer or a negative count. Contract: the bytes and their count, and a buffer
/// of exactly 2 x iCount + 1 bytes, all zero.
ZYN_EXPORT HRESULT ZynDbCharToHexa(const std::uint8_t* iBytes, int iCount, char* oBuffer,
                                   int iBufferSize);
