// The splitting of formats into pieces, and the places where split formats are kept.
#include "ZynSplitFormat.h"

namespace zyn::trace {

FormatPlace gFormatPlaces[kFormatPlaceCount];

namespace {

/// The room a conversion's value needs at most, besides a %s value's own text.
std::size_t ValueRoom(char iConversion) {
  return iConversion == 'd' || iConversion == 'u' ? kIntWidth : 0;
}

/// Appends the piece (iStart, iEnd - iStart, iConversion); false when oSplit has no room left.
bool AddPiece(SplitFormat& oSplit, std::size_t iStart, std::size_t iEnd, char iConversion) {
  if (oSplit.pieceCount == SplitFormat::kMostPieces) return false;
  oSplit.pieces[oSplit.pieceCount++] = {static_cast<std::uint8_t>(iStart),
                                        static_cast<std::uint8_t>(iEnd - iStart), iConversion, 0};
  return true;
}

/// Sets the room of oSplit and of each of its pieces, from the last piece to the first.
void SetRooms(SplitFormat& oSplit) {
  std::size_t room = 1;  // the terminator
  for (std::size_t index = oSplit.pieceCount; index-- > 0;) {
    FormatPiece& piece = oSplit.pieces[index];
    piece.roomAfter = static_cast<std::uint16_t>(room);
    room += ChunkedLength(piece.length) + ValueRoom(piece.conversion);
  }
  oSplit.room = static_cast<std::uint16_t>(room);
}

}  // namespace

SplitOutcome SplitInto(const char* iFormat, SplitFormat& oSplit) {
  static_assert(SplitFormat::kTextRoom <= 256, "offsets and lengths are bytes");
  oSplit.pieceCount = 0;
  std::size_t runStart = 0;
  std::size_t at = 0;
  for (;;) {
    if (at >= SplitFormat::kTextRoom - 2) return SplitOutcome::kTooLong;
    const char byte = iFormat[at];
    oSplit.text[at] = byte;
    if (byte == '\0') break;
    if (byte != '%') {
      ++at;
      continue;
    }
    const char conversion = iFormat[at + 1];
    if (conversion != 'd' && conversion != 'u' && conversion != 's' && conversion != '%')
      return SplitOutcome::kOtherConversion;
    oSplit.text[at + 1] = conversion;
    const bool added = conversion == '%' ? AddPiece(oSplit, runStart, at + 1, '\0')
                                         : AddPiece(oSplit, runStart, at, conversion);
    if (!added) return SplitOutcome::kTooLong;
    at += 2;
    runStart = at;
  }
  if (at > runStart && !AddPiece(oSplit, runStart, at, '\0')) return SplitOutcome::kTooLong;
  SetRooms(oSplit);
  return SplitOutcome::kSplit;
}

const SplitFormat* FindOrKeep(const char* iFormat) {
  const std::size_t first = FirstFormatPlace(iFormat);
  FormatPlace* free = nullptr;
  for (std::size_t tried = 0; tried < kFormatPlacesTried; ++tried) {
    FormatPlace& place = gFormatPlaces[(first + tried) % kFormatPlaceCount];
    const char* kept = place.format.load(std::memory_order_acquire);
    if (kept == iFormat && std::strcmp(iFormat, place.split.text) == 0) return &place.split;
    if (!free && !place.claimed.load(std::memory_order_relaxed)) free = &place;
  }
  if (!free || free->claimed.exchange(true, std::memory_order_acquire)) return nullptr;
  if (SplitInto(iFormat, free->split) != SplitOutcome::kSplit) {
    free->claimed.store(false, std::memory_order_release);
    return nullptr;
  }
  free->format.store(iFormat, std::memory_order_release);
  return &free->split;
}

}  // namespace zyn::trace
