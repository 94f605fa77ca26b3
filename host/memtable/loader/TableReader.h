// TableReader: follows the JSON parser's events through a table file and builds the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loader/LoaderReferences.h"
#include "loader/LoaderSchema.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem::loader {

/// Reads a table while the JSON parser walks its text (the parser's SAX interface: the public
/// members down to parse_error are its events, under its names). The frame of the top level, of
/// "objects" and of each object is followed event by event; every other value is read whole and
/// then checked. Each object is built as soon as its description ends; references between
/// objects are settled by Finish, once every id is known.
///
/// The first fault ends the reading: the event answers false and Error() says what and where.
class TableReader {
 public:
  using Json = nlohmann::json;

  /// Sizes the index of ids from the text: objects take a few hundred bytes of text each.
  /// iCheck (may be empty) checks each tool member as soon as it is read.
  TableReader(std::string_view iText, const ToolMemberCheck& iCheck);

  bool null();
  bool boolean(bool iValue);
  bool number_integer(Json::number_integer_t iValue);
  bool number_unsigned(Json::number_unsigned_t iValue);
  bool number_float(Json::number_float_t, const std::string&);
  bool string(std::string& iText);
  bool binary(Json::binary_t&) { return Fail("top level", "binary values are not JSON"); }
  bool start_object(std::size_t) { return StartContainer(TableValue::Shape::Object); }
  bool start_array(std::size_t) { return StartContainer(TableValue::Shape::Array); }
  bool end_object() { return EndContainer(); }
  bool end_array() { return EndContainer(); }
  bool key(std::string& iKey);
  bool parse_error(std::size_t iRead, const std::string&,
                   const nlohmann::detail::exception& iError);

  /// Once the parser has read the whole text without a fault: settles the references.
  bool Finish();
  /// Once finished: hands the table, its objects by id and the tool members over.
  void MoveInto(LoadedTable* oTable);
  /// The first fault's message, "place: what" (empty when none was seen).
  const std::string& Error() const { return error_; }

 private:
  /// The containers being followed event by event, outermost first.
  enum class Frame : std::uint8_t { Root, Objects, Entry };

  bool Fail(std::string iPlace, std::string_view iWhat);
  /// Fails at iPlace followed by the problem's own place.
  bool Fail(const std::string& iPlace, const Problem& iProblem) {
    return Fail(iPlace + iProblem.where, iProblem.what);
  }

  // Values read whole (LoaderEvents.cpp).
  /// Where a scalar beginning now goes (null after a fault).
  TableValue* Scalar();
  /// After a scalar: the end of a value read whole when it stood alone.
  bool Done() { return open_.empty() ? Collected() : true; }
  bool StartContainer(TableValue::Shape iShape);
  bool EndContainer();
  /// Whether a value beginning now starts a reading whole (or opens a frame); fails where a
  /// value of that shape cannot stand.
  bool BeginValue(bool iIsObject);
  /// The next value in the innermost open container, or the value read whole itself.
  TableValue* NewValue();
  /// A value read whole is complete: gives it to the member it belongs to.
  bool Collected();
  bool KeyInFrame(std::string& iKey);
  /// The place of the member being read, for messages ("dump", "objects.x.GetName").
  std::string MemberPlace() const;
  std::string EntryPlace() const { return "objects." + std::string(ids_.Name(entryId_)); }

  // What the reading builds (TableLoader.cpp).
  bool ReadRootMember(TableValue& ioValue);
  void BeginEntry();
  /// Keeps a member of the object being read, to be checked when its description ends.
  bool CollectedEntryMember();
  /// The object's description has ended: checks it whole, then builds it.
  bool FinishEntry();

  std::string_view text_;
  const ToolMemberCheck& check_;
  std::string error_;
  std::unique_ptr<Table> table_;

  std::vector<Frame> frames_;
  std::size_t rootMember_ = kObjectsMember;  // in kRootMembers
  unsigned rootMembersSeen_ = 0;             // bits by position in kRootMembers
  std::vector<ToolMember> toolMembers_;

  LoadedIds ids_;
  References references_{ids_};
  std::vector<std::pair<std::string, MemObject*>> objects_;

  // The object being read.
  std::uint32_t entryId_ = 0;
  EntryMember entryMember_ = EntryMember::Type;
  Op entryOp_ = Op::GetContext;
  bool entryHasType_ = false;
  Type entryType_ = Type::Manager;
  bool entryHasLacks_ = false;
  TableValue entryLacks_;
  std::uint64_t entryOpsSeen_ = 0;                   // bits by Op
  std::vector<std::pair<Op, TableValue>> entryOps_;  // the first entryOpCount_ are this object's
  std::size_t entryOpCount_ = 0;

  // A value being read whole.
  bool collecting_ = false;
  TableValue collected_;
  std::vector<TableValue*> open_;  // its containers still open, outermost first
};

static_assert(kOpCount <= 64, "the operations seen are bits of 64");
static_assert(kRootMembers.size() <= 32, "the top-level members seen are bits of an unsigned");

}  // namespace zyn::mem::loader
