// The RMT file-based component dump: the RMT non-M1 component's PX1 identifier, alias, techno
// string, link sequence and object type, with the octet values from detail level 2 on.
#include <climits>
#include <cstdint>
#include <memory>

#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

/// Writes a non-empty sequence twice where the caller's line stands: as hexadecimal text, then,
/// on the next line, as text read one character per octet (ISO 8859-1 style). Each of the two
/// parts chooses its own sink. The trace tool takes at most 1000 bytes of hexadecimal buffer; a
/// longer text is replaced there by a notice giving the buffer size, while standard output
/// takes it whole. Ends no line: the caller does.
void PrintOctetSequence(const _SEQUENCE_octet& iSequence) {
  constexpr int kTraceHexaLimit = 1000;

  const int count = iSequence.length();
  if (count <= 0) return;

  // The buffer of 2n+1 bytes must stay countable in an int.
  if (count > (INT_MAX - 1) / 2) {
    Emit([&] { TracePrint("Sequence too long to print, octets = %d", count); },
         [&](OutputLine& out) { out << "Sequence too long to print, octets = " << count; });
    return;
  }

  // Two digits per octet; the zero fill supplies the terminator.
  const int hexaSize = 2 * count + 1;
  std::unique_ptr<char[]> hexa(new char[hexaSize]());
  ZynDbCharToHexa(&iSequence[0], count, hexa.get(), hexaSize);
  Emit(
      [&] {
        if (hexaSize <= kTraceHexaLimit) {
          TracePut("hexa: ");
          TracePrint("%s", hexa.get());
        } else {
          TracePut("Chain too long to print, size = ");
          TracePrint("%d\n", hexaSize);
        }
      },
      [&](OutputLine& out) { out << "hexa: " << hexa.get(); });

  // Each octet becomes the code unit of equal value.
  ZynUnicodeString text;
  std::unique_ptr<std::uint16_t[]> units(new std::uint16_t[count]);
  for (int position = 0; position < count; ++position) units[position] = iSequence[position];
  text.BuildFromUCChar(units.get(), count);
  units.reset();

  // The text is the host's: it never serves as a format.
  Emit(
      [&] {
        TracePut("\n");
        TracePut("Unicode: ");
        TracePut(text.CastToCharPtr());
      },
      [&](OutputLine& out) {
        out << std::endl;
        out << "Unicode: " << text.CastToCharPtr();
      });
}

/// The link sequence: its length and, from level 2, its octets; or the note that it is empty.
void EmitLinkSequence(ZynIDCIMpgRMTFileBasedComponent* iComponent, int iLevel) {
  _SEQUENCE_octet linkSequence;
  iComponent->GetLinkSequence(linkSequence);
  const int linkLength = linkSequence.length();

  if (linkLength != 0) {
    Emit([&] { TracePrint("   LinkSequence length:%d\n", linkLength); },
         [&](OutputLine& out) { out << "   LinkSequence length:" << linkLength << std::endl; });

    if (iLevel >= 2) {
      Emit(
          [&] {
            TracePut("   LinkSequence Value: \n");
            PrintOctetSequence(linkSequence);
            TracePut("\n");
          },
          [&](OutputLine& out) {
            out << "   LinkSequence Value: " << std::endl;
            out.WritePending();  // the printer picks its own sink
            PrintOctetSequence(linkSequence);
            out << std::endl;
          });
    }
  } else {
    EmitSame(",empty LinkSequence\n");
  }
}

}  // namespace

HRESULT ZynMpgRMTFileBasedComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgRMTFileBasedComponent_var component(GetImpl(0));
  if (!component) return E_FAIL;

  EmitSame("<RMT non-M1 component>\n");

  _SEQUENCE_octet px1Id;
  component->GetPX1Id(px1Id);
  const int px1Length = px1Id.length();
  unsigned int hashKey = 0;

  if (px1Length != 0) {
    // A component without the private interface keeps the key 0; that is no failure.
    ZynIDCIMpgComponentPrivate_var componentPrivate(GetImpl(0));
    if (componentPrivate) componentPrivate->GetHashKey(hashKey);

    // The trace tool shows the key signed, standard output unsigned; on standard output the
    // line stays open for whatever follows.
    Emit([&] { TracePrint("   PX1Id HKey: %d\n", hashKey); },
         [&](OutputLine& out) { out << "   PX1Id HKey: " << hashKey; });

    if (iLevel >= 2) {
      Emit(
          [&] {
            TracePut("   PX1Id Value:\n");
            PrintOctetSequence(px1Id);
            TracePut("\n");
          },
          [&](OutputLine& out) {
            out << std::endl << "   PX1Id Value:" << std::endl;
            out.WritePending();  // the printer picks its own sink
            PrintOctetSequence(px1Id);
            out << std::endl;
          });
    }
  } else {
    EmitSame(",empty PX1Id\n");
  }

  ZynUnicodeString alias;
  component->GetAlias(alias);
  ZynUnicodeString technoString;
  component->GetTechnoString(technoString);
  Emit(
      [&] {
        TracePrint("   Alias:%s", alias.CastToCharPtr());
        TracePrint(", TechnoString:%s\n", technoString.CastToCharPtr());
      },
      [&](OutputLine& out) {
        out << "   Alias:" << alias.CastToCharPtr()
            << ", TechnoString:" << technoString.CastToCharPtr() << std::endl;
      });

  EmitLinkSequence(component.get(), iLevel);

  // The object type ends the broken-link line.
  const bool brokenLink = component->IsBrokenLink();
  Emit([&] { TracePut(brokenLink ? "   Broken Link" : "   Not Broken Link"); },
       [&](OutputLine& out) { out << (brokenLink ? "   Broken Link" : "   Not Broken Link"); });

  ZynUnicodeString objectType;
  component->GetObjectType(objectType);
  Emit([&] { TracePrint(",Object type:%s\n", objectType.CastToCharPtr()); },
       [&](OutputLine& out) { out << ",Object type:" << objectType.CastToCharPtr() << std::endl; });

  EmitSame("</RMT non-M1 component>\n");
  return S_OK;
}
