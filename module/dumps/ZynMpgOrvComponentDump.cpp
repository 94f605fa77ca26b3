// The Orv component dump: the component's hash key at level 1, its identity at every other
// level, and the exposed-identifier heading on the named trace when that trace is active.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

using namespace zyn_mpg;

namespace {
// This unit's own set of named traces.
zyn_mpg::NamedTraces gTraces __attribute__((init_priority(ZYN_MPG_ORV_TRACES_PRIORITY)));

/// One piece of the identity line, for the trace form: iFormat with the value when there is
/// one, iNone otherwise.
template <class Value>
void TracePiece(bool iPresent, const char* iFormat, Value iValue, const char* iNone) {
  if (iPresent)
    TracePrint(iFormat, iValue);
  else
    TracePut(iNone);
}

/// The same piece for standard output: iLabel, the value and iEnd, or iNone.
template <class Value>
void OutputPiece(OutputLine& out, bool iPresent, const char* iLabel, Value iValue, const char* iEnd,
                 const char* iNone) {
  if (iPresent)
    out << iLabel << iValue << iEnd;
  else
    out << iNone;
}

/// The component's identity: its model PLMID, then its workspace and element ids and uuids on
/// one line. Answers E_FAIL, having written nothing, at the first query that fails.
HRESULT EmitIdentity(HeldOutput& ioLine, ZynIDCIMpgOrvComponent* iOrv) {
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
  const bool hasWorkspaceUuid = workspaceUuid.GetLengthInChar() != 0;
  const bool hasElementUuid = elementUuid.GetLengthInChar() != 0;

  // On the trace tool the identifier dumps itself into the mapping trace instead. The four
  // pieces after it share one line.
  ioLine.Emit(
      [&] {
        TracePut("    model PLMID:\n");
        modelId.Dump(gTraces.mapping);
        TracePiece(workspaceId != 0, "    workspace Id : %d,", workspaceId,
                   "    No workspace Id ,");
        TracePiece(hasWorkspaceUuid, "    workspace Uuid : %s,", workspaceUuid.CastToCharPtr(),
                   "    No workspace Uuid ,");
        // The trace form writes no comma after the element id; standard output does.
        TracePiece(elementId != 0, "    element Id : %d", elementId, "    No element Id ,");
        TracePiece(hasElementUuid, "    element Uuid : %s.", elementUuid.CastToCharPtr(),
                   "    No element Uuid .");
      },
      [&](OutputLine& out) {
        out << "    model PLMID:" << std::endl;
        modelId.Dump(out.Stream());
        OutputPiece(out, workspaceId != 0, "    workspace Id : ", workspaceId, ",",
                    "    No workspace Id ,");
        OutputPiece(out, hasWorkspaceUuid, "    workspace Uuid : ", workspaceUuid.CastToCharPtr(),
                    ",", "    No workspace Uuid ,");
        // A comma here, unlike the trace form.
        OutputPiece(out, elementId != 0, "    element Id : ", elementId, ",",
                    "    No element Id ,");
        OutputPiece(out, hasElementUuid, "    element Uuid : ", elementUuid.CastToCharPtr(), ".",
                    "    No element Uuid .");
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

  // The line after the opening tag reaches standard output in one write.
  HeldOutput line;
  if (iLevel == 1) {
    unsigned int hashKey = 0;
    componentPrivate->GetHashKey(hashKey);
    // The trace tool shows the key signed, standard output unsigned.
    line.Emit([&] { TracePrint("    Hash key: %d", hashKey); },
              [&](OutputLine& out) { out << "    Hash key: " << hashKey; });
  } else {
    // The first failing query ends the dump, leaving the block open.
    if (EmitIdentity(line, orv.get()) < 0) return E_FAIL;
  }

  EmitSame(line, "\n");

  TraceExposedIdentifier(gTraces, *this, "    Exposed Identifier\n", false, line);

  EmitSame("</Orv component>\n");
  return S_OK;
}
