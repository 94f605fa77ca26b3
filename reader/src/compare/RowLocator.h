// Finds the rows of a dump again after the reader has passed them: a byte source that notes
// where lines begin as it hands bytes to the reader, and reads any byte range a second time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zyn/reader/DumpReader.h"

namespace zyn::reader {

/// A range of bytes of the input.
struct ByteRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

/// Reads a file descriptor for the reader, noting the offset of each line start that the
/// reader may still ask about. A descriptor that cannot be read twice (a pipe, a terminal) is
/// copied as it is read into an unlinked temporary file, from which ranges are read again.
class LocatingSource : public ByteSource {
 public:
  explicit LocatingSource(int iDescriptor);
  ~LocatingSource() override;
  LocatingSource(const LocatingSource&) = delete;
  LocatingSource& operator=(const LocatingSource&) = delete;

  long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override;

  /// The bytes of the node that spans iSpan: from its first line and column to the end of its
  /// last line, line end included. Forgets the lines before the node's last line, which no
  /// later node can start on; ask in input order.
  ByteRange Locate(const SourceSpan& iSpan);
  /// Forgets the lines before iLine (after a node that is not located).
  void ForgetBefore(std::uint64_t iLine);

  /// Reads the bytes of iRange again into oBytes; false with the reason in oError.
  bool ReadAgain(const ByteRange& iRange, std::string* oBytes, std::string* oError) const;

 private:
  /// Notes the start of the line after each line end among iCount bytes read.
  void NoteLineStarts(const char* iBytes, std::size_t iCount);

  int descriptor_;
  int copy_ = -1;             // the temporary copy of an input that cannot be read twice
  bool copyFailed_ = false;   // it needed one and none could be made
  std::uint64_t offset_ = 0;  // bytes handed to the reader so far
  /// The offsets of lines firstKnownLine_, firstKnownLine_ + 1, ..., from lineStarts_[head_] on
  /// (the entries before head_ are forgotten, and dropped now and then).
  std::vector<std::uint64_t> lineStarts_;
  std::size_t head_ = 0;
  std::uint64_t firstKnownLine_ = 1;
};

}  // namespace zyn::reader
