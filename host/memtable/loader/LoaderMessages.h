// The texts of the loader's refusals: what a value was expected to be, and where a fault lies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zyn::mem::loader {

// What the refusals of values say: what was expected, and where the host's own type sets the
// bounds, which bounds those are.
inline constexpr std::string_view kExpectedResult =
    "expected a 32-bit integer (an HRESULT: S_OK is 0, E_FAIL is -2147467259)";
inline constexpr std::string_view kExpectedUnsigned =
    "expected an integer from 0 to 4294967295 (the host's unsigned int holds 32 bits)";
inline constexpr std::string_view kExpectedHex =
    "expected hexadecimal digits in pairs, two per byte";
inline constexpr std::string_view kExpectedUuid =
    "expected 32 hexadecimal digits (a uuid holds 16 bytes; dashes are ignored)";
inline constexpr std::string_view kExpectedTime =
    "expected \"YYYY-MM-DDTHH:MM:SSZ\", a whole number of seconds from 1970-01-01T00:00:00Z, or "
    "null for a time that is not set";

/// iText between double quotes, as messages name ids, types and interfaces.
std::string Quoted(std::string_view iText);

/// The JSON parser's description of a syntax fault, from "line L, column C:" on, with bytes that
/// are not printable ASCII shown as \xNN and the text cut after about 200 characters.
std::string SyntaxMessage(const std::string& iWhat);

/// "line L, column C" of the byte at iOffset (the end for an offset beyond it), both counted
/// from 1 as the parser counts them.
std::string PlaceAt(std::string_view iText, std::size_t iOffset);

}  // namespace zyn::mem::loader
