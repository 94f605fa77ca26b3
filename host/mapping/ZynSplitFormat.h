// Formats split once into their literal runs and conversions, and kept by their address, so that
// the trace tool formats a text it has seen before by walking known pieces.
#pragma once

#include <atomic>
#include <charconv>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ZynTextCopy.h"

namespace zyn::trace {

/// One piece of a split format: a literal run of its text, then one conversion.
struct FormatPiece {
  /// Where the run starts in SplitFormat::text, and its length. A run that ends at "%%" holds
  /// the first '%' of it and stops there: the second is not written.
  std::uint8_t offset;
  std::uint8_t length;
  /// 'd', 'u', 's', or '\0' when the run is followed by no conversion.
  char conversion;
  /// The room that the pieces after this one need at most, besides their %s values, the
  /// terminator included.
  std::uint16_t roomAfter;
};

/// A format whose conversions are only %d, %u, %s and %%, as a list of pieces.
struct SplitFormat {
  /// The room for the format's text, its terminator included; a longer format is not split.
  static constexpr std::size_t kTextRoom = 128;
  /// The most pieces a split format holds; a format that needs more is not split.
  static constexpr std::size_t kMostPieces = 10;
  /// The most room a split format needs, besides its %s values.
  static constexpr std::size_t kMostRoom = kTextRoom + kMostPieces * (kChunk + kIntWidth) + 1;

  /// The room that writing the format needs at most, besides its %s values, the terminator
  /// included: room for its values' widest texts and its literal runs in whole chunks.
  std::uint16_t room = 0;
  std::uint8_t pieceCount = 0;
  FormatPiece pieces[kMostPieces];
  /// The whole format, terminator included, then bytes that nothing reads for their value: the
  /// runs are copied from here in whole chunks. A kept format is compared with the text at its
  /// address before its pieces are used again.
  char text[kTextRoom + kChunk];
};

/// What SplitInto made of a format.
enum class SplitOutcome {
  kSplit,            // oSplit holds the format's pieces
  kOtherConversion,  // the format has a conversion other than %d, %u, %s and %% (or a lone '%')
  kTooLong,          // the format's text or its pieces do not fit into a SplitFormat
};

/// Splits iFormat into oSplit. Only kSplit leaves oSplit usable.
SplitOutcome SplitInto(const char* iFormat, SplitFormat& oSplit);

/// A place where a split format is kept for an address.
struct FormatPlace {
  /// The address the split format is kept for; null while the place is free, then for ever.
  std::atomic<const char*> format{nullptr};
  /// Set before format is published.
  const SplitFormat* split = nullptr;
};

/// The places: a format is kept at the place its address hashes to or at one of the next few,
/// so that a few addresses that hash alike still find room. Places and split formats are never
/// given back: they hold the first formats met, which for a trace tool are the same few literals
/// written over and over. The places outnumber the split formats, so that most formats are at
/// the first place tried.
inline constexpr std::size_t kFormatPlaceCount = 1024;
inline constexpr std::size_t kFormatPlacesTried = 4;
inline constexpr std::size_t kSplitFormatCount = 256;
[[gnu::visibility("hidden")]] extern FormatPlace gFormatPlaces[kFormatPlaceCount];

/// The first place tried for iFormat.
inline std::size_t FirstFormatPlace(const char* iFormat) {
  const auto address = reinterpret_cast<std::uintptr_t>(iFormat);
  return static_cast<std::size_t>((address * 0x9E3779B97F4A7C15u) >> 54) % kFormatPlaceCount;
}

/// FindKept beyond the first place: the other places tried, and when none holds iFormat, iFormat
/// split and kept at a free place. Null when the format cannot be split, or no place or split
/// format is left. Thread-safe, without a lock: a place is claimed, filled, then published.
[[gnu::visibility("hidden"), gnu::noinline]] const SplitFormat* FindOrKeep(const char* iFormat);

/// The split form of iFormat, kept for its address; null when it has a conversion other than
/// %d, %u, %s and %%, is too long, or nothing is left to keep it in. A text given at an address
/// that held another text before is not mistaken for it: a kept format is compared with the
/// text at its address before it is used.
inline const SplitFormat* FindKept(const char* iFormat) {
  const FormatPlace& place = gFormatPlaces[FirstFormatPlace(iFormat)];
  if (place.format.load(std::memory_order_acquire) == iFormat &&
      std::strcmp(iFormat, place.split->text) == 0)
    return place.split;
  return FindOrKeep(iFormat);
}

/// Writes iSplit's text with iValues from oAt on, and answers where the text ends (no terminator
/// written); null when a %s value is null or the room left before iEnd is too small for it, the
/// values then partly read. Needs iEnd - oAt >= iSplit.room. Bytes past the text's end, up to
/// iEnd, may be written over.
[[gnu::always_inline]] inline char* WritePieces(char* oAt, const char* iEnd,
                                                const SplitFormat& iSplit, va_list iValues) {
  const FormatPiece* const last = iSplit.pieces + iSplit.pieceCount;
  for (const FormatPiece* piece = iSplit.pieces; piece != last; ++piece) {
    CopyChunks(oAt, iSplit.text + piece->offset, piece->length);
    oAt += piece->length;
    if (piece->conversion == '\0') continue;
    switch (piece->conversion) {
      case 'd':
        oAt = std::to_chars(oAt, oAt + kIntWidth, va_arg(iValues, int)).ptr;
        break;
      case 'u':
        oAt = std::to_chars(oAt, oAt + kIntWidth, va_arg(iValues, unsigned)).ptr;
        break;
      case 's': {
        const char* text = va_arg(iValues, const char*);
        if (!text) return nullptr;
        const std::size_t length = std::strlen(text);
        if (length > static_cast<std::size_t>(iEnd - oAt) - piece->roomAfter) return nullptr;
        CopyText(oAt, text, length);
        oAt += length;
        break;
      }
      default:
        break;
    }
  }
  return oAt;
}

}  // namespace zyn::trace
