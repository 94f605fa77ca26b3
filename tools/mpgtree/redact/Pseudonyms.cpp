// Pseudonyms of names, paths and uuids, numbered or keyed.
#include "Pseudonyms.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "Sha256.h"

namespace zyn::redact {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::size_t kLongestExtension = 8;
constexpr std::size_t kKeyedDigits = 12;

bool IsAsciiAlnum(char iByte) {
  return (iByte >= '0' && iByte <= '9') || (iByte >= 'a' && iByte <= 'z') ||
         (iByte >= 'A' && iByte <= 'Z');
}

/// ".part" in "bolt.part": a dot not in first place and one to eight letters or digits; or "".
std::string_view Extension(std::string_view iText) {
  const std::size_t dot = iText.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  const std::string_view extension = iText.substr(dot);
  if (extension.size() < 2 || extension.size() > kLongestExtension + 1) return {};
  for (char byte : extension.substr(1))
    if (!IsAsciiAlnum(byte)) return {};
  return extension;
}

bool IsSeparator(char iByte) { return iByte == '/' || iByte == '\\'; }

/// A part of a path that stays: ".", "..", or a drive letter and its colon.
bool KeptPathPart(std::string_view iPart) {
  if (iPart == "." || iPart == "..") return true;
  return iPart.size() == 2 && iPart[1] == ':' && std::isalpha(static_cast<unsigned char>(iPart[0]));
}

/// Whether every letter and digit of iText is a hexadecimal digit ("0a1b-ff").
bool IsHexadecimal(std::string_view iText) {
  for (char byte : iText)
    if (IsAsciiAlnum(byte) && !std::isxdigit(static_cast<unsigned char>(byte))) return false;
  return true;
}

/// iText with each digit and letter drawn afresh from iRandom (a byte each), keeping its shape.
std::string Reshaped(std::string_view iText, const std::string& iRandom) {
  const bool hexadecimal = IsHexadecimal(iText);
  bool upper = false;
  for (char byte : iText) upper = upper || (byte >= 'A' && byte <= 'F');
  std::string result(iText);
  for (std::size_t i = 0; i < result.size(); ++i) {
    const unsigned random = static_cast<unsigned char>(iRandom[i]);
    char& byte = result[i];
    if (hexadecimal && IsAsciiAlnum(byte)) {
      byte = kHexDigits[random % 16];
      if (upper) byte = static_cast<char>(std::toupper(static_cast<unsigned char>(byte)));
    } else if (byte >= '0' && byte <= '9') {
      byte = static_cast<char>('0' + random % 10);
    } else if (byte >= 'a' && byte <= 'z') {
      byte = static_cast<char>('a' + random % 26);
    } else if (byte >= 'A' && byte <= 'Z') {
      byte = static_cast<char>('A' + random % 26);
    }
  }
  return result;
}

std::string Hex(const std::string& iBytes, std::size_t iDigits) {
  std::string hex;
  for (std::size_t i = 0; hex.size() < iDigits; ++i) {
    const unsigned byte = static_cast<unsigned char>(iBytes[i]);
    hex.push_back(kHexDigits[byte >> 4]);
    hex.push_back(kHexDigits[byte & 15]);
  }
  hex.resize(iDigits);
  return hex;
}

}  // namespace

Pseudonyms::Pseudonyms(std::optional<std::string> iKey) : key_(std::move(iKey)) {}

std::string Pseudonyms::Seed(std::string_view iKind, std::string_view iText, std::uint64_t iOrdinal,
                             int iAttempt) const {
  // Keyed: the text decides. Numbered: the order decides, so nothing of the text shows.
  std::string message(iKind);
  message += '\0';
  message += key_ ? std::string(iText) : std::to_string(iOrdinal);
  message += '\0';
  message += std::to_string(iAttempt);
  std::string seed;
  // A byte for each byte of a uuid, and at least the digits of a keyed name: digests of the
  // message and a counter.
  for (std::uint32_t block = 0; seed.size() < std::max<std::size_t>(iText.size(), 32); ++block) {
    const Digest digest = key_ ? HmacSha256(*key_, message + '\0' + std::to_string(block))
                               : Sha256(message + '\0' + std::to_string(block));
    seed.append(digest.begin(), digest.end());
  }
  return seed;
}

template <class Make>
std::string Pseudonyms::Unused(const Make& iMake) {
  // A uuid of few digits and letters may have no shape left that no other text took.
  constexpr int kAttempts = 10000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string pseudonym = iMake(attempt);
    if (given_.insert(pseudonym).second) return pseudonym;
  }
  throw std::runtime_error("no pseudonym of its shape is left for a text of the dump");
}

const std::string& Pseudonyms::OfName(std::string_view iText) {
  static const std::string kEmpty;
  if (iText.empty()) return kEmpty;
  const auto found = names_.find(std::string(iText));
  if (found != names_.end()) return found->second;
  const std::string_view extension = Extension(iText);
  std::string pseudonym = Unused([&](int iAttempt) {
    if (!key_) {
      char number[32];
      std::snprintf(number, sizeof number, "name-%04llu",
                    static_cast<unsigned long long>(nextName_ + iAttempt));
      return number + std::string(extension);
    }
    // A collision of the first twelve digits lengthens the pseudonym, four digits at a time.
    const std::string seed = Seed("name", iText, 0, 0);
    const std::size_t digits = std::min(kKeyedDigits + 4 * iAttempt, 2 * seed.size());
    return "name-" + Hex(seed, digits) + std::string(extension);
  });
  nextName_ += 1;
  return names_.emplace(std::string(iText), std::move(pseudonym)).first->second;
}

std::string Pseudonyms::OfPath(std::string_view iPath) {
  std::string result;
  std::size_t at = 0;
  while (at < iPath.size()) {
    if (IsSeparator(iPath[at])) {
      result.push_back(iPath[at++]);
      continue;
    }
    std::size_t end = at;
    while (end < iPath.size() && !IsSeparator(iPath[end])) ++end;
    const std::string_view part = iPath.substr(at, end - at);
    result += KeptPathPart(part) ? std::string(part) : OfName(part);
    at = end;
  }
  return result;
}

const std::string& Pseudonyms::OfUuid(std::string_view iUuid) {
  static const std::string kEmpty;
  if (iUuid.empty()) return kEmpty;
  const auto found = uuids_.find(std::string(iUuid));
  if (found != uuids_.end()) return found->second;
  std::string pseudonym = Unused(
      [&](int iAttempt) { return Reshaped(iUuid, Seed("uuid", iUuid, nextUuid_, iAttempt)); });
  nextUuid_ += 1;
  return uuids_.emplace(std::string(iUuid), std::move(pseudonym)).first->second;
}

}  // namespace zyn::redact
