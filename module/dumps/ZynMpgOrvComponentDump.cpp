// The Orv component dump: the component's hash key at level 1, its identity at every other
// level, and the exposed-identifier heading on the named trace when that trace is active.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

using namespace zyn_mpg;

namespace {
// This unit's own set of named traces.
zyn_mpg::NamedTraces gTraces __attribute__((init_priority(ZYN_MPG_ORV_TRACES_PRIORITY)));

/// The component's identity: its model PLMID, then its workspace and element ids and uuids on
/// one line. Answers E_FAIL, having written nothing, at the first query that fails.
HRESULT EmitIdentity(ZynIDCIMpgOrvComponent* iOrv) {
  // An id of 0 and an empty uuid both mean that there is none.
  ZynPLMID modelId;
  int workspaceId = 0;
  int elementId = 0;
  ZynUnicodeString workspaceUuid;
  ZynUnicodeString elementUuid;

  if (iOrv->GetModelPLMID(modelId) < 0) return E_FAIL;
  if (iOrv->GetWorkspaceId(workspaceId) < 0) return E_FAIL;
  if (iOrv->GetElementId(elementId) < 0) return E_FAIL;
  if (iOrv->GetWorkspaceUuid(workspaceUuid) < 0) return E_FAIL;
  if (iOrv->GetElementUuid(elementUuid) < 0) return E_FAIL;

  // On the trace tool the identifier dumps itself into the mapping trace instead. The four
  // pieces after it share one line.
  Emit(
      [&] {
        TracePut("    model PLMID:\n");
        modelId.Dump(gTraces.mapping);
        if (workspaceId != 0)
          TracePrint("    workspace Id : %d,", workspaceId);
        else
          TracePut("    No workspace Id ,");
        if (workspaceUuid.GetLengthInChar() != 0)
          TracePrint("    workspace Uuid : %s,", workspaceUuid.CastToCharPtr());
        else
          TracePut("    No workspace Uuid ,");
        // The trace form writes no comma after the element id; standard output does.
        if (elementId != 0)
          TracePrint("    element Id : %d", elementId);
        else
          TracePut("    No element Id ,");
        if (elementUuid.GetLengthInChar() != 0)
          TracePrint("    element Uuid : %s.", elementUuid.CastToCharPtr());
        else
          TracePut("    No element Uuid .");
      },
      [&](OutputLine& out) {
        out << "    model PLMID:" << std::endl;
        modelId.Dump(out.Stream());
        if (workspaceId != 0)
          out << "    workspace Id : " << workspaceId << ",";
        else
          out << "    No workspace Id ,";
        if (workspaceUuid.GetLengthInChar() != 0)
          out << "    workspace Uuid : " << workspaceUuid.CastToCharPtr() << ",";
        else
          out << "    No workspace Uuid ,";
        // A comma here, unlike the trace form.
        if (elementId != 0)
          out << "    element Id : " << elementId << ",";
        else
          out << "    No element Id ,";
        if (elementUuid.GetLengthInChar() != 0)
          out << "    element Uuid : " << elementUuid.CastToCharPtr() << ".";
        else
          out << "    No element Uuid .";
      });
  return S_OK;
}

}  // namespace

HRESULT ZynMpgOrvComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgOrvComponent_var orv(GetImpl(0));
  if (!orv) return E_FAIL;
  // Required at every level, though only the hash-key form reads it.
  ZynIDCIMpgComponentPrivate_var componentPrivate(GetImpl(0));
  if (!componentPrivate) return E_FAIL;

  EmitSame("<Orv component>\n");

  if (iLevel == 1) {
    unsigned int hashKey = 0;
    componentPrivate->GetHashKey(hashKey);
    // The trace tool shows the key signed, standard output unsigned.
    Emit([&] { TracePrint("    Hash key: %d", hashKey); },
         [&](OutputLine& out) { out << "    Hash key: " << hashKey; });
  } else {
    // The first failing query ends the dump, leaving the block open.
    if (EmitIdentity(orv.get()) < 0) return E_FAIL;
  }

  EmitSame("\n");

  TraceExposedIdentifier(gTraces, *this, "    Exposed Identifier\n", false);

  EmitSame("</Orv component>\n");
  return S_OK;
}
