// The DMT row dump: a row's header, info line, components with their versions, RMT elements,
// and a closing line that repeats the ordinal and the uuid.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

constexpr OrdinalText kHeader{"<DMTElement>  %d *** uuid: ", "<DMTElement>   *** uuid: "};
constexpr OrdinalText kClosing{"</DMTElement>  %d *** uuid: ", "</DMTElement>   *** uuid: "};

/// Writes one of the row's binary identifiers (a version or the major id) from the answer of
/// its query: 0 gives the hexadecimal text, 1 (no identifier) the absent line, any other
/// answer, a failed query, writes nothing. The hexadecimal text lands in the caller's string,
/// which all identifiers of the row share.
void EmitIdentifier(HRESULT iQueryResult, const ZynBinary& iIdentifier,
                    ZynUnicodeString& ioHexaText, const char* iPresentTrace,
                    const char* iPresentOutput, const char* iAbsentTrace,
                    const char* iAbsentOutput) {
  if (iQueryResult == 0) {
    ZynDCIMpgServicesForTests::GetBinaryHexaName(iIdentifier, ioHexaText);
    Emit(
        [&] { TracePrint(iPresentTrace, ioHexaText.CastToCharPtr()); },
        [&](OutputLine& out) { out << iPresentOutput << ioHexaText.CastToCharPtr() << std::endl; });
  } else if (iQueryResult == 1) {
    Emit([&] { TracePut(iAbsentTrace); },
         [&](OutputLine& out) { out << iAbsentOutput << std::endl; });
  }
}

}  // namespace

HRESULT ZynMpgDMTRowDump::Dump(int iLevel, int /*iMode*/, int iIndex) {
  ZynIDCIMpgDMTElement_var element(GetImpl(0));
  if (!element) return E_FAIL;

  EmitOrdinal(kHeader, iIndex);

  // Without the private interface the header piece stays written, with no line end.
  ZynIDCIMpgElementPrivate_var elementPrivate(element);
  if (!elementPrivate) return E_FAIL;

  // The uuid and whether it could be read serve again in the closing line.
  ZynUuid uuid;
  const bool uuidRead = elementPrivate->GetUuid(uuid) >= 0;
  if (uuidRead)
    PrintUuid(uuid);
  else
    EmitSame(kInvalidUuid);

  // The stars carry a trailing blank on standard output only.
  Emit([] { TracePut(" ********************"); },
       [](OutputLine& out) { out << " ******************** "; });

  if (iLevel == 0) {
    EmitSame("</DMTElement>\n");
    return S_OK;
  }
  EmitSame("\n");

  ZynDCIMpgMappingMaster master = ZynDCIMpgMasterNone;
  element->GetMappingMaster(master);
  ZynUnicodeString masterText;
  ZynDCIMpgServices::GetMappingMasterDump(master, masterText);
  Emit([&] { TracePrint("<DMTEltInfo> Mapping Master:%s", masterText.ConvertToChar()); },
       [&](OutputLine& out) {
         out << "<DMTEltInfo> Mapping Master:" << masterText.ConvertToChar();
       });

  bool alreadyExists = false;
  element->GetAlreadyExists(alreadyExists);
  if (alreadyExists)
    EmitSame(", DMT element already exists");
  else
    EmitSame(", New DMT element");

  int modificationState = 0;
  element->GetModificationState(modificationState);
  Emit([&] { TracePrint(", ModificationState:%d </DMTEltInfo>\n", modificationState); },
       [&](OutputLine& out) {
         out << ", ModificationState:" << modificationState << " </DMTEltInfo>" << std::endl;
       });

  // One dump handle serves every nested dump; each cast replaces what it held.
  ZynIMpgDump_var dump;
  // The hexadecimal text is shared by the three identifiers and never cleared between them.
  ZynUnicodeString hexaText;

  ZynIDCIMpgComponent_var nonM1Component;
  element->GetNonM1Component(nonM1Component);
  EmitSame("<Non-M1 Component>\n");

  dump.__CastTo(nonM1Component);
  if (!dump)
    EmitSame("No non-M1 component\n");
  else
    dump->Dump(iLevel, 1, 0);

  ZynBinary nonM1Version;
  const HRESULT nonM1VersionResult = element->GetNonM1ComponentVersion(nonM1Version);
  EmitIdentifier(nonM1VersionResult, nonM1Version, hexaText, "Non-M1 component version: %s\n",
                 "Non-M1 component version: ", "No non-M1 component version.\n",
                 "No non-M1 component version.");

  EmitSame("</Non-M1 Component>\n");

  ZynIDCIMpgComponent_var m1Component;
  element->GetM1Component(m1Component);
  EmitSame("<M1 Component>\n");

  // Both forms keep a blank before the line end.
  dump.__CastTo(m1Component);
  if (!dump)
    EmitSame("No M1 component \n");
  else
    dump->Dump(iLevel, 1, 0);

  ZynBinary m1Version;
  const HRESULT m1VersionResult = element->GetM1ComponentVersion(m1Version);
  EmitIdentifier(m1VersionResult, m1Version, hexaText, "M1 component version: %s\n",
                 "M1 component version: ", "No M1 component version.\n",
                 "No M1 component version.");

  ZynBinary m1MajorId;
  const HRESULT m1MajorIdResult = element->GetM1ComponentMajorID(m1MajorId);
  EmitIdentifier(m1MajorIdResult, m1MajorId, hexaText, "M1 component majorID: %s\n",
                 "M1 component majorID: ", "No M1 component majorID.\n",
                 "No M1 component majorID.");

  EmitSame("</M1 Component>\n");

  // The trace form keeps a blank before the line end, standard output does not.
  ZynListValZynIDCIMpgRMTElement_var rmtElements;
  element->GetRMTElements(rmtElements);
  const int rmtCount = rmtElements.Size();
  Emit([&] { TracePrint("<DUMP of RMTElements>   Number of RMT elements : %d \n", rmtCount); },
       [&](OutputLine& out) {
         out << "<DUMP of RMTElements>   Number of RMT elements : " << rmtCount << std::endl;
       });

  // Each RMT element keeps its own position as ordinal, even after one without a dump.
  if (iLevel >= 1 && rmtCount >= 1)
    DumpEach(dump, rmtElements, rmtCount, iLevel, Ordinals::Positions);

  // On standard output the closing tag has no final "s".
  Emit([] { TracePut("</DUMP of RMTElements>\n"); },
       [](OutputLine& out) { out << "</DUMP of RMTElement>" << std::endl; });

  // The closing line repeats the ordinal and the uuid, all on one sink; the uuid printer still
  // picks its own.
  const ZynUuid* closingUuid = uuidRead ? &uuid : nullptr;
  Emit([&] { TraceRowClosing(kClosing, iIndex, closingUuid, " ********************\n"); },
       [&](OutputLine& out) {
         OutputRowClosing(out, kClosing, iIndex, closingUuid, " ********************\n");
       });
  return S_OK;
}
