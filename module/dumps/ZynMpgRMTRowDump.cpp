// The RMT row dump: a row's header, state line, owner, Ref and pointed components, its non-M1
// and M1 components, and a closing line that repeats the ordinal and the uuid.
#include "dumps/RowPieces.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

// Unnumbered, the header and the closing line keep two blanks before the dashes.
constexpr RowHeaderTexts kHeader{{"<RMTElement>  %d --- uuid: ", "<RMTElement>  --- uuid: "},
                                 " -------------------  ",
                                 " -------------------  ",
                                 "</RMTElement>\n"};
constexpr OrdinalText kClosing{"</RMTElement>  %d --- uuid: ", "</RMTElement>  --- uuid: "};

/// Dumps one of the row's related components (owner, Ref or pointed) at level 0 under its
/// label's line, in each form. A component that is absent or has no dump leaves no trace, not
/// even its label.
void DumpRelatedComponent(ZynIMpgDump_var& ioDump, const ZynIDCIMpgComponent_var& iComponent,
                          const char* iTraceLabel, FixedText iOutputLabel) {
  ioDump.__CastTo(iComponent);
  if (!ioDump) return;
  Emit([&] { TracePut(iTraceLabel); }, [&](OutputLine& out) { OutputText(out, iOutputLabel); });
  ioDump->Dump(0, 1, 0);
}

/// The row's state line: its migration state, whether it already exists, its modification
/// state; three emissions that reach standard output in one write.
void EmitStateLine(ZynIDCIMpgRMTElement* iElement) {
  HeldOutput line;
  bool migrated = false;
  iElement->GetMigrationState(migrated);
  line.Emit([&] { TracePut(migrated ? "Migration State: TRUE" : "Migration State: FALSE"); },
            [&](OutputLine& out) { out << "Migration State: " << (migrated ? "TRUE" : "FALSE"); });

  EmitExistence(line, iElement, ", RMT element already exists", ", New RMT element");

  int modificationState = 0;
  iElement->GetModificationState(modificationState);
  line.Emit(
      [&] { TracePrint(", ModificationState:%d\n", modificationState); },
      [&](OutputLine& out) { out << ", ModificationState:" << modificationState << std::endl; });
}

}  // namespace

HRESULT ZynMpgRMTRowDump::Dump(int iLevel, int /*iMode*/, int iIndex) {
  ZynIDCIMpgRMTElement_var element(GetImpl(0));
  if (!element) return E_FAIL;

  // The uuid serves again in the closing line.
  RowUuid uuid;
  if (const std::optional<HRESULT> ended =
          EmitRowHeader(kHeader, iLevel, iIndex, element.get(), &uuid))
    return *ended;

  EmitStateLine(element.get());

  // One dump handle serves every nested dump; each cast replaces what it held.
  ZynIMpgDump_var dump;

  // The related components are dumped at level 0, whatever this dump's level.
  ZynIDCIMpgComponent_var owner;
  element->GetOwner(owner);
  DumpRelatedComponent(dump, owner, "  Owner:\n", "  Owner:\n");

  ZynIDCIMpgComponent_var ref;
  element->GetRef(ref);
  DumpRelatedComponent(dump, ref, "  Ref:\n", "  Ref:\n");

  // The pointed label differs in its blanks between the two sinks.
  ZynIDCIMpgComponent_var pointed;
  element->GetPointed(pointed);
  DumpRelatedComponent(dump, pointed, " Pointed:\n", "  Pointed: \n");

  // On standard output the non-M1 tags have no opening angle bracket.
  ZynIDCIMpgComponent_var nonM1Component;
  element->GetNonM1Component(nonM1Component);
  Emit([] { TracePut("<Non-M1 Component>\n"); },
       [](OutputLine& out) { OutputText(out, "Non-M1 Component>\n"); });

  dump.__CastTo(nonM1Component);
  if (dump) dump->Dump(iLevel, 1, 0);

  Emit([] { TracePut("</Non-M1 Component>\n"); },
       [](OutputLine& out) { OutputText(out, "/Non-M1 Component>\n"); });

  ZynListValZynIDCIMpgComponent_var m1Components;
  element->GetM1Components(m1Components);
  const int m1Count = m1Components.Size();
  if (m1Count == 0) {
    EmitSame("No M1 Components\n");
  } else {
    Emit([&] { TracePrint("<M1 Components> Number of M1 Components : %d\n", m1Count); },
         [&](OutputLine& out) {
           out << "<M1 Components> Number of M1 Components : " << m1Count << std::endl;
         });
    // The M1 components carry no ordinal; one without a dump is skipped.
    DumpEach(dump, m1Components, m1Count, iLevel, Ordinals::None);
  }

  // The list's closing tag (only for a non-empty list) and the closing line, which repeats the
  // ordinal and the uuid, go to one sink; the uuid printer picks its own.
  const ZynUuid* closingUuid = uuid.IfRead();
  Emit(
      [&] {
        if (m1Count != 0) TracePut("</M1 Components>\n");
        TraceRowClosing(kClosing, iIndex, closingUuid, " -------------------\n");
      },
      [&](OutputLine& out) {
        if (m1Count != 0) out << "</M1 Components>" << std::endl;
        OutputRowClosing(out, kClosing, iIndex, closingUuid, " -------------------\n");
      });
  return S_OK;
}
