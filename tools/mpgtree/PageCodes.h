// The codes that the page's data and its script share: the kinds of code in a node's shape, the
// digits of packed numbers and the labels of component kinds. The data carries them (PageData.h,
// "codes"), so that data.js reads them instead of restating them.
#pragma once

#include <cstdint>
#include <string>

#include "zyn/reader/JsonText.h"
#include "zyn/reader/RowFields.h"

namespace mpgtree {

/// A code in a shape is its field's index, shifted by this many bits, with its kind below.
inline constexpr int kCodeKindBits = 3;

/// The kind of a code in a shape.
enum CodeKind : std::int32_t {
  kText,
  kWord,
  kInteger,
  kBoolean,
  kGroupOpening,
  kGroupClosing,
  kKeyedGroupOpening,
};

/// The kind of code of a field's value.
CodeKind CodeKindOf(zyn::reader::FieldValue::Type iType);

/// Appends iValue in decimal.
void AppendNumber(std::int64_t iValue, zyn::reader::JsonText* oJson);

/// Appends iValue zigzag-encoded (0, -1, 1, -2, ... as 0, 1, 2, 3, ...), then written five bits
/// at a time from the lowest in the 64 digits of the page, a digit of 32 or more meaning that
/// more follow.
void AppendPackedNumber(std::int64_t iValue, std::string* oPacked);

/// The object "codes" of the page's data: {"kinds": {name: code}, "kindBits": 3, "digits":
/// "ABC...", "kindLabels": {word: label}}: each kind of code by the name the script knows it
/// by, the bits of a code's kind, the 64 digits in order, and the short label of each component
/// kind's word, taken from its description in NodeKinds.def ("a Pell non-M1 component" gives "Pell
/// non-M1").
void AppendPageCodes(zyn::reader::JsonText* oJson);

}  // namespace mpgtree
