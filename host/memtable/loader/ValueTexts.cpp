// The text forms in which a table file gives values: bytes in hexadecimal, uuids and moments.
#include "loader/ValueTexts.h"

namespace zyn::mem {
namespace {

int HexDigit(char iChar) {
  if (iChar >= '0' && iChar <= '9') return iChar - '0';
  if (iChar >= 'a' && iChar <= 'f') return iChar - 'a' + 10;
  if (iChar >= 'A' && iChar <= 'F') return iChar - 'A' + 10;
  return -1;
}

bool IsDigit(char iChar) { return iChar >= '0' && iChar <= '9'; }

/// Days from 1970-01-01 to a date of the proleptic Gregorian calendar; exact for any year whose
/// magnitude is below 10^12.
std::int64_t DaysFromCivil(std::int64_t iYear, unsigned iMonth, unsigned iDay) {
  iYear -= iMonth <= 2;
  const std::int64_t era = (iYear >= 0 ? iYear : iYear - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(iYear - era * 400);
  const unsigned dayOfYear = (153 * (iMonth + (iMonth > 2 ? -3 : 9)) + 2) / 5 + iDay - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

/// Years of more significant digits than this lie beyond any 64-bit count of seconds.
constexpr int kMaxYearDigits = 12;

}  // namespace

bool ReadHex(std::string_view iText, std::vector<std::uint8_t>* oBytes) {
  if (iText.size() % 2 != 0) return false;
  oBytes->clear();
  oBytes->reserve(iText.size() / 2);
  for (std::size_t i = 0; i < iText.size(); i += 2) {
    const int high = HexDigit(iText[i]);
    const int low = HexDigit(iText[i + 1]);
    if (high < 0 || low < 0) return false;
    oBytes->push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return true;
}

bool ReadUuid(std::string_view iText, ZynUuid* oUuid) {
  std::uint8_t bytes[16] = {};
  int digits = 0;
  for (char c : iText) {
    if (c == '-') continue;
    const int digit = HexDigit(c);
    if (digit < 0 || digits == 32) return false;
    bytes[digits / 2] = static_cast<std::uint8_t>(bytes[digits / 2] * 16 + digit);
    ++digits;
  }
  if (digits != 32) return false;
  *oUuid = ZynUuid(bytes);
  return true;
}

MomentText ReadMoment(std::string_view iText, std::int64_t* oSeconds) {
  // The year: four digits, or a sign and four digits or more.
  const bool hasSign = !iText.empty() && (iText[0] == '+' || iText[0] == '-');
  const bool negative = hasSign && iText[0] == '-';
  std::size_t yearEnd = hasSign ? 1 : 0;
  while (yearEnd < iText.size() && IsDigit(iText[yearEnd])) ++yearEnd;
  const std::size_t yearDigits = yearEnd - (hasSign ? 1 : 0);
  if (yearDigits < 4 || (!hasSign && yearDigits != 4)) return MomentText::Malformed;

  // The rest: month, day, time of day, in a fixed shape.
  static constexpr std::string_view kShape = "-dd-ddTdd:dd:ddZ";
  const std::string_view rest = iText.substr(yearEnd);
  if (rest.size() != kShape.size()) return MomentText::Malformed;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (kShape[i] == 'd' ? !IsDigit(rest[i]) : rest[i] != kShape[i]) return MomentText::Malformed;
  }

  std::int64_t year = 0;
  int significant = 0;
  for (std::size_t i = hasSign ? 1 : 0; i < yearEnd; ++i) {
    if (significant == 0 && iText[i] == '0') continue;
    if (++significant > kMaxYearDigits) return MomentText::BeyondHost;
    year = year * 10 + (iText[i] - '0');
  }
  if (negative) year = -year;
  auto number = [&](std::size_t iAt) {
    return static_cast<unsigned>((rest[iAt] - '0') * 10 + (rest[iAt + 1] - '0'));
  };
  const unsigned month = number(1), day = number(4);
  const unsigned hour = number(7), minute = number(10), second = number(13);
  static constexpr unsigned kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
    return MomentText::NoSuchMoment;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0)) return MomentText::NoSuchMoment;

  // Before 1970 the day's start may lie beyond the count where its later seconds do not: count
  // from the day's end instead.
  std::int64_t days = DaysFromCivil(year, month, day);
  std::int64_t timeOfDay = hour * 3600 + minute * 60 + second;
  if (days < 0) {
    days += 1;
    timeOfDay -= 86400;
  }
  std::int64_t seconds = 0;
  if (__builtin_mul_overflow(days, std::int64_t{86400}, &seconds) ||
      __builtin_add_overflow(seconds, timeOfDay, &seconds))
    return MomentText::BeyondHost;
  *oSeconds = seconds;
  return MomentText::Moment;
}

}  // namespace zyn::mem
