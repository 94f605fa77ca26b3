// The fixed texts of a dump as constants (text::kName), and the recognition of a line by its
// first bytes: the form it reveals and whether it opens or closes a block. Both expand the one
// list in DumpTexts.def.
#pragma once

#include <cstdint>
#include <string_view>

#include "zyn/reader/DumpReader.h"

namespace zyn::reader::text {

#define ZYN_DUMP_TEXT(Name, Text, Shape, Form, Structure, Owner) \
  inline constexpr std::string_view k##Name = Text;
#include "parse/DumpTexts.def"
#undef ZYN_DUMP_TEXT

/// What a text is in a line: the whole line, its start, or a piece within it.
enum class Shape : std::uint8_t { Line, Lead, Piece };
/// The form that a line of the text's shape reveals; ByEnd: the line's end tells it.
enum class TextForm : std::uint8_t { Any, Trace, Output, ByEnd };
/// Whether a line opens or closes a block: Block when it has the text's shape, BlockLead when it
/// starts with the text.
enum class Structure : std::uint8_t { Inner, Block, BlockLead };
/// The parser that reads the text.
enum class Owner : std::uint8_t { Shared, Manager, Row, Component, Identified };

struct DumpText {
  std::string_view text;
  Shape shape;
  TextForm form;
  Structure structure;
  Owner owner;
};

/// Every text of the list, in its order.
inline constexpr DumpText kAll[] = {
#define ZYN_DUMP_TEXT(Name, Text, InShape, InForm, InStructure, ByOwner) \
  {Text, Shape::InShape, TextForm::InForm, Structure::InStructure, Owner::ByOwner},
#include "parse/DumpTexts.def"
#undef ZYN_DUMP_TEXT
};

/// What a line alone tells, whatever block it stands in.
struct LineClass {
  Form form = Form::Unknown;  // the form it betrays; Unknown for lines both forms write alike
  bool structural = false;    // it opens or closes a block of a row or of the manager, or opens
                              // a component
};

/// The form a line betrays, recognised by its first bytes through a table built from the list.
Form RevealedForm(std::string_view iLine);
/// Whether a line opens or closes a block, recognised the same way.
bool IsStructural(std::string_view iLine);
/// Both at once.
LineClass Classify(std::string_view iLine);

}  // namespace zyn::reader::text
