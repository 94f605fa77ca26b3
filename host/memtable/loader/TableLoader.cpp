// Reads table files: each object built when its description ends, the references settled last.
// The first fault ends the reading with a message naming its place.
#include <cassert>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>

#include "loader/LoaderMessages.h"
#include "loader/TableReader.h"
#include "loader/Unreachable.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem {

MemObject* LoadedTable::Find(std::string_view iId) const {
  for (const auto& [id, object] : objects)
    if (id == iId) return object;
  return nullptr;
}

namespace loader {

bool TableReader::ReadRootMember(TableValue& ioValue) {
  assert(rootMember_ != kObjectsMember && rootMember_ < kRootMembers.size());
  if (rootMember_ == kSchemaMember) {
    Problem problem;
    return CheckSchemaMember(ioValue, &problem) || Fail("$schema", problem);
  }
  if (rootMember_ == kRefusedMetaClassesMember) {
    Problem problem;
    std::vector<std::string> names;
    if (!ReadRefusedMetaClasses(ioValue, &names, &problem))
      return Fail("refused_meta_classes", problem);
    for (const std::string& name : names) table_->RefuseMetaClass(name);
    return true;
  }
  toolMembers_.push_back(ToolMember{std::string(kRootMembers[rootMember_]), std::move(ioValue)});
  if (!check_) return true;
  std::string message;
  if (check_(toolMembers_.back(), &message)) return true;
  error_ = std::move(message);
  return false;
}

void TableReader::BeginEntry() {
  entryHasType_ = false;
  entryHasLacks_ = false;
  entryOpsSeen_ = 0;
  entryOpCount_ = 0;
}

bool TableReader::CollectedEntryMember() {
  switch (entryMember_) {
    case EntryMember::Type: {
      Problem problem;
      if (!ReadEntryType(collected_, &entryType_, &problem))
        return Fail(EntryPlace() + ".type", problem);
      entryHasType_ = true;
      return true;
    }
    case EntryMember::Lacks:
      entryLacks_ = std::move(collected_);
      entryHasLacks_ = true;
      return true;
    case EntryMember::Operation:
      // Swapped in, so that the buffers of both values serve again.
      assert(entryOpCount_ <= entryOps_.size());
      if (entryOpCount_ == entryOps_.size()) entryOps_.emplace_back();
      entryOps_[entryOpCount_].first = entryOp_;
      std::swap(entryOps_[entryOpCount_].second, collected_);
      ++entryOpCount_;
      return true;
  }
  ZYN_UNREACHABLE();
}

bool TableReader::FinishEntry() {
  if (!entryHasType_) return Fail(EntryPlace(), "missing \"type\"");
  Problem problem;
  std::uint16_t withheld = 0;
  if (entryHasLacks_ && !ReadLacks(entryType_, entryLacks_, &withheld, &problem))
    return Fail(EntryPlace() + ".lacks", problem);
  for (std::size_t i = 0; i < entryOpCount_; ++i) {
    const Op op = entryOps_[i].first;
    if (!TypeHasOp(entryType_, op))
      return Fail(EntryPlace() + "." + OpName(op),
                  std::string(TypeName(entryType_)) + " offers no " + OpName(op));
  }

  MemObject* object = table_->Create(entryType_);
  if (!object) return Fail(EntryPlace(), "no storage for the object");
  for (int i = 0; i < kIfaceCount; ++i)
    if (withheld & (1u << i)) object->Withhold(static_cast<Iface>(i));
  for (std::size_t i = 0; i < entryOpCount_; ++i) {
    const Op op = entryOps_[i].first;
    if (!ApplyAnswer(object, entryId_, op, entryOps_[i].second, references_, &problem))
      return Fail(EntryPlace() + "." + OpName(op), problem);
  }
  ids_.Define(entryId_, object);
  objects_.emplace_back(ids_.Name(entryId_), object);
  return true;
}

bool TableReader::Finish() {
  assert(frames_.empty() && !collecting_);
  return references_.Settle(&error_);
}

void TableReader::MoveInto(LoadedTable* oTable) {
  LoadedTable loaded;
  loaded.table = std::move(table_);
  loaded.objects = std::move(objects_);
  loaded.toolMembers = std::move(toolMembers_);
  *oTable = std::move(loaded);
}

}  // namespace loader

bool LoadTable(std::string_view iText, LoadedTable* oTable, std::string* oError,
               const ToolMemberCheck& iCheck) {
  std::string error;
  try {
    // The parser takes a NUL byte for the end of the text; whatever follows would go unread.
    if (const std::size_t nul = iText.find('\0'); nul != std::string_view::npos) {
      if (oError) *oError = loader::PlaceAt(iText, nul) + ": a NUL byte, which no table text holds";
      return false;
    }
    loader::TableReader reader(iText, iCheck);
    if (nlohmann::json::sax_parse(iText.begin(), iText.end(), &reader) && reader.Finish()) {
      if (oTable) reader.MoveInto(oTable);
      return true;
    }
    error = reader.Error().empty() ? "the table could not be read" : reader.Error();
  } catch (const std::bad_alloc&) {
    error = "out of memory while reading the table";
  }
  if (oError) *oError = std::move(error);
  return false;
}

}  // namespace zyn::mem
