// The provider component dump: the binary identifier's length (and, from level 2 on, its value
// in hexadecimal), the provider name, and the exposed-identifier heading on the named trace
// when that trace is active.
#include <cstdint>

#include "dumps/HexaText.h"
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

using namespace zyn_mpg;

namespace {

// This unit's own set of named traces.
zyn_mpg::NamedTraces gTraces __attribute__((init_priority(ZYN_MPG_PROVIDER_TRACES_PRIORITY)));

/// The notice written in place of an identifier too long to print.
constexpr TooLongNotice kTooLong{"Identifier too long to print, bytes = %d",
                                 "Identifier too long to print, bytes = "};

/// Writes the identifier's bytes as hexadecimal text where the caller's line stands, choosing
/// its sink for itself; writes nothing for an identifier that has no bytes to give, and ends no
/// line.
void PrintBinaryHexa(const ZynBinary& iIdentifier) {
  const int count = iIdentifier.getLength();
  const std::uint8_t* bytes = iIdentifier.getArray();
  if (count <= 0 || bytes == nullptr) return;

  if (!HexaTextFits(count, kTooLong)) return;
  const HexaText hexa = MakeHexaText(count, [&] { return bytes; });
  Emit([&] { TracePrint("%s", hexa.digits.get()); },
       [&](OutputLine& out) { out << hexa.digits.get(); });
}

}  // namespace

HRESULT ZynMpgProviderComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgProviderComponent_var provider(GetImpl(0));
  if (!provider) return E_FAIL;

  EmitSame("<Provider component>\n");

  ZynBinary identifier;
  provider->GetBinaryIdentifier(identifier);
  const int identifierLength = identifier.getLength();
  // Below level 2 the length's line stays open and the provider name follows on it: one
  // write on standard output.
  HeldOutput line;
  if (identifierLength != 0) {
    line.Emit(
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
    EmitSame(line, "   Empty binary identifier\n");
  }

  ZynUnicodeString providerName;
  provider->GetProviderName(providerName);
  line.Emit([&] { TracePrint("   Provider name:%s\n", providerName.CastToCharPtr()); },
            [&](OutputLine& out) {
              out << "   Provider name:" << providerName.CastToCharPtr() << std::endl;
            });

  TraceExposedIdentifier(gTraces, *this, "   Exposed Identifier\n", false, line);

  EmitSame("</Provider component>\n");
  return S_OK;
}
