// The data of the page that shows a dump (mpgtree html): the tree's fields in a compact JSON
// form that the page's script decodes a row at a time.
//
// The JSON object:
//   v        1
//   mode     "dump" or "diff"
//   sources  [{name, form, rows}], one per dump (two for a diff)
//   filter   what narrowed the page ("" when nothing did)
//   empty    why the page holds no row, as a sentence ("" when it holds some)
//   damage   [{name, faults, firstFaultLine, firstFault, rawLines, firstLine, firstText}] per
//            dump read with --lenient that is not whole: its faults and the first of them,
//            the lines kept raw (not shown) and the first of them (firstLine 0 when none was)
//   k        [[key, label], ...]: the fields and groups; a code refers to one by index
//   s        [text, ...]: every text of the page once; values refer to them by index
//   shapes   [[codes], [line offsets]] per shape: the fields of a node in order, each code
//            being index*8 + kind (0 text, 1 word, 2 integer, 3 yes/no, 4 group opening,
//            5 group closing, 6 keyed group opening), each with its line relative to the
//            node's first line
//   manager  a node: [firstLine, shape, value...] with one value per text, word, integer or
//            yes/no code (a text or word as its index in s, a yes/no as 0 or 1) and one per
//            keyed group opening (the key in brackets, as an index in s: "rmt" with "5e9b..."
//            makes "rmt[5e9b...]"); or null
//   rowCount the number of DMT rows
//   rows     the DMT rows' nodes, packed in one string: for each row its first line's distance
//            from the previous row's, its shape and its values, each number zigzag-encoded
//            and written in digits of five bits ("A".."Z", "a".."z", "0".."9", "-", "_"; a
//            digit of 32 or more is followed by more), lowest first
//   verdict  diff only: the comparison's verdict in words ("The two dumps are the same.")
//   same     diff only: whether the comparison found no difference
//   counts   diff only: [[key, count], ...], the comparison's counts, keyed as the JSON
//            report's summary (and "fieldsChanged")
//   status   diff only: one character per row, "s" same, "c" changed, "a" only in A, "b"
//            only in B, "n" the same where compared, with fields not compared
//   marks    diff only: [[row, mark], ...] for the changed rows, the rows with fields not
//            compared and a manager mark under row -1, each mark {c: changes of the node's own
//            fields, r: [[positionA, "c"|"a", changes], ...] for its RMT rows that differ (the
//            position of the RMT row in A's list, from 1), b: [node, ...] its RMT rows only in
//            B, u: [[path, heldByA], ...] its fields not compared}, each change [path, heldByA,
//            typeB, valueB, lineB]: a path relative to the node (as index in s), typeB -1 when
//            B does not hold the field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zyn/reader/DumpDiff.h"
#include "zyn/reader/JsonText.h"
#include "zyn/reader/RowFields.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

/// What the page shows of a node that differs (diff pages).
struct NodeMarks {
  const zyn::reader::NodeDifference* difference = nullptr;  // null: it differs in nothing
  /// The RMT rows only in B, as read from B, each with its key in paths ("rmt[5e9b...]"), in
  /// the order of the difference's RMT rows.
  std::vector<std::pair<std::string, const zyn::reader::RmtRow*>> rmtRowsOnlyInB;
  const zyn::reader::NotComparedNote* notCompared = nullptr;  // its fields not compared
  const std::string& Path() const { return difference ? difference->path : notCompared->path; }
};

/// Builds the page's data as rows come.
class PageData {
 public:
  enum class Mode { Dump, Diff };
  explicit PageData(Mode iMode) : mode_(iMode) {}

  void AddSource(const std::string& iName, zyn::reader::Form iForm, std::uint64_t iRows);
  void SetFilter(std::string iFilter) { filter_ = std::move(iFilter); }
  /// Why no row passed, in words ("no DMT row has the uuid nope"); shown when the page is empty.
  void SetWhyEmpty(std::string_view iWhy);
  /// The comparison's verdict in words, and whether it found the dumps the same (diff pages).
  void SetVerdict(std::string iVerdict, bool iSame) {
    verdict_ = std::move(iVerdict);
    same_ = iSame;
  }
  /// The comparison's counts, each under its key (diff pages).
  void SetCounts(std::vector<std::pair<std::string, std::uint64_t>> iCounts) {
    counts_ = std::move(iCounts);
  }
  /// A dump read with --lenient that is not whole, by its verdict; iFirstRawText is the text
  /// of the first line kept raw (iVerdict.firstRawLine), when one was.
  void AddDamage(const std::string& iName, const zyn::reader::Verdict& iVerdict,
                 std::string_view iFirstRawText);
  void SetManager(const zyn::reader::ManagerHeader& iHeader,
                  const zyn::reader::ManagerTrailer* iTrailer, const NodeMarks* iMarks);
  /// Adds a DMT row with its status ('s', 'c', 'a', 'b'; dump pages: 's').
  void AddDmtRow(const zyn::reader::DmtRow& iRow, char iStatus, const NodeMarks* iMarks);
  std::uint64_t Rows() const { return rowCount_; }

  /// The whole object, with every '<' written as \u003c so that no text can end the script
  /// element that holds it.
  void AppendJson(zyn::reader::JsonText* oJson) const;

 private:
  class Encoder;
  /// The index of scratch_ in ioIndex, added when it is not there yet (oAdded tells).
  std::uint32_t Index(std::unordered_map<std::string, std::uint32_t>& ioIndex, bool* oAdded);
  std::uint32_t StringIndex(std::string_view iText);
  std::uint32_t FieldIndex(std::string_view iKey, std::string_view iLabel);
  std::uint32_t ShapeIndex(const std::vector<std::int32_t>& iCodes,
                           const std::vector<std::int32_t>& iLines);
  void AppendMarks(std::int64_t iRow, const NodeMarks& iMarks);
  void AppendChanges(const std::vector<zyn::reader::FieldChange>& iChanges,
                     std::size_t iPrefixLength);

  Mode mode_;
  std::string filter_;
  std::string whyEmpty_;
  std::string verdict_;
  std::vector<std::pair<std::string, std::uint64_t>> counts_;
  bool same_ = false;
  zyn::reader::JsonText damage_;
  zyn::reader::JsonText sources_;
  std::unordered_map<std::string, std::uint32_t> stringIndex_;
  std::vector<const std::string*> strings_;
  std::unordered_map<std::string, std::uint32_t> fieldIndex_;
  std::vector<std::pair<std::string, std::string>> fields_;
  std::unordered_map<std::string, std::uint32_t> shapeIndex_;  // by the bytes of codes and lines
  zyn::reader::JsonText shapes_;
  std::string scratch_;  // the text being looked up
  zyn::reader::JsonText manager_;
  std::string rows_;  // packed
  std::uint64_t lastRowLine_ = 0;
  std::uint64_t rowCount_ = 0;
  std::string status_;
  zyn::reader::JsonText marks_;
};

}  // namespace mpgtree
