// The environment dump: one tagged block with the environment's name, client, master and, at
// detail level 2, its directory.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

/// The name of a mapping-client value; a value without a name prints as the empty text.
const char* MappingClientName(ZynDCIMpgMappingClient iClient) {
  switch (iClient) {
    case ZynDCIMpgClientNone:
      return "ZynDCIMpgClientNone";
    case ZynDCIMpgClientQuell:
      return "ZynDCIMpgClientQuell";
    case ZynDCIMpgClientBront:
      return "ZynDCIMpgClientBront";
    case ZynDCIMpgClientStiv:
      return "ZynDCIMpgClientStiv";
    case ZynDCIMpgClientMarn:
      return "ZynDCIMpgClientMarn";
    case ZynDCIMpgClientOrv:
      return "ZynDCIMpgClientOrv";
  }
  return "";
}

/// The info line: the environment's name, client and master. The line stays open: a directory
/// line or the close ends it.
void EmitInfoLine(ZynIDCIMpgEnvironment* iEnvironment) {
  // A query that fails leaves its value as preset here.
  ZynUnicodeString name;
  iEnvironment->GetName(name);
  ZynDCIMpgMappingClient client = ZynDCIMpgClientNone;
  iEnvironment->GetMappingClient(client);
  ZynDCIMpgMappingMaster master = ZynDCIMpgMasterNone;
  iEnvironment->GetMappingMaster(master);
  ZynUnicodeString masterText;
  ZynDCIMpgServices::GetMappingMasterDump(master, masterText);
  const ZynUnicodeString clientText(MappingClientName(client));

  Emit(
      [&] {
        TracePrint(" Name :%s", name.CastToCharPtr());
        TracePrint(", MappingClient :%s", clientText.ConvertToChar());
        TracePrint(", MappingMaster :%s", masterText.ConvertToChar());
      },
      [&](OutputLine& out) {
        out << " Name :" << name.CastToCharPtr()
            << ", MappingClient :" << clientText.ConvertToChar()
            << ", MappingMaster :" << masterText.ConvertToChar();
      });
}

/// The only level that adds the directory line.
constexpr int kDirectoryLevel = 2;

}  // namespace

HRESULT ZynMpgEnvironmentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgEnvironment_var environment(GetImpl(0));
  if (!environment) return E_FAIL;

  // The opening tag goes out before any query.
  EmitSame("<Environment>\n");

  EmitInfoLine(environment.get());

  if (iLevel == kDirectoryLevel) {
    ZynUnicodeString directory;
    environment->GetDirectory(directory);
    // An empty directory leaves its line out.
    if (directory.GetLengthInChar() != 0)
      Emit(
          [&] {
            TracePut("\n");
            TracePrint(" Directory :%s", directory.CastToCharPtr());
          },
          [&](OutputLine& out) {
            out << std::endl << " Directory :" << directory.CastToCharPtr();
          });
  }

  Emit(
      [] {
        TracePut("\n");
        TracePut("</Environment>\n");
      },
      [](OutputLine& out) {
        out << std::endl;
        out << "</Environment>" << std::endl;
      });
  return S_OK;
}
