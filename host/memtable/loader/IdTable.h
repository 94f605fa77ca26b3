// IdTable: the loader's index of the ids a table file names, numbered in the order first named.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "objects/Arena.h"

namespace zyn::mem {

/// The ids named so far, numbered in the order they were first named: open addressing over
/// their hashes (linear probing, at most three quarters full), the names kept in a pool.
///
/// Why not a std::unordered_map<std::string, ...>: every object and every reference of a table
/// file looks an id up, and a 100 MB table must load in about two seconds. A node-based map
/// allocates a node and a string per id and chases a pointer per probe; here an entry is a hash
/// and a number side by side in one array, sized from the file's length up front, and the name
/// is compared only when the hashes agree.
class IdTable {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  /// Room for about iExpected ids before the first growth.
  explicit IdTable(std::size_t iExpected) {
    std::size_t size = 1024;
    while (size < iExpected * 2) size *= 2;
    entries_.assign(size, Entry{0, kNone});
  }

  /// iId's number; a new id gets the next number, which is Count() before the call.
  std::uint32_t FindOrAdd(std::string_view iId) {
    if ((names_.size() + 1) * 4 > entries_.size() * 3) Grow();
    const std::size_t hash = std::hash<std::string_view>{}(iId);
    Entry& entry = entries_[Position(iId, hash)];
    if (entry.index == kNone) {
      assert(names_.size() < kNone);
      entry = Entry{hash, static_cast<std::uint32_t>(names_.size())};
      names_.push_back(texts_.KeepText(iId));
    }
    return entry.index;
  }
  /// The id numbered iIndex, which must have been given out.
  std::string_view Name(std::uint32_t iIndex) const {
    assert(iIndex < names_.size());
    return names_[iIndex];
  }
  std::size_t Count() const { return names_.size(); }

 private:
  struct Entry {
    std::size_t hash;
    std::uint32_t index;  // kNone for an empty entry
  };
  /// Where iId's entry is, or the empty entry where it would go. The table is never full, so
  /// the probe ends.
  std::size_t Position(std::string_view iId, std::size_t iHash) const {
    const std::size_t mask = entries_.size() - 1;
    for (std::size_t i = iHash & mask;; i = (i + 1) & mask) {
      const Entry& entry = entries_[i];
      if (entry.index == kNone || (entry.hash == iHash && names_[entry.index] == iId)) return i;
    }
  }
  /// Doubles the entries, placing each again by its kept hash.
  void Grow() {
    std::vector<Entry> grown(entries_.size() * 2, Entry{0, kNone});
    const std::size_t mask = grown.size() - 1;
    for (const Entry& entry : entries_) {
      if (entry.index == kNone) continue;
      std::size_t i = entry.hash & mask;
      while (grown[i].index != kNone) i = (i + 1) & mask;
      grown[i] = entry;
    }
    entries_.swap(grown);
  }

  std::vector<Entry> entries_;  // a power of two in size
  std::vector<std::string_view> names_;
  Arena texts_;  // the ids' characters, kept for the whole reading
};

}  // namespace zyn::mem
