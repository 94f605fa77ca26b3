// The texts of the manager, the environment and the rows, and the uuids of the rows.
#include "NodeRedaction.h"

#include <string>

namespace zyn::redact {

namespace {

using zyn::reader::RowClosing;
using zyn::reader::RowHeader;

/// The texts that open a row's header and its closing line, up to the uuid.
struct RowTexts {
  std::string_view what;               // "a DMT row"
  std::string_view numberedHeader;     // "<DMTElement>  ", the ordinal, then mark
  std::string_view numberedClosing;    // "</DMTElement>  ", the ordinal, then mark
  std::string_view mark;               // " *** uuid: "
  std::string_view unnumberedHeader;   // "<DMTElement>   *** uuid: "
  std::string_view unnumberedClosing;  // "</DMTElement>   *** uuid: "
};

constexpr RowTexts kDmtTexts{"a DMT row",
                             "<DMTElement>  ",
                             "</DMTElement>  ",
                             " *** uuid: ",
                             "<DMTElement>   *** uuid: ",
                             "</DMTElement>   *** uuid: "};
constexpr RowTexts kRmtTexts{
    "RMT row",     "<RMTElement>  ",           "</RMTElement>  ",
    " --- uuid: ", "<RMTElement>  --- uuid: ", "</RMTElement>  --- uuid: "};

std::string OrdinalPiece(const std::optional<std::int32_t>& iOrdinal, std::string_view iNumbered,
                         std::string_view iMark, std::string_view iUnnumbered) {
  if (!iOrdinal) return std::string(iUnnumbered);
  return std::string(iNumbered) + std::to_string(*iOrdinal) + std::string(iMark);
}

/// The uuid of a row's header line, and that of its closing line, which repeats it.
void RedactRowUuids(const zyn::reader::SourceSpan& iSpan, const RowHeader& iHeader,
                    const std::optional<RowClosing>& iClosing, const RowTexts& iTexts,
                    RedactionState& ioState) {
  if (!ioState.uuids) return;
  if (iHeader.uuid && !iHeader.uuid->empty())
    CursorAt(iSpan, iTexts.what, ioState)
        .Fixed(OrdinalPiece(iHeader.ordinal, iTexts.numberedHeader, iTexts.mark,
                            iTexts.unnumberedHeader))
        .Uuid(*iHeader.uuid);
  // A header-only row closes on its header line, with no uuid of its own.
  if (iHeader.headerOnly || !iClosing || !iClosing->uuid || iClosing->uuid->empty()) return;
  // The closing line may follow what a component left unfinished on its line: its last piece.
  const std::string piece = OrdinalPiece(iClosing->ordinal, iTexts.numberedClosing, iTexts.mark,
                                         iTexts.unnumberedClosing);
  const zyn::reader::SourceSpan line{iClosing->line, iClosing->line, 1};
  if (!CursorAt(line, "the closing line of " + std::string(iTexts.what), ioState).Going()) return;
  const std::uint64_t start = ioState.text.LineStart(iClosing->line);
  const std::uint64_t end = ioState.text.LineEnd(iClosing->line);
  const std::size_t at = ioState.text.Bytes(start, end - start).rfind(piece);
  const std::uint64_t from = at == std::string_view::npos ? start : start + at;
  TextCursor(ioState, from, end,
             "the closing line of " + std::string(iTexts.what) + " at line " +
                 std::to_string(iClosing->line))
      .Fixed(piece)
      .Uuid(*iClosing->uuid);
}

void RedactPlace(const zyn::reader::ComponentPlace& iPlace, RedactionState& ioState) {
  if (iPlace.component) RedactComponent(*iPlace.component, ioState);
}

}  // namespace

TextCursor CursorAt(const zyn::reader::SourceSpan& iSpan, std::string_view iWhat,
                    RedactionState& ioState) {
  const std::string node = std::string(iWhat) + " at line " + std::to_string(iSpan.firstLine);
  if (!ioState.text.Holds(iSpan.firstLine) || !ioState.text.Holds(iSpan.lastLine)) {
    if (ioState.failure.empty()) ioState.failure = "the text of " + node + " is no longer held";
    return TextCursor(ioState, 0, 0, node);
  }
  return TextCursor(ioState, ioState.text.LineStart(iSpan.firstLine) + iSpan.firstColumn - 1,
                    ioState.text.LineEnd(iSpan.lastLine), node);
}

void RedactManagerHeader(const zyn::reader::ManagerHeader& iHeader, RedactionState& ioState) {
  if (!iHeader.hasContext) return;
  CursorAt(iHeader.span, "the manager", ioState)
      .Fixed("<Dump Mapping Manager>\n", "<DUMP Mapping Manager>\n")
      .Fixed("<MpgManagerInfo> Context Name= ")
      .Name(iHeader.contextName);
}

void RedactEnvironment(const zyn::reader::Environment& iEnvironment, RedactionState& ioState) {
  TextCursor cursor = CursorAt(iEnvironment.span, "the environment", ioState);
  cursor.Fixed("<Environment>\n Name :")
      .Name(iEnvironment.name)
      .Fixed(", MappingClient :")
      .Keep(iEnvironment.mappingClient)
      .Fixed(", MappingMaster :")
      .Keep(iEnvironment.mappingMaster);
  if (iEnvironment.directory) cursor.Fixed("\n Directory :").Path(*iEnvironment.directory);
}

void RedactRmtRow(const zyn::reader::RmtRow& iRow, RedactionState& ioState) {
  RedactRowUuids(iRow.span, iRow.header, iRow.closing, kRmtTexts, ioState);
  RedactPlace(iRow.owner, ioState);
  RedactPlace(iRow.ref, ioState);
  RedactPlace(iRow.pointed, ioState);
  RedactPlace(iRow.nonM1Component, ioState);
  for (const zyn::reader::Component& component : iRow.m1Components)
    RedactComponent(component, ioState);
}

void RedactDmtRow(const zyn::reader::DmtRow& iRow, RedactionState& ioState) {
  RedactRowUuids(iRow.span, iRow.header, iRow.closing, kDmtTexts, ioState);
  RedactPlace(iRow.nonM1Component, ioState);
  RedactPlace(iRow.m1Component, ioState);
  for (const zyn::reader::RmtRow& row : iRow.rmtRows) RedactRmtRow(row, ioState);
}

}  // namespace zyn::redact
