// The mapping manager dump: the top of the dump tree, which walks the manager's DMT elements.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

/// The mode that lists only the DMT elements to be saved.
constexpr int kToBeSavedMode = 3;

/// The manager's opening tag and info line: its context's name, when it has a context, and
/// whether PLMIDs are completed; the info line reaches standard output in one write.
void EmitInfoLine(ZynIDCIMpgManager* iManager) {
  HeldOutput line;
  // Without a context there is neither opening tag nor context name.
  ZynIDCIMpgContext_var context;
  iManager->GetContext(context);
  if (context) {
    ZynUnicodeString contextName;
    context->GetName(contextName);
    // The info line stays open: the completion text finishes it.
    line.Emit(
        [&] {
          // "Dump" in the trace form's opening tag, "DUMP" on standard output.
          TracePut("<Dump Mapping Manager>\n");
          TracePrint("<MpgManagerInfo> Context Name= %s", contextName.CastToCharPtr());
        },
        [&](OutputLine& out) {
          out << "<DUMP Mapping Manager>" << std::endl
              << "<MpgManagerInfo> Context Name= " << contextName.CastToCharPtr();
        });
  }

  // The inactive text follows the context name directly, with no separator.
  if (iManager->IsPLMIDCompletionActive())
    line.Emit([] { TracePut(", Completion of PLMID is active. </MpgManagerInfo>\n"); },
              [](OutputLine& out) {
                out << ", Completion of PLMID is active. </MpgManagerInfo>" << std::endl;
              });
  else
    line.Emit(
        [] { TracePut("No Completion of PLMIDs. </MpgManagerInfo>\n"); },
        [](OutputLine& out) { out << "No Completion of PLMIDs. </MpgManagerInfo>" << std::endl; });
}

}  // namespace

HRESULT ZynMpgManagerDump::Dump(int iLevel, int iMode, int /*iIndex*/) {
  ZynIDCIMpgManager_var manager(GetImpl(0));
  if (!manager) return E_FAIL;
  // Required in every mode, although only the "to be saved" listing uses it.
  ZynIDCIMpgManagerPrivate_var managerPrivate(manager);
  if (!managerPrivate) return E_FAIL;

  EmitInfoLine(manager.get());

  // In the "to be saved" listing the list of all elements serves for its count alone.
  ZynListValZynIDCIMpgDMTElement_var elements;
  int allCount = 0;
  if (iMode == kToBeSavedMode) {
    managerPrivate->GetDMTElementsToBeSaved(elements);
    ZynListValZynIDCIMpgDMTElement_var allElements;
    manager->GetDMTElements(allElements);
    allCount = allElements.Size();
    allElements.RemoveAll(ZynCollec::ReleaseElements);
  } else {
    manager->GetDMTElements(elements);
  }
  const int count = elements.Size();

  if (iMode == kToBeSavedMode)
    Emit(
        [&] {
          TracePrint("all DMTElements :%d\n", allCount);
          TracePrint("<DUMP of DMTElements> Number of DMT Elements to be saved: %d\n", count);
        },
        [&](OutputLine& out) {
          // Standard output's count line has "<DUMP DMTElements>", without "of".
          out << "all DMTElements :" << allCount << std::endl
              << "<DUMP DMTElements> Number of DMT Elements to be saved: " << count << std::endl;
        });
  else
    Emit(
        [&] {
          TracePut("DUMP all DMTElements\n");
          TracePrint("<DUMP of DMTElements> Number of DMT Elements : %d\n", count);
        },
        [&](OutputLine& out) {
          out << "DUMP all DMTElements" << std::endl
              << "<DUMP of DMTElements> Number of DMT Elements : " << count << std::endl;
        });

  // Each element keeps its own position as ordinal, even after one without a dump.
  if (iLevel >= 1 && count >= 1) {
    ZynIMpgDump_var dump;
    DumpEach(dump, elements, count, iLevel, Ordinals::Positions);
  }

  Emit(
      [] {
        TracePut("</DUMP of DMTElements>\n");
        TracePut("</DUMP Mapping Manager>\n");
      },
      [](OutputLine& out) {
        out << "</DUMP of DMTElements>" << std::endl << "</DUMP Mapping Manager>" << std::endl;
      });
  return S_OK;
}
