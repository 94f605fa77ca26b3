// The detail level of a dump, as its blocks show it. Each dump reads the level in its own way
// (exactly 2, 2 or more, exactly 1, 0, ...); the levels -1, 0, 1, 2 and 3 stand for every
// level, and each block of the dump rules some of them out. The level of the rebuilt table is
// the first of 1, 2, 3, 0, -1 that no block rules out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mpgtree::table {

/// Sets of the levels -1 to 3, one bit each.
enum LevelSet : std::uint8_t {
  kLevelNegative = 1,
  kLevel0 = 2,
  kLevel1 = 4,
  kLevel2 = 8,
  kLevel3 = 16,
  kEveryLevel = 31,
  kLevelBelow2 = kLevelNegative | kLevel0 | kLevel1,
  kLevel2OrMore = kLevel2 | kLevel3,
};

class LevelEvidence {
 public:
  /// The block iWhat of object iId shows one of the levels iLevels.
  void Require(std::uint8_t iLevels, std::string_view iWhat, std::string_view iId) {
    if (ignored_ || (levels_ & iLevels) == levels_) return;
    levels_ &= iLevels;
    if (levels_ == 0 && conflict_.empty())
      conflict_ = std::string(iWhat) + " of " + std::string(iId);
    if (!reasons_.empty()) reasons_ += "; ";
    reasons_ += std::string(iWhat) + " (" + std::string(iId) + ")";
  }
  /// A record that keeps nothing: for the blocks dumped at a level of their own (the labelled
  /// components of an RMT row, dumped at level 0 whatever the row's level).
  static LevelEvidence& Ignored() {
    static LevelEvidence ignored(true);
    return ignored;
  }
  LevelEvidence() = default;

  /// The level chosen, or nothing when the blocks disagree.
  std::optional<int> Level() const {
    for (int level : {1, 2, 3, 0, -1})
      if (levels_ & (1u << (level + 1))) return level;
    return std::nullopt;
  }
  /// Whether the blocks fixed the level, or left several open.
  bool Fixed() const { return levels_ && !(levels_ & (levels_ - 1)); }
  /// What ruled levels out, in the order met.
  const std::string& Reasons() const { return reasons_; }
  /// The first block that ruled out the last level left.
  const std::string& Conflict() const { return conflict_; }

 private:
  explicit LevelEvidence(bool iIgnored) : ignored_(iIgnored) {}
  bool ignored_ = false;
  std::uint8_t levels_ = kEveryLevel;
  std::string reasons_;
  std::string conflict_;
};

}  // namespace mpgtree::table
