// The table file's values of the texts a dump prints: the mapping master and client, times,
// PLM identifiers and octet sequences. Each gives the JSON of a value that the host prints as
// the same text, or nothing when the text is none the host prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zyn/reader/DumpTree.h"

namespace mpgtree::table {

/// The mapping-master value the host prints as iText ("None", "M1", "NonM1", "Unknown(n)").
std::optional<std::int32_t> MappingMasterValue(std::string_view iText);

/// The mapping-client value printed as iText ("ZynDCIMpgClientOrv"); the empty text, which
/// every other value prints, gives 6.
std::optional<std::int32_t> MappingClientValue(std::string_view iText);

/// The time the file component dump prints as iText ("2024-03-11T16:42:05Z", any year): a
/// table time text, or null for the empty text (a time that is not set).
std::optional<std::string> TimeValue(std::string_view iText);

/// The PLM identifier whose host text is iText ("PLMID null", "PLMID physical:HEX logical:L
/// major:M", as the reader keeps it: without its own line end).
std::optional<std::string> PlmidValue(std::string_view iText);

/// The PLM identifier whose physical id prints as iHexadecimal (the short form).
std::string PhysicalIdValue(std::string_view iHexadecimal);

/// The octet sequence printed as iValue. On the trace tool a long sequence shows only its
/// length and its text up to the first NUL octet: the octets after it are NUL.
std::optional<std::string> OctetsValue(const zyn::reader::OctetValue& iValue);

/// n octets of 0, or a sequence that reports n octets and holds none when n is too large to
/// be held: what stands for a sequence whose length alone the dump shows.
std::string OctetsOfLength(std::int64_t iLength);

/// iText as a JSON string, quotes included.
std::string QuotedJson(std::string_view iText);

/// True when iText is hexadecimal, two digits per byte.
bool IsHexadecimal(std::string_view iText);

}  // namespace mpgtree::table
