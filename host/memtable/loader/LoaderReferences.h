// The ids of a table file and the answers that name them, settled once every id is known.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "objects/Arena.h"
#include "objects/OpenIndex.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem::loader {

/// Every id a table file names, defined or only referred to so far, numbered in the order first
/// named, with the object of each defined one.
///
/// Why an OpenIndex of small records rather than a std::unordered_map<std::string, ...>: every
/// object and every reference of a table file looks an id up, and a 100 MB table must load in
/// about two seconds. A node-based map allocates a node and a string per id and chases a
/// pointer per probe; here the index's entry is a hash and a pointer, the record the id's kept
/// name, its number and its object, and the name is compared only when the hashes agree.
class LoadedIds {
 public:
  /// iId's number; a new id gets the next one, with no object yet.
  std::uint32_t Number(std::string_view iId) {
    return index_.FindOrAdd(iId, [&] { return NewRecord(iId); })->number;
  }
  /// The object defined under the id numbered iNumber, or null while it is only referred to.
  MemObject* Object(std::uint32_t iNumber) const { return Record(iNumber).object; }
  /// Records iObject as the definition of the id numbered iNumber, which has none yet.
  void Define(std::uint32_t iNumber, MemObject* iObject) {
    assert(!Record(iNumber).object && iObject);
    records_[iNumber].object = iObject;
  }
  std::string_view Name(std::uint32_t iNumber) const { return Record(iNumber).key; }

 private:
  /// One id: its name (the index's key, kept in names_), its number, its object once defined.
  struct IdRecord {
    std::string_view key;
    std::uint32_t number;
    MemObject* object;
  };
  /// The record of iId, named for the first time: the next number, no object yet.
  const IdRecord* NewRecord(std::string_view iId) {
    assert(records_.size() < UINT32_MAX);
    const auto number = static_cast<std::uint32_t>(records_.size());
    return &records_.emplace_back(IdRecord{names_.KeepText(iId), number, nullptr});
  }
  const IdRecord& Record(std::uint32_t iNumber) const {
    assert(iNumber < records_.size());
    return records_[iNumber];
  }

  Arena names_;                   // the ids' characters, kept for the whole reading
  std::deque<IdRecord> records_;  // by number; a deque keeps each record in place as it grows
  OpenIndex<IdRecord> index_;
};

/// The answers of Object and List operations, noted while the file is read (their targets may
/// be described later) and set on their objects once every id is known.
class References {
 public:
  explicit References(LoadedIds& ioIds) : ids_(ioIds) {}

  /// Notes iTargets as the answer of iOp (an Object or List operation) for iHolder, defined
  /// under the id numbered iHolderId: for an Object operation an id or null, for a List
  /// operation an array of them (their shapes already checked). iValueForm: the answer was
  /// given as {"result": R, "value": ...}, which the place of a fault says.
  void Add(MemObject* iHolder, std::uint32_t iHolderId, Op iOp, bool iValueForm,
           const TableValue& iTargets);

  /// Sets every noted answer on its object. False at the first target that is not defined or
  /// lacks the interface its operation needs, with the message naming its place.
  bool Settle(std::string* oError);

 private:
  struct Reference {
    MemObject* holder;
    std::uint32_t holderId;
    Op op;
    bool list;
    bool valueForm;
    std::uint32_t first;  // the first of its targets in targets_
    std::uint32_t count;
  };
  static constexpr std::int64_t kNullTarget = -1;

  std::string Place(const Reference& iReference, std::uint32_t iTarget) const;

  LoadedIds& ids_;
  std::vector<Reference> references_;
  std::vector<std::int64_t> targets_;  // id numbers, or kNullTarget
};

}  // namespace zyn::mem::loader
