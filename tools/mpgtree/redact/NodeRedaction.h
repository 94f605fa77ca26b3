// Where the texts to hide stand in each node of a dump, and their replacement by pseudonyms:
// names, paths, aliases, context names, provider names and techno strings always, uuids when
// asked. Everything else of the text stays byte for byte.
//
// Each function walks the node's text from its first byte, piece by piece as the module writes
// it, checking every piece against the values the reader read (TextCursor), so that a text is
// replaced where it stands and nowhere else, whatever separators or tags it holds itself.
#pragma once

#include "TextCursor.h"
#include "zyn/reader/DumpTree.h"

namespace zyn::redact {

void RedactManagerHeader(const zyn::reader::ManagerHeader& iHeader, RedactionState& ioState);
void RedactEnvironment(const zyn::reader::Environment& iEnvironment, RedactionState& ioState);
void RedactDmtRow(const zyn::reader::DmtRow& iRow, RedactionState& ioState);
void RedactRmtRow(const zyn::reader::RmtRow& iRow, RedactionState& ioState);
void RedactComponent(const zyn::reader::Component& iComponent, RedactionState& ioState);

/// A cursor at the first byte of the node that iSpan places, up to the end of its last line;
/// iWhat names the node ("an RMT row"). When the text is not held, the failure is set and the
/// cursor does nothing.
TextCursor CursorAt(const zyn::reader::SourceSpan& iSpan, std::string_view iWhat,
                    RedactionState& ioState);

}  // namespace zyn::redact
