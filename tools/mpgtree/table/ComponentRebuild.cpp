// Rebuilding the components of a dump: one function per kind, each answering the queries
// whose values the component's block shows.
#include <algorithm>

#include "Rebuild.h"
#include "TableValues.h"

namespace mpgtree::table {

namespace {

using namespace zyn::reader;

constexpr std::string_view kNotShown = "left out: the dump does not show it at this level";

void RebuildFile(const FileBasedFields& iFields, TableObject& ioObject, LevelEvidence& iLevels,
                 Rebuild& ioRebuild) {
  ioObject.AnswerText("GetName", iFields.name);
  ioObject.AnswerText("GetDocType", iFields.documentType);
  AnswerUuid(iFields.uuid, ioObject, ioRebuild);
  if (!iFields.details) {
    iLevels.Require(kEveryLevel & ~kLevel2, "a file component without detail lines", ioObject.Id());
    for (const char* query :
         {"GetPathName", "GetLastSavePath", "GetLastSaveName", "GetLastSaveTime"})
      ioObject.Placeholder(query, "", kNotShown);
    return;
  }
  iLevels.Require(kLevel2, "a file component's detail lines", ioObject.Id());
  const FileSaveDetails& details = *iFields.details;
  ioObject.AnswerText("GetPathName", details.pathName);
  ioObject.AnswerText("GetLastSavePath", details.lastSavePath);
  ioObject.AnswerText("GetLastSaveName", details.lastSaveName);
  if (std::optional<std::string> time = TimeValue(details.lastSaveTime))
    ioObject.Answer("GetLastSaveTime", *time);
  else
    ioRebuild.LeaveOut(ioObject.Id(),
                       "the time " + QuotedJson(details.lastSaveTime) + " is none a table gives");
}

/// An octet sequence: its value when the dump shows it, else octets of its length.
void RebuildOctets(std::string_view iQuery, const std::optional<OctetValue>& iValue,
                   std::string_view iStandIn, TableObject& ioObject, LevelEvidence& iLevels,
                   Rebuild& ioRebuild) {
  if (!iValue) {
    iLevels.Require(kLevelBelow2, "an octet sequence without its value", ioObject.Id());
    ioObject.Placeholder(iQuery, iStandIn, "octets of 0: the dump shows no value at this level");
    return;
  }
  iLevels.Require(kLevel2OrMore, "an octet sequence's value", ioObject.Id());
  if (std::optional<std::string> octets = OctetsValue(*iValue))
    ioObject.Answer(iQuery, *octets);
  else
    ioRebuild.LeaveOut(ioObject.Id(), std::string(iQuery) + ": a value no table gives");
}

/// The lines a text takes: one more for each line end it holds.
std::size_t LinesOf(std::string_view iText) {
  return 1 + static_cast<std::size_t>(std::count(iText.begin(), iText.end(), '\n'));
}

/// Below level 2 the hash-key line ends on the trace tool, while on standard output the alias
/// continues it: the block's lines tell the form.
Form FormOfHashKeyLine(const Component& iComponent, const RmtFileBasedFields& iFields) {
  if (iFields.px1IdEmpty || iFields.px1IdValue || iFields.linkSequenceValue) return Form::Unknown;
  const std::size_t onTrace =
      1 + 1 + LinesOf(iFields.alias + iFields.technoString) + 1 + LinesOf(iFields.objectType) + 1;
  const std::uint64_t lines = iComponent.span.lastLine - iComponent.span.firstLine + 1;
  if (lines == onTrace) return Form::Trace;
  if (lines + 1 == onTrace) return Form::StandardOutput;
  return Form::Unknown;
}

void RebuildRmtFile(const RmtFileBasedFields& iFields, TableObject& ioObject,
                    LevelEvidence& iLevels, Rebuild& ioRebuild) {
  if (iFields.px1IdEmpty) {
    ioObject.Answer("GetPX1Id", "\"\"");
  } else {
    ioObject.AnswerInt("GetHashKey", iFields.px1IdHashKey.value_or(0));
    RebuildOctets("GetPX1Id", iFields.px1IdValue, "\"00\"", ioObject, iLevels, ioRebuild);
  }
  ioObject.AnswerText("GetAlias", iFields.alias);
  ioObject.AnswerText("GetTechnoString", iFields.technoString);
  if (!iFields.linkSequenceLength)
    ioObject.Answer("GetLinkSequence", "\"\"");
  else
    RebuildOctets("GetLinkSequence", iFields.linkSequenceValue,
                  OctetsOfLength(*iFields.linkSequenceLength), ioObject, iLevels, ioRebuild);
  ioObject.AnswerBool("IsBrokenLink", iFields.linkBroken);
  ioObject.AnswerText("GetObjectType", iFields.objectType);
}

/// A PLM identifier from its host text, or a null one when the form leaves the text out.
void RebuildPlmid(std::string_view iQuery, const std::optional<std::string>& iText,
                  TableObject& ioObject, Rebuild& ioRebuild) {
  if (!iText) {
    ioRebuild.formOfValues = Form::Trace;
    ioObject.Placeholder(iQuery, "", "a null identifier: the trace tool's text leaves it out");
    return;
  }
  if (std::optional<std::string> value = PlmidValue(*iText))
    ioObject.Answer(iQuery, *value);
  else
    ioRebuild.LeaveOut(ioObject.Id(), std::string(iQuery) + ": a text no identifier prints");
}

void RebuildOrv(const OrvFields& iFields, TableObject& ioObject, LevelEvidence& iLevels,
                Rebuild& ioRebuild) {
  if (iFields.exposedIdentifierAnnounced) ioRebuild.providerTraceHeadings = true;
  if (iFields.hashKey) {
    iLevels.Require(kLevel1, "an Orv component's hash key", ioObject.Id());
    ioObject.AnswerInt("GetHashKey", *iFields.hashKey);
    return;
  }
  iLevels.Require(kEveryLevel & ~kLevel1, "an Orv component's identity", ioObject.Id());
  if (iFields.identityFailed || !iFields.identity) {
    ioObject.AnswerFailed("GetModelPLMID");
    ioObject.Placeholder("GetModelPLMID", "",
                         "the block stops after its opening: the first identity query fails");
    return;
  }
  const OrvIdentity& identity = *iFields.identity;
  RebuildPlmid("GetModelPLMID", identity.modelPlmidText, ioObject, ioRebuild);
  ioObject.AnswerInt("GetWorkspaceId", identity.workspaceId.value_or(0));
  ioObject.AnswerInt("GetElementId", identity.elementId.value_or(0));
  ioObject.AnswerText("GetWorkspaceUuid", identity.workspaceUuid.value_or(""));
  ioObject.AnswerText("GetElementUuid", identity.elementUuid.value_or(""));
}

/// The levels of a full Pell block: at level 2 its closing tag has a line of its own, above 2
/// it ends the stamp's line (or the heading's).
std::uint8_t FullPellLevels(const Component& iComponent, const PellFields& iFields) {
  // The reader keeps a PLMID's text without its own line end.
  std::size_t above2 = 1 + (iFields.plmidText ? LinesOf(*iFields.plmidText) : 0) +
                       LinesOf(iFields.ceStamp.value_or(""));
  if (iFields.exposedIdentifierAnnounced) above2 += iFields.exposedIdentifierOnItsOwnLine ? 2 : 1;
  const std::uint64_t lines = iComponent.span.lastLine - iComponent.span.firstLine + 1;
  if (lines == above2) return kLevel3;
  if (lines == above2 + 1) return kLevel2;
  return kLevel2OrMore;
}

void RebuildPell(const Component& iComponent, const PellFields& iFields, TableObject& ioObject,
                 LevelEvidence& iLevels, Rebuild& ioRebuild) {
  if (iComponent.kind == NodeKind::PellNonM1Component)
    ioObject.AnswerInt("GetComponentType", 4);
  else
    ioObject.Placeholder("GetComponentType", "", "0: any type but 4 gives this block");
  if (iFields.exposedIdentifierAnnounced) {
    ioRebuild.providerTraceHeadings = true;
    if (iFields.exposedIdentifierOnItsOwnLine) ioRebuild.mappingTraceLineEnds = true;
  }
  if (!iFields.fullForm) {
    iLevels.Require(kLevelBelow2, "a Pell component's physical id", ioObject.Id());
    if (IsHexadecimal(iFields.physicalId.value_or("")))
      ioObject.Answer("GetPLMID", PhysicalIdValue(iFields.physicalId.value_or("")));
    else
      ioRebuild.LeaveOut(ioObject.Id(), "GetPLMID: a physical id no table gives");
  } else {
    iLevels.Require(FullPellLevels(iComponent, iFields), "a Pell component's full PLMID",
                    ioObject.Id());
    if (iFields.plmidText && ioRebuild.form == Form::Trace) ioRebuild.tracePlmidTexts = true;
    RebuildPlmid("GetPLMID", iFields.plmidText, ioObject, ioRebuild);
  }
  if (iFields.ceStamp)
    ioObject.AnswerText("GetCEStamp", *iFields.ceStamp);
  else
    ioObject.AnswerFailed("GetCEStamp");
}

void RebuildProvider(const ProviderFields& iFields, TableObject& ioObject, LevelEvidence& iLevels) {
  const std::string_view query = "GetBinaryIdentifier";
  if (iFields.uncountableIdentifierBytes) {
    iLevels.Require(kLevel2OrMore, "a provider identifier's notice", ioObject.Id());
    ioObject.Answer(query, "{\"length\": " + std::to_string(*iFields.uncountableIdentifierBytes) +
                               ", \"held\": \"00\"}");
  } else if (!iFields.binaryIdentifierLength) {
    ioObject.Answer(query, "\"\"");
  } else if (!iFields.binaryIdentifierHexadecimal) {
    iLevels.Require(kLevelBelow2, "a provider identifier without its value", ioObject.Id());
    ioObject.Placeholder(query,
                         "{\"length\": " + std::to_string(*iFields.binaryIdentifierLength) + "}",
                         "no bytes: the dump shows its length alone at this level");
  } else {
    iLevels.Require(kLevel2OrMore, "a provider identifier's value", ioObject.Id());
    const std::string& hexadecimal = *iFields.binaryIdentifierHexadecimal;
    ioObject.Answer(query,
                    hexadecimal.empty()
                        ? "{\"length\": " + std::to_string(*iFields.binaryIdentifierLength) + "}"
                        : QuotedJson(hexadecimal));
  }
  ioObject.AnswerText("GetProviderName", iFields.providerName);
}

std::string_view TypeOf(NodeKind iKind) {
  switch (iKind) {
    case NodeKind::FileBasedComponent:
      return "ZynDCIMpgFileBasedComponent";
    case NodeKind::RmtFileBasedComponent:
      return "ZynDCIMpgRMTFileBasedComponent";
    case NodeKind::OrvComponent:
      return "ZynDCIMpgOrvComponent";
    case NodeKind::PellComponent:
      return "ZynDCIMpgPellComponent";
    case NodeKind::PellNonM1Component:
      return "ZynDCIMpgPellNonM1Component";
    case NodeKind::ProviderComponent:
      return "ZynDCIMpgProviderComponent";
    default:
      return "ZynDCIMpgDummyComponent";
  }
}

/// A component whose dump writes nothing: a file-based component without its own interface.
void RebuildSilentComponent(const std::string& iId, Rebuild& ioRebuild) {
  TableObject object(iId, "ZynDCIMpgFileBasedComponent", ioRebuild.objects);
  object.Lacks("ZynIDCIMpgFileComponent");
  object.Placeholder("type", "", "a file-based component: any component whose dump writes nothing");
  ioRebuild.emit(object);
}

}  // namespace

void AnswerUuid(const std::string& iUuid, TableObject& ioObject, Rebuild& ioRebuild) {
  if (iUuid.size() == 32 && IsHexadecimal(iUuid))
    ioObject.AnswerPlainText("GetUuid", iUuid);
  else
    ioRebuild.LeaveOut(ioObject.Id(), "the uuid " + QuotedJson(iUuid) + " is none a table gives");
}

void RebuildComponent(const Component& iComponent, const std::string& iId, LevelEvidence& iLevels,
                      Rebuild& ioRebuild) {
  TableObject object(iId, TypeOf(iComponent.kind), ioRebuild.objects);
  if (const auto* file = std::get_if<FileBasedFields>(&iComponent.fields))
    RebuildFile(*file, object, iLevels, ioRebuild);
  else if (const auto* rmtFile = std::get_if<RmtFileBasedFields>(&iComponent.fields)) {
    RebuildRmtFile(*rmtFile, object, iLevels, ioRebuild);
    const Form form = FormOfHashKeyLine(iComponent, *rmtFile);
    if (form != Form::Unknown) ioRebuild.formOfValues = form;
  } else if (const auto* orv = std::get_if<OrvFields>(&iComponent.fields))
    RebuildOrv(*orv, object, iLevels, ioRebuild);
  else if (const auto* pell = std::get_if<PellFields>(&iComponent.fields))
    RebuildPell(iComponent, *pell, object, iLevels, ioRebuild);
  else if (const auto* provider = std::get_if<ProviderFields>(&iComponent.fields)) {
    if (provider->exposedIdentifierAnnounced) ioRebuild.providerTraceHeadings = true;
    RebuildProvider(*provider, object, iLevels);
  }
  ioRebuild.emit(object);
}

void RebuildPlace(const ComponentPlace& iPlace, const std::string& iId, PlaceKind iKind,
                  std::string_view iQuery, TableObject& ioOwner, Rebuild& ioRebuild) {
  const bool dumped = iPlace.presence == ComponentPresence::Dumped && iPlace.component;
  if (iPlace.presence == ComponentPresence::Absent || (!dumped && iKind == PlaceKind::RmtNonM1)) {
    ioOwner.Answer(iQuery, "null");
    return;
  }
  if (!dumped)
    RebuildSilentComponent(iId, ioRebuild);
  else if (iKind == PlaceKind::RmtLabelled)  // dumped at level 0 whatever the row's level
    RebuildComponent(*iPlace.component, iId, LevelEvidence::Ignored(), ioRebuild);
  else
    RebuildComponent(*iPlace.component, iId, ioRebuild.levels, ioRebuild);
  // The component is built and gone: the owner's members go on after its own.
  ioOwner.AnswerPlainText(iQuery, iId);  // ids are ours: letters, digits and dots
}

}  // namespace mpgtree::table
