// The file-based component dump: the document's name, type and uuid and, at detail level 2, its
// path and last save.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {
/// The only level that adds the path and last-save lines.
constexpr int kDetailLevel = 2;
}  // namespace

HRESULT ZynMpgFileBasedComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgFileComponent_var component(GetImpl(0));
  if (!component) return E_FAIL;

  ZynUnicodeString name;
  component->GetName(name);
  ZynUnicodeString docType;
  component->GetDocType(docType);
  // The header line's emissions reach standard output in one write.
  HeldOutput line;
  // Both forms give the same characters, cut differently.
  line.Emit(
      [&] {
        TracePrint("<File component>  Name :%s ,", name.CastToCharPtr());
        TracePrint(" DocType : %s , Uuid :", docType.CastToCharPtr());
      },
      [&](OutputLine& out) {
        out << "<File component> "
            << " Name :" << name.CastToCharPtr() << " ,"
            << " DocType : " << docType.CastToCharPtr() << " "
            << ", Uuid :";
      });

  ZynUuid uuid;
  component->GetUuid(uuid);
  PrintUuid(line, uuid);

  if (iLevel != kDetailLevel) {
    // The short form closes on the header line.
    EmitSame(line, " </File Component>");
  } else {
    ZynUnicodeString pathName;
    component->GetPathName(pathName);
    ZynUnicodeString lastSavePath;
    component->GetLastSavePath(lastSavePath);
    ZynUnicodeString lastSaveName;
    component->GetLastSaveName(lastSaveName);
    ZynTime lastSaveTime;
    component->GetLastSaveTime(lastSaveTime);

    // A last save without a time prints an empty time text.
    const ZynUnicodeString timeFormat("%Y-%m-%dT%H:%M:%SZ");
    ZynUnicodeString timeText;
    if (lastSaveTime.Gettime_t() != -1) timeText = lastSaveTime.ConvertToString(timeFormat, 0);

    // The path line keeps a blank before its end on the trace tool only.
    line.Emit(
        [&] {
          TracePut("\n");
          TracePrint("                   PathName : %s \n", pathName.CastToCharPtr());
          TracePrint(
              "                   LastSaveName : %s , LastSaveTime : %s , LastSavePath : %s\n",
              lastSaveName.CastToCharPtr(), timeText.CastToCharPtr(), lastSavePath.CastToCharPtr());
          TracePut("</File Component>");
        },
        [&](OutputLine& out) {
          out << std::endl
              << "                   PathName : " << pathName.CastToCharPtr() << std::endl
              << "                   LastSaveName : " << lastSaveName.CastToCharPtr()
              << " , LastSaveTime : " << timeText.CastToCharPtr()
              << " , LastSavePath : " << lastSavePath.CastToCharPtr() << std::endl
              << "</File Component>";
        });
  }

  EmitSame(line, "\n");
  return S_OK;
}
