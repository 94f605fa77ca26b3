// The fixed texts of a dump as constants (text::kName), and the recognition of a line by its
// first bytes: the form it reveals and whether it opens or closes a block. Both expand the one
// list in DumpTexts.def.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
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

namespace detail {
/// The bytes that place a line in the tables: its first four.
inline constexpr std::size_t kKeyBytes = 4;
inline constexpr std::size_t kBuckets = 512;
/// The bucket of a line's first four bytes, read as a little-endian word.
constexpr std::size_t BucketOf(std::uint32_t iKey) { return (iKey * 2654435761u) >> 23; }
/// Buckets of the form table, one bit each.
using Buckets = std::array<std::uint64_t, kBuckets / 64>;
/// The buckets that hold a text revealing a form.
extern const Buckets kFormBuckets;
/// The buckets that hold a text which may reveal a form other than the trace tool's, or other
/// than standard output's: once the form is decided, only such a line tells something new.
extern const Buckets kBucketsRevealingOtherThanTrace;
extern const Buckets kBucketsRevealingOtherThanOutput;
/// No bucket: nothing left to watch.
inline constexpr Buckets kNoBuckets{};
/// RevealedForm for a line whose bucket holds a text.
Form RevealedFormInTable(std::string_view iLine);
}  // namespace detail

/// The form a line betrays, looked up only when iWatched holds the bucket of its first bytes
/// (Unknown otherwise). Most lines betray none: one bit of the table tells so, without a call.
inline Form RevealedFormAmong(std::string_view iLine, const detail::Buckets& iWatched) {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
                "the key is read as a little-endian word");
  if (iLine.size() < detail::kKeyBytes) return Form::Unknown;
  std::uint32_t key;
  std::memcpy(&key, iLine.data(), sizeof key);
  const std::size_t bucket = detail::BucketOf(key);
  if ((iWatched[bucket / 64] >> (bucket % 64) & 1) == 0) return Form::Unknown;
  return detail::RevealedFormInTable(iLine);
}
/// The form a line betrays, recognised by its first bytes through a table built from the list.
inline Form RevealedForm(std::string_view iLine) {
  return RevealedFormAmong(iLine, detail::kFormBuckets);
}
/// Whether a line opens or closes a block, recognised the same way.
bool IsStructural(std::string_view iLine);
/// Both at once.
LineClass Classify(std::string_view iLine);

}  // namespace zyn::reader::text
