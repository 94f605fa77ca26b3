// The DMT row dump: a row's header, info line, components with their versions, RMT elements,
// and a closing line that repeats the ordinal and the uuid.
#include "dumps/RowPieces.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

constexpr RowHeaderTexts kHeader{{"<DMTElement>  %d *** uuid: ", "<DMTElement>   *** uuid: "},
                                 // The stars carry a trailing blank on standard output only.
                                 " ********************",
                                 " ******************** ",
                                 "</DMTElement>\n"};
constexpr OrdinalText kClosing{"</DMTElement>  %d *** uuid: ", "</DMTElement>   *** uuid: "};

/// One of the row's binary identifiers (a version or the major id): the query that answers it
/// and its lines, present with its hexadecimal text or absent; the trace form's texts and
/// standard output's, which ends each line with std::endl (the absent line's final "\n").
struct Identifier {
  HRESULT (ZynIDCIMpgDMTElement::*query)(ZynBinary&);
  const char* presentTrace;
  const char* presentOutput;
  const char* absentTrace;
  FixedText absentOutput;
};

/// One of the row's component blocks, its texts in the order written: its opening tag, the
/// line written in place of a component that is absent or has no dump, its identifiers (one
/// or two: an identifier without a query stands for none), its closing tag; each tag and that
/// line the same on both sinks.
struct ComponentBlock {
  HRESULT (ZynIDCIMpgDMTElement::*component)(ZynIDCIMpgComponent_var&);
  FixedText opening;
  FixedText none;
  Identifier identifiers[2];
  FixedText closing;
};

constexpr ComponentBlock kNonM1Block{
    &ZynIDCIMpgDMTElement::GetNonM1Component,
    "<Non-M1 Component>\n",
    "No non-M1 component\n",
    {{&ZynIDCIMpgDMTElement::GetNonM1ComponentVersion, "Non-M1 component version: %s\n",
      "Non-M1 component version: ", "No non-M1 component version.\n",
      "No non-M1 component version.\n"}},
    "</Non-M1 Component>\n"};

// Both forms keep a blank before the line end of the none line.
constexpr ComponentBlock kM1Block{
    &ZynIDCIMpgDMTElement::GetM1Component,
    "<M1 Component>\n",
    "No M1 component \n",
    {{&ZynIDCIMpgDMTElement::GetM1ComponentVersion, "M1 component version: %s\n",
      "M1 component version: ", "No M1 component version.\n", "No M1 component version.\n"},
     {&ZynIDCIMpgDMTElement::GetM1ComponentMajorID, "M1 component majorID: %s\n",
      "M1 component majorID: ", "No M1 component majorID.\n", "No M1 component majorID.\n"}},
    "</M1 Component>\n"};

/// The row's info line: its mapping master, whether it already exists, its modification
/// state; three emissions that reach standard output in one write.
void EmitInfoLine(ZynIDCIMpgDMTElement* iElement) {
  HeldOutput line;
  ZynDCIMpgMappingMaster master = ZynDCIMpgMasterNone;
  iElement->GetMappingMaster(master);
  ZynUnicodeString masterText;
  ZynDCIMpgServices::GetMappingMasterDump(master, masterText);
  line.Emit([&] { TracePrint("<DMTEltInfo> Mapping Master:%s", masterText.ConvertToChar()); },
            [&](OutputLine& out) {
              out << "<DMTEltInfo> Mapping Master:" << masterText.ConvertToChar();
            });

  EmitExistence(line, iElement, ", DMT element already exists", ", New DMT element");

  int modificationState = 0;
  iElement->GetModificationState(modificationState);
  line.Emit([&] { TracePrint(", ModificationState:%d </DMTEltInfo>\n", modificationState); },
            [&](OutputLine& out) {
              out << ", ModificationState:" << modificationState << " </DMTEltInfo>" << std::endl;
            });
}

/// Writes one of the row's binary identifiers from the answer of its query: 0 gives the
/// hexadecimal text, 1 (no identifier) the absent line, any other answer, a failed query,
/// writes nothing. The hexadecimal text lands in the caller's string, which all identifiers of
/// the row share.
void EmitIdentifier(ZynIDCIMpgDMTElement* iElement, const Identifier& iIdentifier,
                    ZynUnicodeString& ioHexaText) {
  ZynBinary identifier;
  const HRESULT queryResult = (iElement->*iIdentifier.query)(identifier);
  if (queryResult == 0) {
    ZynDCIMpgServicesForTests::GetBinaryHexaName(identifier, ioHexaText);
    Emit([&] { TracePrint(iIdentifier.presentTrace, ioHexaText.CastToCharPtr()); },
         [&](OutputLine& out) {
           out << iIdentifier.presentOutput << ioHexaText.CastToCharPtr() << std::endl;
         });
  } else if (queryResult == 1) {
    Emit([&] { TracePut(iIdentifier.absentTrace); },
         [&](OutputLine& out) { OutputText(out, iIdentifier.absentOutput); });
  }
}

/// Writes one of the row's component blocks: its opening tag, the component's dump at the
/// row's level or the block's none line, its identifiers, its closing tag. The component is
/// asked for before anything is written; the one dump handle ioDump serves its dump.
void EmitComponentBlock(ZynIDCIMpgDMTElement* iElement, const ComponentBlock& iBlock, int iLevel,
                        ZynIMpgDump_var& ioDump, ZynUnicodeString& ioHexaText) {
  ZynIDCIMpgComponent_var component;
  (iElement->*iBlock.component)(component);
  EmitSame(iBlock.opening);

  ioDump.__CastTo(component);
  if (!ioDump)
    EmitSame(iBlock.none);
  else
    ioDump->Dump(iLevel, 1, 0);

  for (const Identifier& identifier : iBlock.identifiers)
    if (identifier.query) EmitIdentifier(iElement, identifier, ioHexaText);

  EmitSame(iBlock.closing);
}

}  // namespace

HRESULT ZynMpgDMTRowDump::Dump(int iLevel, int /*iMode*/, int iIndex) {
  ZynIDCIMpgDMTElement_var element(GetImpl(0));
  if (!element) return E_FAIL;

  // The uuid serves again in the closing line.
  RowUuid uuid;
  if (const std::optional<HRESULT> ended =
          EmitRowHeader(kHeader, iLevel, iIndex, element.get(), &uuid))
    return *ended;

  EmitInfoLine(element.get());

  // One dump handle serves every nested dump; each cast replaces what it held. The hexadecimal
  // text is shared by the three identifiers and never cleared between them.
  ZynIMpgDump_var dump;
  ZynUnicodeString hexaText;
  EmitComponentBlock(element.get(), kNonM1Block, iLevel, dump, hexaText);
  EmitComponentBlock(element.get(), kM1Block, iLevel, dump, hexaText);

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
       [](OutputLine& out) { OutputText(out, "</DUMP of RMTElement>\n"); });

  // The closing line repeats the ordinal and the uuid, all on one sink; the uuid printer picks
  // its own.
  const ZynUuid* closingUuid = uuid.IfRead();
  Emit([&] { TraceRowClosing(kClosing, iIndex, closingUuid, " ********************\n"); },
       [&](OutputLine& out) {
         OutputRowClosing(out, kClosing, iIndex, closingUuid, " ********************\n");
       });
  return S_OK;
}
