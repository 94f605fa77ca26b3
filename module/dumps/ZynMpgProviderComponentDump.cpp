// The provider component dump: the binary identifier's length (and, from level 2 on, its value
// in hexadecimal), the provider name, and the exposed-identifier heading on the named trace
// when that trace is active.
#include <climits>
#include <cstdint>
#include <memory>

#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

using namespace zyn_mpg;

namespace {

// This unit's own set of named traces.
zyn_mpg::NamedTraces gTraces __attribute__((init_priority(ZYN_MPG_PROVIDER_TRACES_PRIORITY)));

/// Writes the identifier's bytes as hexadecimal text where the caller's line stands, choosing
/// its sink for itself; writes nothing for an identifier that has no bytes to give, and ends no
/// line. A failed allocation of the text's buffer is left to the caller's caller.
void PrintBinaryHexa(const ZynBinary& iIdentifier) {
  const int count = iIdentifier.getLength();
  const std::uint8_t* bytes = iIdentifier.getArray();
  if (count <= 0 || bytes == nullptr) return;

  // The buffer of 2n+1 bytes must stay countable in an int.
  if (count > (INT_MAX - 1) / 2) {
    Emit([&] { TracePrint("Identifier too long to print, bytes = %d", count); },
         [&](OutputLine& out) { out << "Identifier too long to print, bytes = " << count; });
    return;
  }

  // Two digits per byte; the zero fill supplies the terminator.
  const int hexaSize = 2 * count + 1;
  std::unique_ptr<char[]> hexa(new char[hexaSize]());
  ZynDbCharToHexa(bytes, count, hexa.get(), hexaSize);
  Emit([&] { TracePrint("%s", hexa.get()); }, [&](OutputLine& out) { out << hexa.get(); });
}

}  // namespace

HRESULT ZynMpgProviderComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgProviderComponent_var provider(GetImpl(0));
  if (!provider) return E_FAIL;

  EmitSame("<Provider component>\n");

  ZynBinary identifier;
  provider->GetBinaryIdentifier(identifier);
  const int identifierLength = identifier.getLength();
  if (identifierLength != 0) {
    // Below level 2 the length's line stays open and the provider name follows on it.
    Emit(
        [&] {
          TracePrint("   Binary identifier length:%d", identifierLength);
          if (iLevel >= 2) {
            TracePut("\n");
            TracePut("   Binary identifier Value:");
            PrintBinaryHexa(identifier);
            TracePut("\n");
          }
        },
        [&](OutputLine& out) {
          out << "   Binary identifier length:" << identifierLength;
          if (iLevel >= 2) {
            out << std::endl << "   Binary identifier Value:";
            out.WritePending();  // the printer picks its own sink
            PrintBinaryHexa(identifier);
            out << std::endl;
          }
        });
  } else {
    EmitSame("   Empty binary identifier\n");
  }

  ZynUnicodeString providerName;
  provider->GetProviderName(providerName);
  Emit([&] { TracePrint("   Provider name:%s\n", providerName.CastToCharPtr()); },
       [&](OutputLine& out) {
         out << "   Provider name:" << providerName.CastToCharPtr() << std::endl;
       });

  TraceExposedIdentifier(gTraces, *this, "   Exposed Identifier\n", false);

  EmitSame("</Provider component>\n");
  return S_OK;
}
