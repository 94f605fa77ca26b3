// One object of a table rebuilt from a dump: its id, type, withheld interfaces and answers as
// the members of a table file, with a record of which answers the dump shows and which are
// placeholders, for `mpgtree table --explain`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zyn/reader/JsonText.h"

namespace mpgtree::table {

/// The result a failing query is given: E_FAIL.
inline constexpr std::int32_t kFailed = -2147467259;

/// Where objects keep their members while they are built. Objects are built one inside
/// another, never across (a row's components while the row is built), so that each object's
/// members follow those of the objects around it and go when it does: one buffer serves them
/// all, without an allocation per object.
struct ObjectStack {
  zyn::reader::JsonText members;
  /// Record which answers are the dump's and which are placeholders (--explain).
  bool explain = false;
};

class TableObject {
 public:
  /// iId outlives the object.
  TableObject(const std::string& iId, std::string_view iType, ObjectStack& ioStack);
  ~TableObject();
  TableObject(const TableObject&) = delete;
  TableObject& operator=(const TableObject&) = delete;

  const std::string& Id() const { return id_; }

  /// An interface the object withholds, as the place where its dump stops shows.
  void Lacks(std::string_view iInterface);
  /// An answer the dump shows, its value given as JSON text.
  void Answer(std::string_view iQuery, std::string_view iJson);
  void AnswerText(std::string_view iQuery, std::string_view iText);
  /// The same for a text known to need no escape (hexadecimal texts): copied without a check.
  void AnswerPlainText(std::string_view iQuery, std::string_view iText);
  void AnswerInt(std::string_view iQuery, std::int64_t iValue);
  void AnswerBool(std::string_view iQuery, bool iValue);
  /// A query that the dump shows failing (its notice, or a line it leaves out): E_FAIL.
  void AnswerFailed(std::string_view iQuery);
  /// An answer the dump does not show: iJson, or no member at all when iJson is empty (the
  /// query then answers S_OK and leaves the caller's value); iWhy says what stands in its place.
  void Placeholder(std::string_view iQuery, std::string_view iJson, std::string_view iWhy);

  /// Appends `"id": {...}` to oJson.
  void AppendJson(zyn::reader::JsonText* oJson) const;
  /// Appends the explanation: one line naming the object, the answers from the dump and each
  /// placeholder with its reason.
  void AppendExplanation(std::string* oText) const;

 private:
  void Member(std::string_view iQuery);

  const std::string& id_;
  std::string_view type_;
  ObjectStack& stack_;
  std::size_t start_;  // where this object's members start in the stack
  std::vector<std::string_view> lacks_;
  std::vector<std::string_view> fromDump_;
  std::vector<std::string> placeholders_;  // "GetX: why"
};

}  // namespace mpgtree::table
