// The splitting of formats into pieces, and the places where split formats are kept.
#include "ZynSplitFormat.h"

namespace zyn::trace {

FormatPlace gFormatPlaces[kFormatPlaceCount];

namespace {

/// The split formats the places point to, handed out in order.
SplitFormat gSplitFormats[kSplitFormatCount];
std::atomic<std::size_t> gSplitFormatsUsed{0};

/// The address a place holds while it is being filled: no format's, nobody sees it.
const char kBeingFilled = '\0';

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
    if (kept == iFormat && std::strcmp(iFormat, place.split->text) == 0) return place.split;
    if (!kept && !free) free = &place;
  }
  SplitFormat split{};
  if (!free || SplitInto(iFormat, split) != SplitOutcome::kSplit) return nullptr;
  const char* expected = nullptr;
  if (!free->format.compare_exchange_strong(expected, &kBeingFilled, std::memory_order_relaxed))
    return nullptr;
  const std::size_t index = gSplitFormatsUsed.fetch_add(1, std::memory_order_relaxed);
  if (index >= kSplitFormatCount) {
    free->format.store(nullptr, std::memory_order_relaxed);
    return nullptr;
  }
  gSplitFormats[index] = split;
  free->split = &gSplitFormats[index];
  free->format.store(iFormat, std::memory_order_release);
  return free->split;
}

}  // namespace zyn::trace
