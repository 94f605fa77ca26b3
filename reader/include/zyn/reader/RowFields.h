// The fields of the nodes of a dump tree, one by one in a fixed order, each with its key, its
// meaning in words, its value, the line it was read from, and how a comparison treats it.
//
// One walk over the tree serves every consumer that needs the fields without caring about the
// node types: the comparison of two dumps (which hashes and compares them) and the page that
// shows a dump (which labels them). The keys are those of the tree's JSON; the components of a
// row are entered as named groups ("nonM1Component", "ref", "m1Components[2]"), so that a
// field's path reads `ref.name` or `m1Components[2].ceStamp`.
//
// A value the dump leaves out is not visited at all, unless its absence is itself written
// ("No CEStamp"), in which case the field holds a word (`FieldValue::Type::Word`, e.g. "none").
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "zyn/reader/DumpTree.h"

namespace zyn::reader {

/// A value as the walk hands it over. Texts and words point into the tree (or are static).
struct FieldValue {
  enum class Type : std::uint8_t {
    Text,     // a text of the dump, byte for byte
    Integer,  // a number of the dump
    Boolean,  // a yes/no the dump states in words
    Word,     // a fixed state the dump states in words ("none", "absent", "dmtRow", ...)
  };
  Type type = Type::Text;
  std::string_view text;     // Text and Word
  std::int64_t integer = 0;  // Integer
  bool boolean = false;      // Boolean

  static FieldValue OfText(std::string_view iText) { return {Type::Text, iText, 0, false}; }
  static FieldValue OfWord(std::string_view iWord) { return {Type::Word, iWord, 0, false}; }
  static FieldValue OfInteger(std::int64_t iValue) { return {Type::Integer, {}, iValue, false}; }
  static FieldValue OfBoolean(bool iValue) { return {Type::Boolean, {}, 0, iValue}; }
  friend bool operator==(const FieldValue& iLeft, const FieldValue& iRight) {
    return iLeft.type == iRight.type && iLeft.text == iRight.text &&
           iLeft.integer == iRight.integer && iLeft.boolean == iRight.boolean;
  }
  friend bool operator!=(const FieldValue& iLeft, const FieldValue& iRight) {
    return !(iLeft == iRight);
  }
};

/// How a comparison of two dumps treats a field.
enum class FieldRole : std::uint8_t {
  /// What the table holds: compared.
  Value,
  /// Where a row stands in its list (its ordinal): shown, never compared, since a row added or
  /// removed before it moves it without changing it.
  Position,
  /// How the dump was written rather than what the table holds (a heading that an active named
  /// trace put among the lines): shown, never compared.
  Circumstance,
  /// A value that one form of the dump may leave out: compared only when both sides hold it.
  /// Its absence on one side says how that dump was written, not what its table holds.
  FormDependent,
};

/// The values that a form may leave out, one kind each (for FieldRole::FormDependent).
enum class FormDependentKind : std::uint8_t {
  None,
  OctetHexadecimal,    // the trace tool leaves it out for sequences of 500 octets or more
  OctetTooLongNotice,  // only the trace tool writes it, in place of that hexadecimal text
  OrvModelPlmidText,   // the trace tool sends it to a named trace instead
  PellPlmidText,       // the trace tool writes it only for one of its trace types
};
inline constexpr int kFormDependentKindCount = 5;

/// One field as the walk hands it over.
struct Field {
  std::string_view key;    // its name in a path and in JSON ("mappingMaster")
  std::string_view label;  // its meaning in words ("mapping master")
  FieldValue value;
  std::uint64_t line = 0;  // the dump line the value was read from (that of its node when the
                           // node's layout does not tell a more precise one)
  FieldRole role = FieldRole::Value;
  FormDependentKind formDependentKind = FormDependentKind::None;
};

/// Receives the fields of a node in a fixed order, and a group around each nested node.
class FieldVisitor {
 public:
  virtual ~FieldVisitor() = default;
  /// A nested node begins: a component under its place's key ("ref", "m1Components[2]"), or
  /// an octet value ("px1IdValue"). Every Enter has its Leave.
  virtual void Enter(std::string_view /*iKey*/, std::string_view /*iLabel*/,
                     std::uint64_t /*iLine*/) {}
  virtual void Leave() {}
  virtual void OnField(const Field& iField) = 0;
};

/// The manager's own fields; iTrailer, when given, adds whether its lists were closed.
void VisitManagerFields(const ManagerHeader& iHeader, const ManagerTrailer* iTrailer,
                        FieldVisitor& ioVisitor);
void VisitEnvironmentFields(const Environment& iEnvironment, FieldVisitor& ioVisitor);
/// A DMT row's own fields and its components, not its RMT rows (the caller walks those, since
/// it matches them first). iBeforeClosing, when given, is called before the last field (whether
/// the row was closed), so that a caller showing the RMT rows can put them in their place.
void VisitDmtRowFields(const DmtRow& iRow, FieldVisitor& ioVisitor,
                       const std::function<void()>& iBeforeClosing = {});
/// An RMT row's own fields and its components.
void VisitRmtRowFields(const RmtRow& iRow, FieldVisitor& ioVisitor);
/// A component's fields, starting with its kind; the caller encloses them in a group.
void VisitComponentFields(const Component& iComponent, FieldVisitor& ioVisitor);

/// The text of a uuid as rows and paths show it: the uuid, or "invalid element uuid".
std::string_view RowUuidText(const RowHeader& iHeader);

}  // namespace zyn::reader
