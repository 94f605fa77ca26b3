// SHA-256 and HMAC-SHA-256, the keyed hash that makes a pseudonym depend on its text and a key
// alone, so that runs with one key give one text one pseudonym.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zyn::redact {

using Digest = std::array<std::uint8_t, 32>;

/// The SHA-256 digest of iBytes.
Digest Sha256(std::string_view iBytes);

/// HMAC-SHA-256 of iMessage under iKey (a key of any length).
Digest HmacSha256(std::string_view iKey, std::string_view iMessage);

}  // namespace zyn::redact
