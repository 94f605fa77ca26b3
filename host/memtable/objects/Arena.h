// The bump allocator of the in-memory tables, shared by the objects' answer storage and the
// table loader.
//
// Why not the standard containers and the global allocator: a table holds millions of small
// values (texts, uuids, lists), read once at load and kept unchanged until the table goes. The
// tables are to load a 100 MB table file in 2 seconds and to keep each object within 256 bytes
// of memory, its answers included. One heap block per value would cost the allocator's header
// and rounding on each (16 to 32 bytes, as much as a uuid), a call to the allocator per value
// and a free per value at the end; a std::string per text would add its own 32 bytes. The
// arena takes one block per 64 KiB, places each value right after the previous one, and frees
// everything with the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace zyn::mem {

/// What a heap block of iBytes really takes: the allocator's header, rounded to its 16-byte
/// granules, never below its smallest chunk. For counting the bytes a table uses.
inline std::size_t HeapBlock(std::size_t iBytes) {
  const std::size_t chunk = (iBytes + 8 + 15) & ~static_cast<std::size_t>(15);
  return chunk < 32 ? 32 : chunk;
}

/// Allocation by bumping a cursor through blocks of 64 KiB; nothing is freed before the arena
/// goes, all at once. What it holds must need no destructor (texts, uuids, arrays of
/// pointers, records that view them). Moves never: a place it gave stays put.
class Arena {
 public:
  /// Room for iBytes aligned to iAlign (a power of two, at most that of std::max_align_t). A
  /// value of more than a quarter block gets a block of its own, so that the current block
  /// keeps its room. Throws std::bad_alloc when the heap has no block to give.
  void* Allocate(std::size_t iBytes, std::size_t iAlign) {
    std::size_t pad = Padding(iAlign);
    if (!cursor_ || pad + iBytes > left_) {
      if (iBytes > kBlockBytes / 4) return NewBlock(iBytes);
      cursor_ = static_cast<char*>(NewBlock(kBlockBytes));
      left_ = kBlockBytes;
      pad = 0;
    }
    char* place = cursor_ + pad;
    cursor_ = place + iBytes;
    left_ -= pad + iBytes;
    return place;
  }
  /// A copy of iText's characters that lives as long as the arena.
  std::string_view KeepText(std::string_view iText) {
    char* copy = static_cast<char*>(Allocate(iText.size(), 1));
    if (!iText.empty()) std::memcpy(copy, iText.data(), iText.size());
    return std::string_view(copy, iText.size());
  }

  /// The heap bytes the arena holds, its allocator's overhead included.
  std::size_t BytesUsed() const { return bytes_ + blocks_.capacity() * sizeof(blocks_[0]); }

 private:
  static constexpr std::size_t kBlockBytes = 64 * 1024;
  std::size_t Padding(std::size_t iAlign) const {
    const auto at = reinterpret_cast<std::uintptr_t>(cursor_);
    return (iAlign - at % iAlign) % iAlign;
  }
  void* NewBlock(std::size_t iBytes) {
    const std::size_t units = (iBytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    blocks_.emplace_back(new std::max_align_t[units]);
    bytes_ += HeapBlock(units * sizeof(std::max_align_t));
    return blocks_.back().get();
  }
  std::vector<std::unique_ptr<std::max_align_t[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace zyn::mem
