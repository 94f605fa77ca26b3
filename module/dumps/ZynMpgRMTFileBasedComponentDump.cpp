// The RMT file-based component dump: the RMT non-M1 component's PX1 identifier, alias, techno
// string, link sequence and object type, with the octet values from detail level 2 on.
#include <cstdint>
#include <memory>

#include "dumps/HexaText.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

namespace {

/// The notice written in place of a sequence too long to print.
constexpr TooLongNotice kTooLong{"Sequence too long to print, octets = %d",
                                 "Sequence too long to print, octets = "};

/// Writes a non-empty sequence twice where the caller's line stands: as hexadecimal text, then,
/// on the next line, as text read one character per octet (ISO 8859-1 style). Each of the two
/// parts chooses its own sink. The trace tool takes at most 1000 bytes of hexadecimal buffer; a
/// longer text is replaced there by a notice giving the buffer size, while standard output
/// takes it whole. Ends no line: the caller does.
void PrintOctetSequence(const _SEQUENCE_octet& iSequence) {
  constexpr int kTraceHexaLimit = 1000;

  const int count = iSequence.length();
  if (count <= 0) return;

  if (!HexaTextFits(count, kTooLong)) return;
  const HexaText hexa = MakeHexaText(count, [&] { return &iSequence[0]; });
  Emit(
      [&] {
        if (hexa.size <= kTraceHexaLimit) {
          TracePut("hexa: ");
          TracePrint("%s", hexa.digits.get());
        } else {
          TracePut("Chain too long to print, size = ");
          TracePrint("%d\n", hexa.size);
        }
      },
      [&](OutputLine& out) { out << "hexa: " << hexa.digits.get(); });

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

/// From level 2, the value of a sequence under its label: iLabel's line (the same on both
/// sinks), the sequence's two lines (PrintOctetSequence), the line end. iEndOpenLine: standard
/// output first ends the line before, which the trace form has ended already.
void EmitOctetValue(HeldOutput& ioLine, FixedText iLabel, const _SEQUENCE_octet& iSequence,
                    bool iEndOpenLine) {
  ioLine.Emit(
      [&] {
        TracePut(iLabel.text);
        PrintOctetSequence(iSequence);
        TracePut("\n");
      },
      [&](OutputLine& out) {
        if (iEndOpenLine) out << std::endl;
        OutputText(out, iLabel);
        out.WritePending();  // the printer picks its own sink
        PrintOctetSequence(iSequence);
        out << std::endl;
      });
}

/// The PX1 identifier: its hash key and, from level 2, its octets; or the note that it is empty.
/// The key is read through the private interface of iExtension's extended object.
void EmitPX1Id(HeldOutput& ioLine, const ZynBaseUnknown& iExtension,
               ZynIDCIMpgRMTFileBasedComponent* iComponent, int iLevel) {
  _SEQUENCE_octet px1Id;
  iComponent->GetPX1Id(px1Id);
  if (px1Id.length() == 0) {
    EmitSame(ioLine, ",empty PX1Id\n");
    return;
  }

  // A component without the private interface keeps the key 0; that is no failure.
  unsigned int hashKey = 0;
  ZynIDCIMpgComponentPrivate_var componentPrivate(iExtension.GetImpl(0));
  if (componentPrivate) componentPrivate->GetHashKey(hashKey);

  // The trace tool shows the key signed, standard output unsigned; on standard output the
  // line stays open for whatever follows.
  ioLine.Emit([&] { TracePrint("   PX1Id HKey: %d\n", hashKey); },
              [&](OutputLine& out) { out << "   PX1Id HKey: " << hashKey; });

  if (iLevel >= 2) EmitOctetValue(ioLine, "   PX1Id Value:\n", px1Id, true);
}

/// The link sequence: its length and, from level 2, its octets; or the note that it is empty.
void EmitLinkSequence(HeldOutput& ioLine, ZynIDCIMpgRMTFileBasedComponent* iComponent, int iLevel) {
  _SEQUENCE_octet linkSequence;
  iComponent->GetLinkSequence(linkSequence);
  const int linkLength = linkSequence.length();
  if (linkLength == 0) {
    EmitSame(ioLine, ",empty LinkSequence\n");
    return;
  }

  ioLine.Emit(
      [&] { TracePrint("   LinkSequence length:%d\n", linkLength); },
      [&](OutputLine& out) { out << "   LinkSequence length:" << linkLength << std::endl; });

  if (iLevel >= 2) EmitOctetValue(ioLine, "   LinkSequence Value: \n", linkSequence, false);
}

}  // namespace

HRESULT ZynMpgRMTFileBasedComponentDump::Dump(int iLevel, int /*iMode*/, int /*iIndex*/) {
  ZynIDCIMpgRMTFileBasedComponent_var component(GetImpl(0));
  if (!component) return E_FAIL;

  EmitSame("<RMT non-M1 component>\n");

  // Lines made of several emissions (the hash key's and the alias's, the broken link's and the
  // object type's) reach standard output in one write.
  HeldOutput line;
  EmitPX1Id(line, *this, component.get(), iLevel);

  ZynUnicodeString alias;
  component->GetAlias(alias);
  ZynUnicodeString technoString;
  component->GetTechnoString(technoString);
  line.Emit(
      [&] {
        TracePrint("   Alias:%s", alias.CastToCharPtr());
        TracePrint(", TechnoString:%s\n", technoString.CastToCharPtr());
      },
      [&](OutputLine& out) {
        out << "   Alias:" << alias.CastToCharPtr()
            << ", TechnoString:" << technoString.CastToCharPtr() << std::endl;
      });

  EmitLinkSequence(line, component.get(), iLevel);

  // The object type ends the broken-link line.
  const bool brokenLink = component->IsBrokenLink();
  line.Emit(
      [&] { TracePut(brokenLink ? "   Broken Link" : "   Not Broken Link"); },
      [&](OutputLine& out) { out << (brokenLink ? "   Broken Link" : "   Not Broken Link"); });

  ZynUnicodeString objectType;
  component->GetObjectType(objectType);
  line.Emit(
      [&] { TracePrint(",Object type:%s\n", objectType.CastToCharPtr()); },
      [&](OutputLine& out) { out << ",Object type:" << objectType.CastToCharPtr() << std::endl; });

  EmitSame("</RMT non-M1 component>\n");
  return S_OK;
}
