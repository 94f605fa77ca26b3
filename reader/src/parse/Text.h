// Small matching helpers over the bytes of a line.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zyn::reader::text {

/// Whether the iCount bytes at iLeft and at iRight are the same. Compared eight bytes at a time
/// in place: a call of memcmp costs more than comparing the short texts of a dump.
inline bool SameBytes(const char* iLeft, const char* iRight, std::size_t iCount) {
  for (; iCount >= 8; iCount -= 8, iLeft += 8, iRight += 8) {
    std::uint64_t left, right;
    std::memcpy(&left, iLeft, 8);
    std::memcpy(&right, iRight, 8);
    if (left != right) return false;
  }
  if (iCount >= 4) {  // the first four bytes and the last four, which may overlap
    std::uint32_t left[2], right[2];
    std::memcpy(&left[0], iLeft, 4);
    std::memcpy(&right[0], iRight, 4);
    std::memcpy(&left[1], iLeft + iCount - 4, 4);
    std::memcpy(&right[1], iRight + iCount - 4, 4);
    return left[0] == right[0] && left[1] == right[1];
  }
  for (std::size_t i = 0; i < iCount; ++i)
    if (iLeft[i] != iRight[i]) return false;
  return true;
}
/// Whether two texts are the same, compared as SameBytes does.
inline bool Same(std::string_view iLeft, std::string_view iRight) {
  return iLeft.size() == iRight.size() && SameBytes(iLeft.data(), iRight.data(), iLeft.size());
}

/// Where iNeedle first occurs in iText from iFrom on, or npos. The dump's pieces often start
/// with blanks, which its lines hold many of: the search looks for the needle's first byte that
/// is not a blank, then compares the whole needle in place.
inline std::size_t Find(std::string_view iText, std::string_view iNeedle, std::size_t iFrom = 0) {
  const std::size_t size = iText.size(), count = iNeedle.size();
  if (count == 0) return iFrom <= size ? iFrom : std::string_view::npos;
  if (count > size || iFrom > size - count) return std::string_view::npos;
  std::size_t lead = 0;  // the blanks that start the needle
  while (lead + 1 < count && iNeedle[lead] == ' ') ++lead;
  const std::size_t last =
      size - count + lead;  // the last place of the needle's byte iNeedle[lead]
  for (std::size_t at = iFrom + lead; at <= last; ++at) {
    const void* hit = std::memchr(iText.data() + at, iNeedle[lead], last - at + 1);
    if (!hit) break;
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - iText.data());
    if (SameBytes(iText.data() + at - lead, iNeedle.data(), count)) return at - lead;
  }
  return std::string_view::npos;
}

inline bool StartsWith(std::string_view iText, std::string_view iPrefix) {
  return iText.size() >= iPrefix.size() && SameBytes(iText.data(), iPrefix.data(), iPrefix.size());
}
inline bool EndsWith(std::string_view iText, std::string_view iSuffix) {
  return iText.size() >= iSuffix.size() &&
         SameBytes(iText.data() + iText.size() - iSuffix.size(), iSuffix.data(), iSuffix.size());
}
/// Removes iPrefix from the front of ioText when it is there.
inline bool Eat(std::string_view* ioText, std::string_view iPrefix) {
  if (!StartsWith(*ioText, iPrefix)) return false;
  ioText->remove_prefix(iPrefix.size());
  return true;
}
/// Removes iSuffix from the end of ioText when it is there.
inline bool EatEnd(std::string_view* ioText, std::string_view iSuffix) {
  if (!EndsWith(*ioText, iSuffix)) return false;
  ioText->remove_suffix(iSuffix.size());
  return true;
}

/// Removes iFirst followed by iSecond from the end of ioText when they are both there.
inline bool EatEndJoined(std::string_view* ioText, std::string_view iFirst,
                         std::string_view iSecond) {
  if (!EndsWith(*ioText, iSecond) ||
      !EndsWith(ioText->substr(0, ioText->size() - iSecond.size()), iFirst))
    return false;
  ioText->remove_suffix(iFirst.size() + iSecond.size());
  return true;
}

