// The text forms in which a table file gives values: bytes in hexadecimal, uuids and moments.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "zyn/ZynValues.h"

namespace zyn::mem {

/// Bytes from hexadecimal digits in pairs, either case. False for an odd count or a character
/// that is not a hexadecimal digit.
bool ReadHex(std::string_view iText, std::vector<std::uint8_t>* oBytes);

/// A uuid from 32 hexadecimal digits, either case; dashes anywhere are ignored.
bool ReadUuid(std::string_view iText, ZynUuid* oUuid);

/// What a moment's text turned out to be.
enum class MomentText : std::uint8_t {
  Moment,        // a moment, in seconds from 1970-01-01T00:00:00Z
  Malformed,     // not of the form below
  NoSuchMoment,  // of the form, but a month, day or time of day that does not exist
  BeyondHost,    // a moment that a 64-bit count of seconds cannot hold
};

/// A moment in UTC: "YYYY-MM-DDTHH:MM:SSZ" for the years 0000 to 9999, or with a signed year of
/// four digits or more for any other ("-0001-12-31T23:59:59Z", "+10000-01-01T00:00:00Z"). Days
/// follow the proleptic Gregorian calendar; there are no leap seconds, as in a host time.
MomentText ReadMoment(std::string_view iText, std::int64_t* oSeconds);

}  // namespace zyn::mem
