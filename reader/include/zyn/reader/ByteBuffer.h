// A growable buffer of bytes that appends in place: what JSON text and the row digest's
// canonical bytes are written into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace zyn::reader {

/// Bytes appended to in place, without a call per piece; Clear keeps the room for reuse.
class ByteBuffer {
 public:
  void Append(const char* iBytes, std::size_t iCount) {
    if (iCount == 0) return;  // an empty text may have no bytes at all (a null pointer)
    if (iCount > capacity_ - size_) Grow(iCount);
    CopyBytes(data_.get() + size_, iBytes, iCount);
    size_ += iCount;
  }
  void Append(std::string_view iText) { Append(iText.data(), iText.size()); }
  void Push(char iByte) {
    if (size_ == capacity_) Grow(1);
    data_[size_++] = iByte;
  }
  /// Room for iCount more bytes at the end: write them, then Commit the end of what was written.
  char* Claim(std::size_t iCount) {
    if (iCount > capacity_ - size_) Grow(iCount);
    return data_.get() + size_;
  }
  void Commit(const char* iEnd) { size_ = static_cast<std::size_t>(iEnd - data_.get()); }
  std::string_view View() const { return std::string_view(data_.get(), size_); }
  std::size_t Size() const { return size_; }
  void Clear() { size_ = 0; }

 private:
  void Grow(std::size_t iMore) {
    std::size_t capacity = capacity_ ? capacity_ * 2 : 4096;
    while (capacity - size_ < iMore) capacity *= 2;
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
  }
  /// Copies iCount bytes: a short piece (most of what is appended: keys, names, numbers) as
  /// two words that may overlap, without a call.
  static void CopyBytes(char* oOut, const char* iIn, std::size_t iCount) {
    if (iCount > 16) {
      std::memcpy(oOut, iIn, iCount);
    } else if (iCount >= 8) {
      CopyWord<std::uint64_t>(oOut, iIn);
      CopyWord<std::uint64_t>(oOut + iCount - 8, iIn + iCount - 8);
    } else if (iCount >= 4) {
      CopyWord<std::uint32_t>(oOut, iIn);
      CopyWord<std::uint32_t>(oOut + iCount - 4, iIn + iCount - 4);
    } else {
      for (std::size_t i = 0; i < iCount; ++i) oOut[i] = iIn[i];
    }
  }
  template <class Word>
  static void CopyWord(char* oOut, const char* iIn) {
    Word word;
    std::memcpy(&word, iIn, sizeof word);
    std::memcpy(oOut, &word, sizeof word);
  }
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace zyn::reader
