// Rebuilding the rows and the environment of a dump: the answers their lines show, their
// components, and the positions that the dump skips.
#include "Rebuild.h"
#include "TableValues.h"

namespace mpgtree::table {

namespace {

using namespace zyn::reader;

/// The ids of an object's parts, its own id followed by a suffix, made in one buffer: each is
/// valid until the next is made (the part it names is built and gone by then).
class PartIds {
 public:
  explicit PartIds(const std::string& iOwner) : id_(iOwner), owner_(iOwner.size()) {
    id_.reserve(owner_ + 24);
  }
  const std::string& operator()(std::string_view iSuffix) {
    id_.resize(owner_);
    return id_ += iSuffix;
  }
  const std::string& operator()(std::string_view iSuffix, std::int64_t iNumber) {
    (*this)(iSuffix);
    return id_ += std::to_string(iNumber);
  }

 private:
  std::string id_;
  std::size_t owner_;
};

/// The row's header: its uuid, or its failure ("invalid element uuid"), and the levels it
/// shows. Answers whether the row's whole block follows: not when the row's dump stops after
/// the header's first piece (the row withholds its private interface), nor at level 0.
struct RowKind {
  std::string_view headerAlone;  // what a header alone shows, for --explain
  std::string_view wholeBlock;
};
constexpr RowKind kDmtRow{"a DMT row's header alone", "a DMT row's whole block"};
constexpr RowKind kRmtRow{"an RMT row's header alone", "an RMT row's whole block"};

bool RebuildHeader(const RowHeader& iHeader, const RowKind& iRow, TableObject& ioObject,
                   Rebuild& ioRebuild) {
  if (iHeader.stoppedAfterFirstPiece) {
    ioObject.Lacks("ZynIDCIMpgElementPrivate");
    return false;
  }
  if (!iHeader.uuid)
    ioObject.AnswerFailed("GetUuid");
  else
    AnswerUuid(*iHeader.uuid, ioObject, ioRebuild);
  if (iHeader.headerOnly) {
    ioRebuild.levels.Require(kLevel0, iRow.headerAlone, ioObject.Id());
    return false;
  }
  ioRebuild.levels.Require(kEveryLevel & ~kLevel0, iRow.wholeBlock, ioObject.Id());
  return true;
}

void RebuildHexIdentifier(std::string_view iQuery, const HexIdentifier& iIdentifier,
                          TableObject& ioObject, Rebuild& ioRebuild) {
  switch (iIdentifier.presence) {
    case IdentifierPresence::Present:
      if (IsHexadecimal(iIdentifier.hexadecimal))
        ioObject.AnswerPlainText(iQuery, iIdentifier.hexadecimal);
      else
        ioRebuild.LeaveOut(ioObject.Id(), std::string(iQuery) + ": not hexadecimal");
      return;
    case IdentifierPresence::Absent:
      ioObject.Answer(iQuery, "{\"result\": 1}");
      return;
    case IdentifierPresence::NotWritten:
      ioObject.AnswerFailed(iQuery);
      return;
  }
}

/// The RMT rows of a DMT row at their positions; the positions the dump skips get rows
/// without a dump. Answers the JSON list.
std::string RebuildRmtRows(const DmtRow& iRow, const std::string& iId, Rebuild& ioRebuild) {
  const std::int64_t count = iRow.announcedRmtRowCount.value_or(0);
  PartIds ids(iId);
  std::int64_t next = 1;
  for (const RmtRow& rmtRow : iRow.rmtRows) {
    const std::int64_t ordinal = rmtRow.header.ordinal.value_or(0);
    if (ordinal < next || ordinal > count) {
      ioRebuild.LeaveOut(iId, "an RMT row out of its place (" + std::to_string(ordinal) + ")");
      continue;
    }
    for (; next < ordinal; ++next)
      RebuildSkippedRow(ids(".rmt", next), "ZynDCIMpgRMTRow", ioRebuild);
    RebuildRmtRow(rmtRow, ids(".rmt", next++), ioRebuild);
  }
  for (; next <= count; ++next) RebuildSkippedRow(ids(".rmt", next), "ZynDCIMpgRMTRow", ioRebuild);
  if (!iRow.rmtRows.empty())
    ioRebuild.levels.Require(kLevel1 | kLevel2OrMore, "RMT rows dumped", iId);
  return NumberedList(ids(".rmt"), count);
}

void RebuildDmtBody(const DmtRow& iRow, TableObject& ioObject, Rebuild& ioRebuild) {
  const std::string& id = ioObject.Id();
  if (std::optional<std::int32_t> master = MappingMasterValue(iRow.mappingMaster))
    ioObject.AnswerInt("GetMappingMaster", *master);
  else
    ioRebuild.LeaveOut(
        id, "the mapping master " + QuotedJson(iRow.mappingMaster) + " is none the host prints");
  ioObject.AnswerBool("GetAlreadyExists", iRow.alreadyExists);
  ioObject.AnswerInt("GetModificationState", iRow.modificationState);
  PartIds ids(id);
  RebuildPlace(iRow.nonM1Component, ids(".nonM1"), PlaceKind::DmtComponent, "GetNonM1Component",
               ioObject, ioRebuild);
  RebuildHexIdentifier("GetNonM1ComponentVersion", iRow.nonM1ComponentVersion, ioObject, ioRebuild);
  RebuildPlace(iRow.m1Component, ids(".m1"), PlaceKind::DmtComponent, "GetM1Component", ioObject,
               ioRebuild);
  RebuildHexIdentifier("GetM1ComponentVersion", iRow.m1ComponentVersion, ioObject, ioRebuild);
  RebuildHexIdentifier("GetM1ComponentMajorID", iRow.m1ComponentMajorId, ioObject, ioRebuild);
  ioObject.Answer("GetRMTElements", RebuildRmtRows(iRow, id, ioRebuild));
}

/// The M1 components that the dump shows, then null handles for those it counts but skips.
std::string RebuildM1Components(const RmtRow& iRow, TableObject& ioObject, Rebuild& ioRebuild) {
  const std::int64_t count = iRow.announcedM1ComponentCount.value_or(0);
  std::string list = "[";
  std::int64_t listed = 0;
  PartIds ids(ioObject.Id());
  for (const Component& component : iRow.m1Components) {
    const std::string& id = ids(".m1.", ++listed);
    RebuildComponent(component, id, ioRebuild.levels, ioRebuild);
    list += listed > 1 ? ", \"" : "\"";
    list += id;
    list += '"';
  }
  if (listed > count) ioRebuild.LeaveOut(ioObject.Id(), "more M1 components than counted");
  for (std::int64_t i = listed; i < count; ++i) list += i > 0 ? ", null" : "null";
  if (count > static_cast<std::int64_t>(iRow.m1Components.size()))
    ioObject.Placeholder("GetM1Components", "",
                         "null handles after the components shown, for those counted but "
                         "without a dump");
  return list + "]";
}

void RebuildRmtBody(const RmtRow& iRow, TableObject& ioObject, Rebuild& ioRebuild) {
  ioObject.AnswerBool("GetMigrationState", iRow.migrationState);
  ioObject.AnswerBool("GetAlreadyExists", iRow.alreadyExists);
  ioObject.AnswerInt("GetModificationState", iRow.modificationState);
  PartIds ids(ioObject.Id());
  RebuildPlace(iRow.owner, ids(".owner"), PlaceKind::RmtLabelled, "GetOwner", ioObject, ioRebuild);
  RebuildPlace(iRow.ref, ids(".ref"), PlaceKind::RmtLabelled, "GetRef", ioObject, ioRebuild);
  RebuildPlace(iRow.pointed, ids(".pointed"), PlaceKind::RmtLabelled, "GetPointed", ioObject,
               ioRebuild);
  RebuildPlace(iRow.nonM1Component, ids(".nonM1"), PlaceKind::RmtNonM1, "GetNonM1Component",
               ioObject, ioRebuild);
  ioObject.Answer("GetM1Components", RebuildM1Components(iRow, ioObject, ioRebuild));
}

}  // namespace

void RebuildSkippedRow(const std::string& iId, std::string_view iType, Rebuild& ioRebuild) {
  TableObject object(iId, iType, ioRebuild.objects);
  object.Lacks("ZynIMpgDump");
  ioRebuild.emit(object);
}

std::string NumberedList(std::string_view iPrefix, std::int64_t iCount) {
  std::string list = "[";
  for (std::int64_t i = 1; i <= iCount; ++i) {
    if (i > 1) list += ", ";
    list += '"';
    list += iPrefix;
    list += std::to_string(i);
    list += '"';
  }
  return list + "]";
}

void RebuildDmtRow(const DmtRow& iRow, const std::string& iId, Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgDMTRow", ioRebuild.objects);
  if (RebuildHeader(iRow.header, kDmtRow, object, ioRebuild))
    RebuildDmtBody(iRow, object, ioRebuild);
  ioRebuild.emit(object);
}

void RebuildRmtRow(const RmtRow& iRow, const std::string& iId, Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgRMTRow", ioRebuild.objects);
  if (RebuildHeader(iRow.header, kRmtRow, object, ioRebuild))
    RebuildRmtBody(iRow, object, ioRebuild);
  ioRebuild.emit(object);
}

void RebuildEnvironment(const Environment& iEnvironment, const std::string& iId,
                        Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgEnvironment", ioRebuild.objects);
  object.AnswerText("GetName", iEnvironment.name);
  if (std::optional<std::int32_t> client = MappingClientValue(iEnvironment.mappingClient))
    object.AnswerInt("GetMappingClient", *client);
  else
    ioRebuild.LeaveOut(iId, "the mapping client " + QuotedJson(iEnvironment.mappingClient) +
                                " is none the host prints");
  if (std::optional<std::int32_t> master = MappingMasterValue(iEnvironment.mappingMaster))
    object.AnswerInt("GetMappingMaster", *master);
  else
    ioRebuild.LeaveOut(iId, "the mapping master " + QuotedJson(iEnvironment.mappingMaster) +
                                " is none the host prints");
  if (iEnvironment.directory) {
    ioRebuild.levels.Require(kLevel2, "the environment's directory line", iId);
    object.AnswerText("GetDirectory", *iEnvironment.directory);
  } else {
    object.Placeholder("GetDirectory", "\"\"", "empty: the dump shows no directory, at any level");
  }
  ioRebuild.emit(object);
}

}  // namespace mpgtree::table
