// Times the trace text's pieces written with fwrite into a fresh file.
#include "byte_floor.h"

#include <chrono>
#include <cstdio>

namespace bench {

double ByteFloor::Run(const std::string& iPath, int iRepeat) const {
  double best = -1;
  for (int round = 0; round < iRepeat; ++round) {
    std::FILE* file = std::fopen(iPath.c_str(), "wb");
    if (!file) return -1;
    bool written = true;
    const auto begin = std::chrono::steady_clock::now();
    for (const Piece& piece : pieces_)
      written &= std::fwrite(piece.text, 1, piece.length, file) == piece.length;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
    if (std::fclose(file) != 0 || !written) return -1;
    if (best < 0 || seconds.count() < best) best = seconds.count();
  }
  return best;
}

}  // namespace bench
