// Rebuilding the rows and the environment of a dump: the answers their lines show, their
// components, and the positions that the dump skips.
#include "Rebuild.h"
#include "TableValues.h"

namespace mpgtree::table {

namespace {

using namespace zyn::reader;

/// The row's header: its uuid, or its failure ("invalid element uuid"), and the levels it
/// shows. Answers whether the row's whole block follows: not when the row's dump stops after
/// the header's first piece (the row withholds its private interface), nor at level 0.
bool RebuildHeader(const RowHeader& iHeader, std::string_view iRow, TableObject& ioObject,
                   Rebuild& ioRebuild) {
  if (iHeader.stoppedAfterFirstPiece) {
    ioObject.Lacks("ZynIDCIMpgElementPrivate");
    return false;
  }
  if (!iHeader.uuid)
    ioObject.AnswerFailed("GetUuid");
  else if (iHeader.uuid->size() == 32 && IsHexadecimal(*iHeader.uuid))
    ioObject.AnswerText("GetUuid", *iHeader.uuid);
  else
    ioRebuild.LeaveOut(ioObject.Id(), "the uuid \"" + *iHeader.uuid + "\" is none a table gives");
  if (iHeader.headerOnly) {
    ioRebuild.levels.Require(kLevel0, std::string(iRow) + "'s header alone", ioObject.Id());
    return false;
  }
  ioRebuild.levels.Require(kEveryLevel & ~kLevel0, std::string(iRow) + "'s whole block",
                           ioObject.Id());
  return true;
}

void RebuildHexIdentifier(std::string_view iQuery, const HexIdentifier& iIdentifier,
                          TableObject& ioObject, Rebuild& ioRebuild) {
  switch (iIdentifier.presence) {
    case IdentifierPresence::Present:
      if (IsHexadecimal(iIdentifier.hexadecimal))
        ioObject.Answer(iQuery, "\"" + iIdentifier.hexadecimal + "\"");
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
  const std::string prefix = iId + ".rmt";
  std::int64_t next = 1;
  for (const RmtRow& rmtRow : iRow.rmtRows) {
    const std::int64_t ordinal = rmtRow.header.ordinal.value_or(0);
    if (ordinal < next || ordinal > count) {
      ioRebuild.LeaveOut(iId, "an RMT row out of its place (" + std::to_string(ordinal) + ")");
      continue;
    }
    for (; next < ordinal; ++next)
      RebuildSkippedRow(prefix + std::to_string(next), "ZynDCIMpgRMTRow", ioRebuild);
    RebuildRmtRow(rmtRow, prefix + std::to_string(next++), ioRebuild);
  }
  for (; next <= count; ++next)
    RebuildSkippedRow(prefix + std::to_string(next), "ZynDCIMpgRMTRow", ioRebuild);
  if (!iRow.rmtRows.empty())
    ioRebuild.levels.Require(kLevel1 | kLevel2OrMore, "RMT rows dumped", iId);
  return NumberedList(prefix, count);
}

void RebuildDmtBody(const DmtRow& iRow, TableObject& ioObject, Rebuild& ioRebuild) {
  const std::string& id = ioObject.Id();
  if (std::optional<std::int32_t> master = MappingMasterValue(iRow.mappingMaster))
    ioObject.AnswerInt("GetMappingMaster", *master);
  else
    ioRebuild.LeaveOut(id,
                       "the mapping master \"" + iRow.mappingMaster + "\" is none the host prints");
  ioObject.AnswerBool("GetAlreadyExists", iRow.alreadyExists);
  ioObject.AnswerInt("GetModificationState", iRow.modificationState);
  ioObject.Answer("GetNonM1Component", RebuildPlace(iRow.nonM1Component, id + ".nonM1",
                                                    PlaceKind::DmtComponent, ioRebuild));
  RebuildHexIdentifier("GetNonM1ComponentVersion", iRow.nonM1ComponentVersion, ioObject, ioRebuild);
  ioObject.Answer("GetM1Component",
                  RebuildPlace(iRow.m1Component, id + ".m1", PlaceKind::DmtComponent, ioRebuild));
  RebuildHexIdentifier("GetM1ComponentVersion", iRow.m1ComponentVersion, ioObject, ioRebuild);
  RebuildHexIdentifier("GetM1ComponentMajorID", iRow.m1ComponentMajorId, ioObject, ioRebuild);
  ioObject.Answer("GetRMTElements", RebuildRmtRows(iRow, id, ioRebuild));
}

/// The M1 components that the dump shows, then null handles for those it counts but skips.
std::string RebuildM1Components(const RmtRow& iRow, TableObject& ioObject, Rebuild& ioRebuild) {
  const std::int64_t count = iRow.announcedM1ComponentCount.value_or(0);
  std::string list = "[";
  std::int64_t listed = 0;
  for (const Component& component : iRow.m1Components) {
    const std::string id = ioObject.Id() + ".m1." + std::to_string(++listed);
    RebuildComponent(component, id, ioRebuild.levels, ioRebuild);
    list += (listed > 1 ? ", " : "") + QuotedJson(id);
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
  const std::string& id = ioObject.Id();
  ioObject.AnswerBool("GetMigrationState", iRow.migrationState);
  ioObject.AnswerBool("GetAlreadyExists", iRow.alreadyExists);
  ioObject.AnswerInt("GetModificationState", iRow.modificationState);
  ioObject.Answer("GetOwner",
                  RebuildPlace(iRow.owner, id + ".owner", PlaceKind::RmtLabelled, ioRebuild));
  ioObject.Answer("GetRef", RebuildPlace(iRow.ref, id + ".ref", PlaceKind::RmtLabelled, ioRebuild));
  ioObject.Answer("GetPointed",
                  RebuildPlace(iRow.pointed, id + ".pointed", PlaceKind::RmtLabelled, ioRebuild));
  ioObject.Answer("GetNonM1Component",
                  RebuildPlace(iRow.nonM1Component, id + ".nonM1", PlaceKind::RmtNonM1, ioRebuild));
  ioObject.Answer("GetM1Components", RebuildM1Components(iRow, ioObject, ioRebuild));
}

}  // namespace

void RebuildSkippedRow(const std::string& iId, std::string_view iType, Rebuild& ioRebuild) {
  TableObject object(iId, iType);
  object.Lacks("ZynIMpgDump");
  ioRebuild.emit(object);
}

std::string NumberedList(std::string_view iPrefix, std::int64_t iCount) {
  std::string list = "[";
  for (std::int64_t i = 1; i <= iCount; ++i) {
    if (i > 1) list += ", ";
    list += QuotedJson(std::string(iPrefix) + std::to_string(i));
  }
  return list + "]";
}

void RebuildDmtRow(const DmtRow& iRow, const std::string& iId, Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgDMTRow");
  if (RebuildHeader(iRow.header, "a DMT row", object, ioRebuild))
    RebuildDmtBody(iRow, object, ioRebuild);
  ioRebuild.emit(object);
}

void RebuildRmtRow(const RmtRow& iRow, const std::string& iId, Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgRMTRow");
  if (RebuildHeader(iRow.header, "an RMT row", object, ioRebuild))
    RebuildRmtBody(iRow, object, ioRebuild);
  ioRebuild.emit(object);
}

void RebuildEnvironment(const Environment& iEnvironment, const std::string& iId,
                        Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgEnvironment");
  object.AnswerText("GetName", iEnvironment.name);
  if (std::optional<std::int32_t> client = MappingClientValue(iEnvironment.mappingClient))
    object.AnswerInt("GetMappingClient", *client);
  else
    ioRebuild.LeaveOut(
        iId, "the mapping client \"" + iEnvironment.mappingClient + "\" is none the host prints");
  if (std::optional<std::int32_t> master = MappingMasterValue(iEnvironment.mappingMaster))
    object.AnswerInt("GetMappingMaster", *master);
  else
    ioRebuild.LeaveOut(
        iId, "the mapping master \"" + iEnvironment.mappingMaster + "\" is none the host prints");
  if (iEnvironment.directory) {
    ioRebuild.levels.Require(kLevel2, "the environment's directory line", iId);
    object.AnswerText("GetDirectory", *iEnvironment.directory);
  } else {
    object.Placeholder("GetDirectory", "\"\"", "empty: the dump shows no directory, at any level");
  }
  ioRebuild.emit(object);
}

}  // namespace mpgtree::table
