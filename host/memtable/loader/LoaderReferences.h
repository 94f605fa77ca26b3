// The ids of a table file and the answers that name them, settled once every id is known.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/IdTable.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem::loader {

/// Every id a table file names, defined or only referred to so far, with the object of each
/// defined one.
class LoadedIds {
 public:
  /// Sized for about iExpected ids.
  explicit LoadedIds(std::size_t iExpected) : index_(iExpected) {}

  /// iId's number; a new id gets the next one, with no object yet.
  std::uint32_t Number(std::string_view iId) {
    const std::uint32_t number = index_.FindOrAdd(iId);
    if (number == objects_.size()) objects_.push_back(nullptr);
    assert(objects_.size() == index_.Count());
    return number;
  }
  /// The object defined under the id numbered iNumber, or null while it is only referred to.
  MemObject* Object(std::uint32_t iNumber) const {
    assert(iNumber < objects_.size());
    return objects_[iNumber];
  }
  /// Records iObject as the definition of the id numbered iNumber, which has none yet.
  void Define(std::uint32_t iNumber, MemObject* iObject) {
    assert(iNumber < objects_.size() && !objects_[iNumber] && iObject);
    objects_[iNumber] = iObject;
  }
  std::string_view Name(std::uint32_t iNumber) const { return index_.Name(iNumber); }

 private:
  IdTable index_;
  std::vector<MemObject*> objects_;  // by id number; null until defined
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
