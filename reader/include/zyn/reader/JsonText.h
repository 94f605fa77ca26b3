// Text of JSON built in memory: a byte buffer that appends without a call per piece, the
// writing of any bytes as a JSON string, and the sink that takes the text. The tree's JSON, the
// diff reports and the page of mpgtree html all write through these.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace zyn::reader {

/// Bytes of JSON text, appended to without a call per piece.
class JsonText {
 public:
  void Append(const char* iBytes, std::size_t iCount) {
    if (iCount == 0) return;  // an empty text may have no bytes at all (a null pointer)
    if (iCount > capacity_ - size_) Grow(iCount);
    std::memcpy(data_.get() + size_, iBytes, iCount);
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
  void Grow(std::size_t iMore);
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

/// Appends iText as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD;
/// control characters are escaped.
void AppendJsonString(std::string_view iText, JsonText* oJson);

/// Where JSON text goes. Answers false when it cannot write; the writer then stops the reading.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual bool Write(std::string_view iText) = 0;
};

}  // namespace zyn::reader
