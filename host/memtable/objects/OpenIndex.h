// The open-addressing index of the in-memory tables, by text key, shared by the objects'
// answer storage (texts and PLM identifiers stored once each) and the table loader.
//
// Why not std::unordered_map: the tables are to load a 100 MB table file in 2 seconds and to
// keep each object within 256 bytes, and many answers repeat (the same type name, the same
// directory on thousands of rows), so each distinct value is stored once and found by its
// text. An unordered_map allocates a node per entry, keeps its key as a std::string of its own
// and walks a bucket list on each look-up: two to three cache misses and 50 or more bytes per
// entry. Here an entry is 16 bytes in one array, the key is the record's own view into the
// arena, and a probe touches the entry and, on a hash match, the record.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace zyn::mem {

/// An index of records by their text key (Record::key, a std::string_view that stays put),
/// each record stored once: open addressing with linear probing, the hashes kept in the
/// entries, so that a probe reads one entry and, when the hash matches, the one record. The
/// table of entries doubles when it is three-quarters full. Records are the caller's (in an
/// Arena, as a rule); the index holds pointers to them.
template <class Record>
class OpenIndex {
 public:
  /// The record whose key is iKey, made by iMake (which must give it that key) when there is
  /// none.
  template <class Make>
  const Record* FindOrAdd(std::string_view iKey, Make&& iMake) {
    if ((count_ + 1) * 4 > entries_.size() * 3) Grow();
    const std::size_t hash = std::hash<std::string_view>{}(iKey);
    const std::size_t mask = entries_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Entry& entry = entries_[i];
      if (!entry.record) {
        entry = Entry{hash, iMake()};
        ++count_;
        return entry.record;
      }
      if (entry.hash == hash && entry.record->key == iKey) return entry.record;
    }
  }
  /// The heap bytes of the entries (the records are the caller's).
  std::size_t BytesUsed() const { return entries_.capacity() * sizeof(Entry); }

 private:
  struct Entry {
    std::size_t hash;
    const Record* record;
  };
  void Grow() {
    std::vector<Entry> grown(entries_.empty() ? 1024 : entries_.size() * 2, Entry{0, nullptr});
    const std::size_t mask = grown.size() - 1;
    for (const Entry& entry : entries_) {
      if (!entry.record) continue;
      std::size_t i = entry.hash & mask;
      while (grown[i].record) i = (i + 1) & mask;
      grown[i] = entry;
    }
    entries_.swap(grown);
  }
  std::vector<Entry> entries_;
  std::size_t count_ = 0;
};

}  // namespace zyn::mem
