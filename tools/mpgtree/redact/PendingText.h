// The text of a dump between its reading and its writing: the bytes the reader has taken and
// not yet written out, by line, with the changes to make to them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/JsonText.h"

namespace zyn::redact {

/// Hands the reader the bytes of iSource and keeps them until they are written to iSink with
/// their replacements, line by line: the lines before the node being read go out as soon as
/// the reader hands that node over, so that memory stays bounded by one node (and the reader's
/// read-ahead). Offsets count bytes from the input's start; lines count from 1, as the reader's.
class PendingText : public zyn::reader::ByteSource {
 public:
  PendingText(zyn::reader::ByteSource& iSource, zyn::reader::TextSink& iSink)
      : source_(iSource), sink_(iSink) {}

  long Read(char* oBuffer, std::size_t iCapacity, std::string* oError) override;

  /// Whether the line has been read and not yet written out.
  bool Holds(std::uint64_t iLine) const;
  /// Where a line starts, and where it ends (its line end, or the end of what was read).
  std::uint64_t LineStart(std::uint64_t iLine) const;
  std::uint64_t LineEnd(std::uint64_t iLine) const;
  /// The bytes held from iFrom (at most iCount of them).
  std::string_view Bytes(std::uint64_t iFrom, std::uint64_t iCount) const;

  /// Writes iReplacement in place of the iCount bytes at iFrom, when they are written out.
  void Replace(std::uint64_t iFrom, std::uint64_t iCount, std::string iReplacement);
  /// Writes out every line before iLine. False when the sink failed.
  bool WriteBefore(std::uint64_t iLine);
  /// Writes out everything read. False when the sink failed.
  bool WriteAll();

 private:
  struct Change {
    std::uint64_t from;
    std::uint64_t count;
    std::string replacement;
  };
  /// Writes out the bytes up to iEnd, with their changes, and forgets them.
  bool WriteUpTo(std::uint64_t iEnd);

  zyn::reader::ByteSource& source_;
  zyn::reader::TextSink& sink_;
  std::string bytes_;                        // from base_ on
  std::uint64_t base_ = 0;                   // the offset of bytes_[0]
  std::uint64_t written_ = 0;                // the offset up to which bytes_ was written out
  std::deque<std::uint64_t> lineStarts_{0};  // of firstLine_ and the lines after it
  std::uint64_t firstLine_ = 1;
  std::vector<Change> changes_;  // not yet written out
};

}  // namespace zyn::redact
