// The byte floor of the Trace form: the trace text alone, written in the pieces the dump wrote
// it in, with the C library's buffered fwrite, no host code and no formatting.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

class ByteFloor {
 public:
  /// Adds the next piece; iText stays alive and unmoved as long as the floor.
  void Add(const char* iText, std::size_t iLength) { pieces_.push_back({iText, iLength}); }

  /// Writes every piece, in order, into iPath (created or truncated, opened with fopen), iRepeat
  /// times, each into the file afresh; answers the fastest time in seconds, the last fclose
  /// left out as the dump's last flush is, or a negative number when the file cannot be
  /// written.
  double Run(const std::string& iPath, int iRepeat) const;

 private:
  struct Piece {
    const char* text;
    std::size_t length;
  };
  std::vector<Piece> pieces_;
};

}  // namespace bench
