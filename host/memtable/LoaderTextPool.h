// TextPool: the loader's store of id texts, copied once into large blocks for the whole reading.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace zyn::mem {

/// Characters kept for the reader's whole run, in large blocks.
///
/// Why not a std::string per id: a 100 MB table file names hundreds of thousands of ids and must
/// load within two seconds, while the table it builds is held to 256 bytes per object. One
/// allocation per id costs time, and its header and small-string slack add memory to the load.
/// Nothing kept is freed before the pool, so a bump cursor over 64 KiB blocks serves every id
/// with one copy and no per-text overhead.
class TextPool {
 public:
  /// A copy of iText that lives as long as the pool.
  std::string_view Keep(std::string_view iText) {
    if (iText.size() > left_) {
      // A text larger than a quarter block gets a block of its own, so that little is wasted.
      const std::size_t size = iText.size() > kBlock / 4 ? iText.size() : kBlock;
      blocks_.emplace_back(new char[size]);
      cursor_ = blocks_.back().get();
      left_ = size;
    }
    assert(iText.size() <= left_);
    char* copy = cursor_;
    if (!iText.empty()) std::memcpy(copy, iText.data(), iText.size());
    cursor_ += iText.size();
    left_ -= iText.size();
    return std::string_view(copy, iText.size());
  }

 private:
  static constexpr std::size_t kBlock = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;  // bytes free after cursor_ in the last block
};

}  // namespace zyn::mem
