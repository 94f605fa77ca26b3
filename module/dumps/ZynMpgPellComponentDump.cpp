// The Pell component dump, for plain and non-M1 Pell components alike: the PLMID (physical id
// below level 2, full from level 2 on), the CE stamp, and the exposed-identifier heading on the
// named trace when that trace is active.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

using namespace zyn_mpg;

namespace {
// This unit's own set of named traces.
zyn_mpg::NamedTraces gTraces __attribute__((init_priority(ZYN_MPG_PELL_TRACES_PRIORITY)));
}  // namespace

HRESULT ZynMpgPellComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  // The component type that marks a non-M1 component; every other type is a plain one.
  constexpr int kNonM1ComponentType = 4;

  ZynPLMID plmId;
  int componentType = 0;

  ZynIDCIMpgPellComponent_var pell(GetImpl(0));
  if (!pell) return E_FAIL;
  ZynIDCIMpgComponent_var component(GetImpl(0));
  if (!component) return E_FAIL;
  if (component->GetComponentType(componentType) < 0) return E_FAIL;
  const bool nonM1 = componentType == kNonM1ComponentType;

  // The opening tag ends no line: below level 2 the block is one line, in one write.
  HeldOutput line;
  EmitSame(line, nonM1 ? FixedText("<Pell Non-M1 component>") : FixedText("<Pell component>"));

  pell->GetPLMID(plmId);
  if (iLevel < 2) {
    ZynUnicodeString physicalId;
    ZynDCIMpgServicesForTests::GetPLMPhysicalIdDump(plmId, physicalId);
    line.Emit([&] { TracePrint("    PLMId physicalId: %s , ", physicalId.ConvertToChar()); },
              [&](OutputLine& out) {
                out << "    PLMId physicalId: " << physicalId.ConvertToChar() << " , ";
              });
  } else {
    // The trace type decides where the full identifier goes when the trace tool is valid: the
    // mapping trace (2), the trace tool as one text (1), or nowhere.
    line.Emit(
        [&] {
          TracePut("\n");
          switch (ZynDCIMpgTraceTool::_traceType) {
            case 2:
              plmId.Dump(gTraces.mapping);
              break;
            case 1: {
              ZynUnicodeString plmIdDump;
              plmId.GetUnicodeDump(plmIdDump);
              TracePut(plmIdDump.ConvertToChar());
              break;
            }
            default:
              break;
          }
        },
        [&](OutputLine& out) {
          out << std::endl;
          plmId.Dump(out.Stream());
        });
  }

  // A component without a stamp says so and the dump goes on.
  ZynPLMCEStamp ceStamp = ZynPLMCEStampServices::CreateInvalidCEStamp();
  if (pell->GetCEStamp(ceStamp) < 0) {
    EmitSame(line, "No CEStamp ");
  } else {
    ZynUnicodeString stampText;
    ZynPLMCEStamp::Stream(ceStamp, stampText);
    line.Emit([&] { TracePrint("Stamp : %s ", stampText.CastToCharPtr()); },
              [&](OutputLine& out) { out << "Stamp : " << stampText.CastToCharPtr() << " "; });
  }

  // The Pell heading follows a line end on the mapping trace.
  TraceExposedIdentifier(gTraces, *this, "Exposed Identifier\n", true, line);

  // Only level 2 ends the stamp's line before the closing tag.
  line.Emit(
      [&] {
        if (iLevel == 2) TracePut("\n");
        TracePut(nonM1 ? "</Pell Non-M1 component>\n" : "</Pell component>\n");
      },
      [&](OutputLine& out) {
        if (iLevel == 2) out << std::endl;
        out << (nonM1 ? "</Pell Non-M1 component>" : "</Pell component>") << std::endl;
      });
  return S_OK;
}
