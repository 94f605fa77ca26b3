// The table file's values of the texts a dump prints.
#include "TableValues.h"

#include <charconv>

#include "zyn/reader/JsonText.h"

namespace mpgtree::table {

namespace {

std::optional<std::int64_t> Integer(std::string_view iText) {
  std::int64_t value = 0;
  const char* end = iText.data() + iText.size();
  auto [at, error] = std::from_chars(iText.data(), end, value);
  if (error != std::errc() || at != end || iText.empty()) return std::nullopt;
  return value;
}

/// Two digits, at least; digits only.
bool AllDigits(std::string_view iText) {
  if (iText.empty()) return false;
  for (char c : iText)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string QuotedJson(std::string_view iText) {
  // Ids, hexadecimal texts and times need no escape: quoted as they are, without a buffer.
  bool plain = true;
  for (char c : iText) plain &= c >= ' ' && c < 0x7F && c != '"' && c != '\\';
  if (plain) {
    std::string quoted;
    quoted.reserve(iText.size() + 2);
    quoted += '"';
    quoted += iText;
    quoted += '"';
    return quoted;
  }
  zyn::reader::JsonText json;
  zyn::reader::AppendJsonString(iText, &json);
  return std::string(json.View());
}

std::optional<std::int32_t> MappingMasterValue(std::string_view iText) {
  if (iText == "None") return 0;
  if (iText == "M1") return 1;
  if (iText == "NonM1") return 2;
  constexpr std::string_view kUnknown = "Unknown(";
  if (iText.substr(0, kUnknown.size()) != kUnknown || iText.back() != ')') return std::nullopt;
  const auto value = Integer(iText.substr(kUnknown.size(), iText.size() - kUnknown.size() - 1));
  if (!value || *value < INT32_MIN || *value > INT32_MAX || (*value >= 0 && *value <= 2))
    return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

std::optional<std::int32_t> MappingClientValue(std::string_view iText) {
  constexpr std::string_view kNames[] = {"None", "Quell", "Bront", "Stiv", "Marn", "Orv"};
  if (iText.empty()) return 6;
  constexpr std::string_view kPrefix = "ZynDCIMpgClient";
  if (iText.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  for (std::int32_t i = 0; i < 6; ++i)
    if (iText.substr(kPrefix.size()) == kNames[i]) return i;
  return std::nullopt;
}

std::optional<std::string> TimeValue(std::string_view iText) {
  if (iText.empty()) return std::string("null");
  // "%Y-%m-%dT%H:%M:%SZ": the year has as many digits as it needs, and a sign when negative.
  const std::size_t month = iText.find('-', 1);
  if (month == std::string_view::npos || iText.size() - month != 16) return std::nullopt;
  const std::string_view year = iText.substr(0, month);
  const bool negative = year[0] == '-';
  const std::string_view digits = negative ? year.substr(1) : year;
  if (!AllDigits(digits)) return std::nullopt;
  std::string_view significant = digits;
  while (significant.size() > 1 && significant[0] == '0') significant.remove_prefix(1);
  std::string tableYear(significant);
  if (tableYear.size() < 4) tableYear.insert(0, 4 - tableYear.size(), '0');
  if (negative && significant != "0")
    tableYear.insert(0, 1, '-');
  else if (tableYear.size() > 4)
    tableYear.insert(0, 1, '+');
  return QuotedJson(tableYear + std::string(iText.substr(month)));
}

namespace {

/// Which bytes are hexadecimal digits, one entry per byte: a lookup instead of three ranges.
struct HexDigits {
  bool is[256] = {};
  constexpr HexDigits() {
    for (int c = '0'; c <= '9'; ++c) is[c] = true;
    for (int c = 'a'; c <= 'f'; ++c) is[c] = is[c - 'a' + 'A'] = true;
  }
};
constexpr HexDigits kHexDigits;

}  // namespace

bool IsHexadecimal(std::string_view iText) {
  if (iText.size() % 2) return false;
  bool all = true;  // no early exit: hexadecimal texts are the rule, and the loop vectorises
  for (char c : iText) all &= kHexDigits.is[static_cast<unsigned char>(c)];
  return all;
}

std::optional<std::string> PlmidValue(std::string_view iText) {
  if (iText == "PLMID null") return std::string("null");
  constexpr std::string_view kPhysical = "PLMID physical:";
  constexpr std::string_view kLogical = " logical:";
  constexpr std::string_view kMajor = " major:";
  if (iText.substr(0, kPhysical.size()) != kPhysical) return std::nullopt;
  iText.remove_prefix(kPhysical.size());
  const std::size_t logical = iText.find(kLogical);
  if (logical == std::string_view::npos) return std::nullopt;
  const std::string_view physical = iText.substr(0, logical);
  iText.remove_prefix(logical + kLogical.size());
  // Any cut between the logical and the major text prints the same text again: the last.
  const std::size_t major = iText.rfind(kMajor);
  if (major == std::string_view::npos || !IsHexadecimal(physical)) return std::nullopt;
  return "{\"physical\": " + QuotedJson(physical) +
         ", \"logical\": " + QuotedJson(iText.substr(0, major)) +
         ", \"major\": " + QuotedJson(iText.substr(major + kMajor.size())) + "}";
}

std::string PhysicalIdValue(std::string_view iHexadecimal) {
  std::string value = "{\"physical\": \"";
  value += iHexadecimal;  // hexadecimal: nothing to escape
  value += "\"}";
  return value;
}

namespace {

/// The octets of a text written one character per octet (UTF-8 of code points below 256).
std::optional<std::string> OctetsOfText(std::string_view iText) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hexadecimal;
  hexadecimal.reserve(2 * iText.size());
  for (std::size_t i = 0; i < iText.size(); ++i) {
    unsigned octet = static_cast<unsigned char>(iText[i]);
    if (octet >= 0x80) {
      if ((octet & 0xFE) != 0xC2 || i + 1 == iText.size()) return std::nullopt;
      octet = ((octet & 0x03) << 6) | (static_cast<unsigned char>(iText[++i]) & 0x3F);
    }
    hexadecimal += kDigits[octet >> 4];
    hexadecimal += kDigits[octet & 0x0F];
  }
  return hexadecimal;
}

}  // namespace

std::optional<std::string> OctetsValue(const zyn::reader::OctetValue& iValue) {
  if (iValue.uncountableOctets) return OctetsOfLength(*iValue.uncountableOctets);
  if (iValue.hexadecimal) {
    if (!IsHexadecimal(*iValue.hexadecimal)) return std::nullopt;
    return QuotedJson(*iValue.hexadecimal);
  }
  if (!iValue.tooLongNoticeSize || *iValue.tooLongNoticeSize < 1) return std::nullopt;
  const std::int64_t length = (static_cast<std::int64_t>(*iValue.tooLongNoticeSize) - 1) / 2;
  std::optional<std::string> octets = OctetsOfText(iValue.text);
  if (!octets || static_cast<std::int64_t>(octets->size() / 2) > length) return std::nullopt;
  const std::int64_t rest = length - static_cast<std::int64_t>(octets->size() / 2);
  if (rest == 0) return QuotedJson(*octets);
  if (octets->empty()) return OctetsOfLength(length);
  octets->append(static_cast<std::size_t>(2 * rest), '0');
  return QuotedJson(*octets);
}

std::string OctetsOfLength(std::int64_t iLength) {
  if (iLength >= (std::int64_t{1} << 30)) return "{\"length\": " + std::to_string(iLength) + "}";
  return "{\"repeat\": \"00\", \"times\": " + std::to_string(iLength) + "}";
}

}  // namespace mpgtree::table
