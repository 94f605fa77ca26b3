// The copies of short texts that the trace tool's formatter makes, without the call and size
// dispatch of memcpy for the short texts that it copies the most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zyn::trace {

/// The width of the chunks in which CopyChunks copies.
inline constexpr std::size_t kChunk = 16;
/// The widest decimal text of an int or an unsigned: "-2147483648".
inline constexpr std::size_t kIntWidth = 11;

/// Copies iLength bytes, from sizeof(Word) to twice as many, by two moves of a Word that overlap
/// in the middle: only the bytes given are read and written.
template <class Word>
inline void CopyOverlapping(char* oTo, const char* iFrom, std::size_t iLength) {
  Word head, tail;
  std::memcpy(&head, iFrom, sizeof head);
  std::memcpy(&tail, iFrom + iLength - sizeof tail, sizeof tail);
  std::memcpy(oTo, &head, sizeof head);
  std::memcpy(oTo + iLength - sizeof tail, &tail, sizeof tail);
}

/// Two 16-byte moves, for CopyOverlapping.
struct Bytes16 {
  std::uint64_t half[2];
};

/// Copies iLength bytes from iFrom to oTo, which do not overlap, reading and writing only those:
/// up to 32 bytes inline, longer texts by memcpy.
inline void CopyText(char* oTo, const char* iFrom, std::size_t iLength) {
  if (iLength >= 8) {
    if (iLength <= 16)
      CopyOverlapping<std::uint64_t>(oTo, iFrom, iLength);
    else if (iLength <= 32)
      CopyOverlapping<Bytes16>(oTo, iFrom, iLength);
    else
      std::memcpy(oTo, iFrom, iLength);
  } else if (iLength >= 4) {
    CopyOverlapping<std::uint32_t>(oTo, iFrom, iLength);
  } else if (iLength >= 2) {
    CopyOverlapping<std::uint16_t>(oTo, iFrom, iLength);
  } else if (iLength == 1) {
    *oTo = *iFrom;
  }
}

/// The bytes that CopyChunks reads and writes to copy iLength bytes: iLength in whole chunks,
/// one at least.
constexpr std::size_t ChunkedLength(std::size_t iLength) {
  return iLength <= kChunk ? kChunk : (iLength + kChunk - 1) / kChunk * kChunk;
}

/// Copies iLength bytes from iFrom to oTo in whole chunks of kChunk bytes, one at least: reads
/// and writes ChunkedLength(iLength) bytes, the bytes past iLength with no value that matters.
/// For texts whose source and destination both have that room.
inline void CopyChunks(char* oTo, const char* iFrom, std::size_t iLength) {
  std::memcpy(oTo, iFrom, kChunk);
  for (std::size_t copied = kChunk; copied < iLength; copied += kChunk)
    std::memcpy(oTo + copied, iFrom + copied, kChunk);
}

}  // namespace zyn::trace
