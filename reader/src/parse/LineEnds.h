// The line ends among 64 bytes, found at once: what cuts the input into lines, and what notes
// where lines start for the comparison.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zyn::reader {

/// The line ends among the 64 bytes at iBytes, one bit each (bit i: iBytes[i] is a line end).
inline std::uint64_t LineEndsOf64(const char* iBytes) {
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  const auto bitsAt = [&](int iOffset) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(iBytes + iOffset));
    return std::uint64_t{
        static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline)))};
  };
  return bitsAt(0) | bitsAt(16) << 16 | bitsAt(32) << 32 | bitsAt(48) << 48;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= std::uint64_t{iBytes[i] == '\n'} << i;
  return mask;
#endif
}

}  // namespace zyn::reader
