// The texts of the components: file names and paths, aliases and techno strings, provider
// names, and the uuids of file-based and Orv components.
#include <string>

#include "NodeRedaction.h"

namespace zyn::redact {

namespace {

using zyn::reader::Component;
using zyn::reader::NodeKindDescription;

void RedactFileBased(TextCursor& ioCursor, const zyn::reader::FileBasedFields& iFields) {
  ioCursor.Fixed("<File component>  Name :")
      .Name(iFields.name)
      .Fixed(" , DocType : ")
      .Keep(iFields.documentType)
      .Fixed(" , Uuid :")
      .Uuid(iFields.uuid);
  if (!iFields.details) return;
  const zyn::reader::FileSaveDetails& details = *iFields.details;
  // The path line keeps a blank before its end on the trace tool only.
  ioCursor.Fixed("\n                   PathName : ")
      .Path(details.pathName)
      .Fixed(" \n", "\n")
      .Fixed("                   LastSaveName : ")
      .Name(details.lastSaveName)
      .Fixed(" , LastSaveTime : ")
      .Keep(details.lastSaveTime)
      .Fixed(" , LastSavePath : ")
      .Path(details.lastSavePath);
}

/// An octet sequence's two lines (hexadecimal, or the notice standing for it, then the text),
/// or the one notice of a sequence too long to be printed at all.
void PassOctets(TextCursor& ioCursor, const zyn::reader::OctetValue& iValue) {
  if (iValue.uncountableOctets) {
    ioCursor.Fixed("Sequence too long to print, octets = " +
                   std::to_string(*iValue.uncountableOctets));
    return;
  }
  if (iValue.hexadecimal)
    ioCursor.Fixed("hexa: ").Keep(*iValue.hexadecimal);
  else if (iValue.tooLongNoticeSize)
    ioCursor.Fixed("Chain too long to print, size = " + std::to_string(*iValue.tooLongNoticeSize) +
                   "\n");
  ioCursor.Fixed("\nUnicode: ").Keep(iValue.text);
}

void RedactRmtFileBased(TextCursor& ioCursor, const zyn::reader::RmtFileBasedFields& iFields) {
  ioCursor.Fixed("<RMT non-M1 component>\n");
  if (iFields.px1IdEmpty) {
    ioCursor.Fixed(",empty PX1Id\n");
  } else {
    // The trace tool shows the key signed; standard output, unsigned, leaves its line open
    // when no value follows.
    const std::uint32_t key = iFields.px1IdHashKey.value_or(0);
    ioCursor.Fixed("   PX1Id HKey: ")
        .Fixed(std::to_string(static_cast<std::int32_t>(key)), std::to_string(key));
    if (iFields.px1IdValue) {
      ioCursor.Fixed("\n   PX1Id Value:\n");
      PassOctets(ioCursor, *iFields.px1IdValue);
      ioCursor.Fixed("\n");
    } else {
      ioCursor.Fixed("\n", "");
    }
  }
  ioCursor.Fixed("   Alias:")
      .Name(iFields.alias)
      .Fixed(", TechnoString:")
      .Name(iFields.technoString);
}

void RedactProvider(TextCursor& ioCursor, const zyn::reader::ProviderFields& iFields) {
  ioCursor.Fixed("<Provider component>\n");
  if (!iFields.binaryIdentifierLength) {
    ioCursor.Fixed("   Empty binary identifier\n");
  } else {
    // Below level 2 the provider name follows the length on its line.
    ioCursor.Fixed("   Binary identifier length:" +
                   std::to_string(*iFields.binaryIdentifierLength));
    if (iFields.binaryIdentifierHexadecimal || iFields.uncountableIdentifierBytes) {
      ioCursor.Fixed("\n   Binary identifier Value:");
      if (iFields.uncountableIdentifierBytes)
        ioCursor.Fixed("Identifier too long to print, bytes = " +
                       std::to_string(*iFields.uncountableIdentifierBytes));
      else
        ioCursor.Keep(*iFields.binaryIdentifierHexadecimal);
      ioCursor.Fixed("\n");
    }
  }
  ioCursor.Fixed("   Provider name:").Name(iFields.providerName);
}

std::string WorkspaceIdPiece(const zyn::reader::OrvIdentity& iIdentity) {
  return iIdentity.workspaceId
             ? "    workspace Id : " + std::to_string(*iIdentity.workspaceId) + ","
             : "    No workspace Id ,";
}

/// The trace tool writes no comma after the element id.
std::string ElementIdPiece(const zyn::reader::OrvIdentity& iIdentity, bool iTrace) {
  return iIdentity.elementId
             ? "    element Id : " + std::to_string(*iIdentity.elementId) + (iTrace ? "" : ",")
             : "    No element Id ,";
}

/// The identity's last pieces, from the workspace id on, as one form writes them.
std::string OrvIdentityPieces(const zyn::reader::OrvIdentity& iIdentity, bool iTrace) {
  return WorkspaceIdPiece(iIdentity) +
         (iIdentity.workspaceUuid ? "    workspace Uuid : " + *iIdentity.workspaceUuid + ","
                                  : "    No workspace Uuid ,") +
         ElementIdPiece(iIdentity, iTrace) +
         (iIdentity.elementUuid ? "    element Uuid : " + *iIdentity.elementUuid + "."
                                : "    No element Uuid .");
}

/// The uuids of an Orv identity. The model PLMID's own text comes first, as the host writes it,
/// so the identity is found from the end: nothing after it but fixed lines.
void RedactOrvUuids(const Component& iComponent, const zyn::reader::OrvFields& iFields,
                    RedactionState& ioState) {
  if (!ioState.uuids || !iFields.identity) return;
  const zyn::reader::OrvIdentity& identity = *iFields.identity;
  const TextCursor start = CursorAt(iComponent.span, NodeKindDescription(iComponent.kind), ioState);
  if (!start.Going()) return;
  const std::uint64_t end = ioState.text.LineEnd(iComponent.span.lastLine);
  const std::string_view text = ioState.text.Bytes(start.Offset(), end - start.Offset());
  for (bool trace : {true, false}) {
    if (ioState.form == (trace ? zyn::reader::Form::StandardOutput : zyn::reader::Form::Trace))
      continue;
    const std::size_t at = text.rfind(OrvIdentityPieces(identity, trace));
    if (at == std::string_view::npos) continue;
    TextCursor cursor(ioState, start.Offset() + at, end,
                      "an Orv component at line " + std::to_string(iComponent.span.firstLine));
    cursor.Fixed(WorkspaceIdPiece(identity));
    if (identity.workspaceUuid)
      cursor.Fixed("    workspace Uuid : ").Uuid(*identity.workspaceUuid).Fixed(",");
    else
      cursor.Fixed("    No workspace Uuid ,");
    cursor.Fixed(ElementIdPiece(identity, trace));
    if (identity.elementUuid) cursor.Fixed("    element Uuid : ").Uuid(*identity.elementUuid);
    return;
  }
  // An identity cut short keeps what was read of it; a whole one is where it was read.
  if (iComponent.closed && ioState.failure.empty())
    ioState.failure = "the identity of the Orv component at line " +
                      std::to_string(iComponent.span.firstLine) + " is not what was read there";
}

}  // namespace

void RedactComponent(const Component& iComponent, RedactionState& ioState) {
  const std::string_view what = NodeKindDescription(iComponent.kind);
  if (const auto* file = std::get_if<zyn::reader::FileBasedFields>(&iComponent.fields)) {
    TextCursor cursor = CursorAt(iComponent.span, what, ioState);
    RedactFileBased(cursor, *file);
  } else if (const auto* rmt = std::get_if<zyn::reader::RmtFileBasedFields>(&iComponent.fields)) {
    TextCursor cursor = CursorAt(iComponent.span, what, ioState);
    RedactRmtFileBased(cursor, *rmt);
  } else if (const auto* provider = std::get_if<zyn::reader::ProviderFields>(&iComponent.fields)) {
    TextCursor cursor = CursorAt(iComponent.span, what, ioState);
    RedactProvider(cursor, *provider);
  } else if (const auto* orv = std::get_if<zyn::reader::OrvFields>(&iComponent.fields)) {
    RedactOrvUuids(iComponent, *orv, ioState);
  }
}

}  // namespace zyn::redact
