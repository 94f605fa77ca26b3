// The tables that recognise a line of a dump by its first four bytes (one for the texts that
// reveal a form, one for those that open or close a block), built from DumpTexts.def at compile
// time, and the two forms that a line's end tells.
#include "parse/DumpTexts.h"

#include <array>
#include <cstring>

#include "parse/Text.h"

namespace zyn::reader::text {

namespace {

constexpr std::size_t kTextCount = sizeof(kAll) / sizeof(kAll[0]);
static_assert(kTextCount < 256, "the table indexes the list with one byte");

/// The texts each table looks up: those that reveal a form, and those that open or close a
/// block. A piece never starts a line.
constexpr bool RevealsForm(const DumpText& iText) {
  return iText.shape != Shape::Piece && iText.form != TextForm::Any;
}
constexpr bool MarksBlock(const DumpText& iText) {
  return iText.shape != Shape::Piece && iText.structure != Structure::Inner;
}

using detail::BucketOf;
using detail::kBuckets;
using detail::kKeyBytes;

/// The key of four bytes: the first one lowest, as a little-endian load reads them.
constexpr std::uint32_t KeyOf(const char* iBytes) {
  std::uint32_t key = 0;
  for (std::size_t i = kKeyBytes; i-- > 0;) key = key << 8 | static_cast<unsigned char>(iBytes[i]);
  return key;
}

/// KeyOf for a line being read: one load.
std::uint32_t LoadKey(const char* iBytes) {
  std::uint32_t key;
  std::memcpy(&key, iBytes, sizeof key);
  return key;
}

/// The texts of one table ordered by bucket, where each bucket starts in that order, and the key of
/// each text.
struct Table {
  std::array<std::uint8_t, kTextCount> order{};
  std::array<std::uint16_t, kBuckets + 1> start{};
  std::array<std::uint32_t, kTextCount> key{};
};

constexpr Table MakeTable(bool (*iWanted)(const DumpText&)) {
  Table table;
  for (std::size_t i = 0; i < kTextCount; ++i) {
    if (!iWanted(kAll[i])) continue;
    // A recognised text is at least as long as the key, so that a shorter line is none of them.
    if (kAll[i].text.size() < kKeyBytes) throw "a recognised text shorter than the key";
    table.key[i] = KeyOf(kAll[i].text.data());
    ++table.start[BucketOf(table.key[i]) + 1];
  }
  for (std::size_t b = 0; b < kBuckets; ++b) table.start[b + 1] += table.start[b];
  std::array<std::uint16_t, kBuckets> next{};
  for (std::size_t b = 0; b < kBuckets; ++b) next[b] = table.start[b];
  for (std::size_t i = 0; i < kTextCount; ++i)
    if (iWanted(kAll[i]))
      table.order[next[BucketOf(table.key[i])]++] = static_cast<std::uint8_t>(i);
  return table;
}

/// The texts that may reveal a form other than iForm: those of the other form, and those whose
/// line's end tells.
template <TextForm iForm>
constexpr bool RevealsOtherThan(const DumpText& iText) {
  return RevealsForm(iText) && iText.form != iForm;
}

constexpr Table kFormTable = MakeTable(RevealsForm);

/// The buckets of iTable that hold a text, one bit each.
constexpr std::array<std::uint64_t, kBuckets / 64> BucketsHolding(const Table& iTable) {
  std::array<std::uint64_t, kBuckets / 64> bits{};
  for (std::size_t b = 0; b < kBuckets; ++b)
    if (iTable.start[b] != iTable.start[b + 1]) bits[b / 64] |= std::uint64_t{1} << (b % 64);
  return bits;
}
constexpr Table kBlockTable = MakeTable(MarksBlock);

/// Calls iFound(text) for each text of iTable that iLine starts with, until it answers true.
template <class Found>
void Lookup(const Table& iTable, std::string_view iLine, Found iFound) {
  if (iLine.size() < kKeyBytes) return;
  const std::uint32_t key = LoadKey(iLine.data());
  const std::size_t bucket = BucketOf(key);
  for (std::size_t i = iTable.start[bucket]; i < iTable.start[bucket + 1]; ++i) {
    const std::size_t index = iTable.order[i];
    const std::string_view text = kAll[index].text;
    if (iTable.key[index] == key && iLine.size() >= text.size() &&
        SameBytes(iLine.data() + kKeyBytes, text.data() + kKeyBytes, text.size() - kKeyBytes) &&
        iFound(kAll[index]))
      return;
  }
}

/// A DMT row's header line: standard output ends its rule with a blank, the trace tool does not
/// (a header alone on its line also ends with the closing tag).
Form DmtHeaderForm(std::string_view iLine) {
  const std::string_view stars = kDmtRule.substr(1);
  text::EatEnd(&iLine, kDmtClosing);
  if (text::EndsWith(iLine, " ") && text::EndsWith(iLine.substr(0, iLine.size() - 1), stars))
    return Form::StandardOutput;
  return text::EndsWith(iLine, stars) ? Form::Trace : Form::Unknown;
}

/// The count of a DMT row's RMT rows: the trace tool ends it with a blank.
Form RmtCountForm(std::string_view iLine) {
  return text::EndsWith(iLine, " ") ? Form::Trace : Form::StandardOutput;
}

Form FormOf(const DumpText& iText, std::string_view iLine) {
  switch (iText.form) {
    case TextForm::Any:
      return Form::Unknown;
    case TextForm::Trace:
      return Form::Trace;
    case TextForm::Output:
      return Form::StandardOutput;
    case TextForm::ByEnd:
      break;
  }
  return iText.text == kDmtOpening ? DmtHeaderForm(iLine) : RmtCountForm(iLine);
}

}  // namespace

namespace detail {

const Buckets kFormBuckets = BucketsHolding(kFormTable);
const Buckets kBucketsRevealingOtherThanTrace =
    BucketsHolding(MakeTable(RevealsOtherThan<TextForm::Trace>));
const Buckets kBucketsRevealingOtherThanOutput =
    BucketsHolding(MakeTable(RevealsOtherThan<TextForm::Output>));

Form RevealedFormInTable(std::string_view iLine) {
  Form form = Form::Unknown;
  Lookup(kFormTable, iLine, [&](const DumpText& iText) {
    if (iText.shape == Shape::Line && iLine.size() != iText.text.size()) return false;
    form = FormOf(iText, iLine);
    return form != Form::Unknown;
  });
  return form;
}

}  // namespace detail

bool IsStructural(std::string_view iLine) {
  bool structural = false;
  Lookup(kBlockTable, iLine, [&](const DumpText& iText) {
    structural = iText.structure == Structure::BlockLead || iText.shape == Shape::Lead ||
                 iLine.size() == iText.text.size();
    return structural;
  });
  return structural;
}

LineClass Classify(std::string_view iLine) { return {RevealedForm(iLine), IsStructural(iLine)}; }

}  // namespace zyn::reader::text
