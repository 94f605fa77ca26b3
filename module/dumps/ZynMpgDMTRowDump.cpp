// The DMT row dump: a row's header, info line, components with their versions, RMT elements,
// and a closing line that repeats the ordinal and the uuid.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

constexpr OrdinalText kHeader{"<DMTElement>  %d *** uuid: ", "<DMTElement>   *** uuid: "};
constexpr OrdinalText kClosing{"</DMTElement>  %d *** uuid: ", "</DMTElement>   *** uuid: "};

/// The lines of one of the row's binary identifiers (a version or the major id): present, with
/// its hexadecimal text, or absent; the trace form's texts and standard output's, which ends
/// each line with std::endl.
struct IdentifierTexts {
  const char* presentTrace;
  const char* presentOutput;
  const char* absentTrace;
  const char* absentOutput;
};
constexpr IdentifierTexts kNonM1Version{
    "Non-M1 component version: %s\n",
    "Non-M1 component version: ", "No non-M1 component version.\n", "No non-M1 component version."};
constexpr IdentifierTexts kM1Version{"M1 component version: %s\n",
                                     "M1 component version: ", "No M1 component version.\n",
                                     "No M1 component version."};
constexpr IdentifierTexts kM1MajorId{"M1 component majorID: %s\n",
                                     "M1 component majorID: ", "No M1 component majorID.\n",
                                     "No M1 component majorID."};

/// Writes one of the row's binary identifiers from the answer of its query iQuery: 0 gives the
/// hexadecimal text, 1 (no identifier) the absent line, any other answer, a failed query,
/// writes nothing. The hexadecimal text lands in the caller's string, which all identifiers of
/// the row share.
void EmitIdentifier(ZynIDCIMpgDMTElement& iElement,
                    HRESULT (ZynIDCIMpgDMTElement::*iQuery)(ZynBinary&),
                    const IdentifierTexts& iTexts, ZynUnicodeString& ioHexaText) {
  ZynBinary identifier;
  const HRESULT queryResult = (iElement.*iQuery)(identifier);
  if (queryResult == 0) {
    ZynDCIMpgServicesForTests::GetBinaryHexaName(identifier, ioHexaText);
    Emit([&] { TracePrint(iTexts.presentTrace, ioHexaText.CastToCharPtr()); },
         [&](OutputLine& out) {
           out << iTexts.presentOutput << ioHexaText.CastToCharPtr() << std::endl;
         });
  } else if (queryResult == 1) {
    Emit([&] { TracePut(iTexts.absentTrace); },
         [&](OutputLine& out) { out << iTexts.absentOutput << std::endl; });
  }
}

/// Dumps one of the row's components at the row's level, or writes iNone, the same on both
/// sinks, when it is absent or has no dump.
void DumpComponentOrSayNone(ZynIMpgDump_var& ioDump, const ZynIDCIMpgComponent_var& iComponent,
                            int iLevel, const char* iNone) {
  ioDump.__CastTo(iComponent);
  if (!ioDump)
    EmitSame(iNone);
  else
    ioDump->Dump(iLevel, 1, 0);
}

/// The row's info line: its mapping master, whether it already exists, its modification
/// state.
void EmitInfoLine(ZynIDCIMpgDMTElement* iElement) {
  ZynDCIMpgMappingMaster master = ZynDCIMpgMasterNone;
  iElement->GetMappingMaster(master);
  ZynUnicodeString masterText;
  ZynDCIMpgServices::GetMappingMasterDump(master, masterText);
  Emit([&] { TracePrint("<DMTEltInfo> Mapping Master:%s", masterText.ConvertToChar()); },
       [&](OutputLine& out) {
         out << "<DMTEltInfo> Mapping Master:" << masterText.ConvertToChar();
       });

  bool alreadyExists = false;
  iElement->GetAlreadyExists(alreadyExists);
  if (alreadyExists)
    EmitSame(", DMT element already exists");
  else
    EmitSame(", New DMT element");

  int modificationState = 0;
  iElement->GetModificationState(modificationState);
  Emit([&] { TracePrint(", ModificationState:%d </DMTEltInfo>\n", modificationState); },
       [&](OutputLine& out) {
         out << ", ModificationState:" << modificationState << " </DMTEltInfo>" << std::endl;
       });
}

}  // namespace

HRESULT ZynMpgDMTRowDump::Dump(int iLevel, int /*iMode*/, int iIndex) {
  ZynIDCIMpgDMTElement_var element(GetImpl(0));
  if (!element) return E_FAIL;

  // Without the private interface the header's ordinal piece stays written, with no line end.
  // The uuid serves again in the closing line.
  // The header's line reaches standard output in one write.
  RowUuid uuid;
  {
    HeldOutput header;
    if (!EmitRowHeaderUuid(header, kHeader, iIndex, element.get(), &uuid)) return E_FAIL;

    // The stars carry a trailing blank on standard output only.
    header.Emit([] { TracePut(" ********************"); },
                [](OutputLine& out) { out << " ******************** "; });

    if (iLevel == 0) {
      EmitSame(header, "</DMTElement>\n");
      return S_OK;
    }
    EmitSame(header, "\n");
  }

  EmitInfoLine(element.get());

  // One dump handle serves every nested dump; each cast replaces what it held.
  ZynIMpgDump_var dump;
  // The hexadecimal text is shared by the three identifiers and never cleared between them.
  ZynUnicodeString hexaText;

  ZynIDCIMpgComponent_var nonM1Component;
  element->GetNonM1Component(nonM1Component);
  EmitSame("<Non-M1 Component>\n");

  DumpComponentOrSayNone(dump, nonM1Component, iLevel, "No non-M1 component\n");

  EmitIdentifier(*element.get(), &ZynIDCIMpgDMTElement::GetNonM1ComponentVersion, kNonM1Version,
                 hexaText);

  EmitSame("</Non-M1 Component>\n");

  ZynIDCIMpgComponent_var m1Component;
  element->GetM1Component(m1Component);
  EmitSame("<M1 Component>\n");

  // Both forms keep a blank before the line end.
  DumpComponentOrSayNone(dump, m1Component, iLevel, "No M1 component \n");

  EmitIdentifier(*element.get(), &ZynIDCIMpgDMTElement::GetM1ComponentVersion, kM1Version,
                 hexaText);
  EmitIdentifier(*element.get(), &ZynIDCIMpgDMTElement::GetM1ComponentMajorID, kM1MajorId,
                 hexaText);

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
  const ZynUuid* closingUuid = uuid.IfRead();
  Emit([&] { TraceRowClosing(kClosing, iIndex, closingUuid, " ********************\n"); },
       [&](OutputLine& out) {
         OutputRowClosing(out, kClosing, iIndex, closingUuid, " ********************\n");
       });
  return S_OK;
}