/// Makes ioValue hold iText, in the room it has when that is enough: a row's texts are filled
/// again for each row, and the general assignment does more work than this copy.
inline void Assign(std::string* ioValue, std::string_view iText) {
  ioValue->clear();
  ioValue->append(iText.data(), iText.size());
}

/// A decimal integer, with an optional minus sign, and nothing else; none on overflow of 64
/// bits or on any other character.
inline std::optional<std::int64_t> Integer(std::string_view iText) {
  bool negative = false;
  if (!iText.empty() && iText[0] == '-') {
    negative = true;
    iText.remove_prefix(1);
  }
  if (iText.empty() || iText.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : iText) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

/// An int as the dumps print it (signed decimal).
inline std::optional<std::int32_t> Int32(std::string_view iText) {
  const std::optional<std::int64_t> value = Integer(iText);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

/// How many times iNeedle occurs in iText, not overlapping.
inline std::size_t Count(std::string_view iText, std::string_view iNeedle) {
  std::size_t count = 0;
  for (std::size_t at = Find(iText, iNeedle); at != std::string_view::npos;
       at = Find(iText, iNeedle, at + iNeedle.size()))
    ++count;
  return count;
}

/// Splits ioText at the first iSeparator: oValue gets what precedes it, ioText what follows.
inline bool SplitAt(std::string_view* ioText, std::string_view iSeparator,
                    std::string_view* oValue) {
  const std::size_t at = Find(*ioText, iSeparator);
  if (at == std::string_view::npos) return false;
  *oValue = ioText->substr(0, at);
  ioText->remove_prefix(at + iSeparator.size());
  return true;
}

/// As SplitAt, for a separator that starts with a blank and most often follows the
/// digits that open ioText: there it is the first, since digits hold no blank.
inline bool SplitAfterDigits(std::string_view* ioText, std::string_view iSeparator,
                             std::string_view* oValue) {
  std::size_t digits = 0;
  while (digits < ioText->size() && (*ioText)[digits] >= '0' && (*ioText)[digits] <= '9') ++digits;
  if (!StartsWith(ioText->substr(digits), iSeparator)) return SplitAt(ioText, iSeparator, oValue);
  *oValue = ioText->substr(0, digits);
  ioText->remove_prefix(digits + iSeparator.size());
  return true;
}

/// Splits ioText at the last iSeparator: oValue gets what follows it, ioText keeps what precedes
/// it. A fixed-shape value at the end of a line is read this way, so that a free text before it
/// keeps every separator it holds.
inline bool SplitAtLast(std::string_view* ioText, std::string_view iSeparator,
                        std::string_view* oValue) {
  const std::size_t at = ioText->rfind(iSeparator);
  if (at == std::string_view::npos) return false;
  *oValue = ioText->substr(at + iSeparator.size());
  ioText->remove_suffix(ioText->size() - at);
  return true;
}

/// Appends iText in double quotes with C escapes (\", \\, \n, \t, \r, \xNN for the other
/// control bytes and DEL): what a dump holds reaches a terminal only this way, so that no escape
/// sequence, carriage return or NUL of it acts there.
inline void AppendQuoted(std::string_view iText, std::string& ioText) {
  static constexpr char kHex[] = "0123456789abcdef";
  ioText.push_back('"');
  for (const char c : iText) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
      case '\\':
        ioText.push_back('\\');
        ioText.push_back(c);
        break;
      case '\n':
        ioText.append("\\n");
        break;
      case '\t':
        ioText.append("\\t");
        break;
      case '\r':
        ioText.append("\\r");
        break;
      default:
        if (byte < 0x20 || byte == 0x7f) {
          ioText.append("\\x");
          ioText.push_back(kHex[byte >> 4]);
          ioText.push_back(kHex[byte & 0xf]);
        } else {
          ioText.push_back(c);
        }
    }
  }
  ioText.push_back('"');
}

}  // namespace zyn::reader::text
