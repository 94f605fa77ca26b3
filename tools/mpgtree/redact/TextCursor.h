// A walk along the text of one node of a dump, from its first byte, that checks each piece
// against what the reader read there and marks the texts to be replaced by their pseudonyms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "PendingText.h"
#include "Pseudonyms.h"
#include "zyn/reader/DumpTree.h"

namespace zyn::redact {

/// What the walks over the nodes of one dump share.
struct RedactionState {
  PendingText& text;
  Pseudonyms& pseudonyms;
  bool uuids = false;  // uuids get pseudonyms too
  zyn::reader::Form form = zyn::reader::Form::Unknown;
  /// Where a node's text was not what the reader read in it: the first such place, in words.
  std::string failure;
};

/// Follows a node's text piece by piece. A piece that differs from the text ends the walk with
/// a failure (the node's text is not what was read); the end of the node's text (a node cut
/// short) ends it quietly: what follows was not read, so it is not in the node. Once ended, every
/// step does nothing.
class TextCursor {
 public:
  /// From iOffset up to iEnd (the end of the node's last line); iNode names the node in the
  /// failure ("an RMT row at line 31").
  TextCursor(RedactionState& ioState, std::uint64_t iOffset, std::uint64_t iEnd, std::string iNode);

  /// A fixed piece, the same in both forms.
  TextCursor& Fixed(std::string_view iPiece);
  /// A fixed piece that the two forms write differently.
  TextCursor& Fixed(std::string_view iTrace, std::string_view iOutput);
  /// A value that stays.
  TextCursor& Keep(std::string_view iValue) { return Fixed(iValue); }
  /// Values replaced by their pseudonyms (a uuid only when uuids get them).
  TextCursor& Name(std::string_view iValue);
  TextCursor& Path(std::string_view iValue);
  TextCursor& Uuid(std::string_view iValue);

  bool Going() const { return state_ == State::Going; }
  std::uint64_t Offset() const { return offset_; }

 private:
  enum class State { Going, Ended, Failed };
  /// How much of iPiece stands at the cursor: all (the cursor passes it), a part up to the
  /// node's end (the walk ends), or not (the walk fails).
  enum class Match { Whole, UpToEnd, No };
  Match Compare(std::string_view iPiece) const;
  /// Passes iValue, writing iPseudonym in its place (in what of it the node holds).
  TextCursor& Replace(std::string_view iValue, const std::string& iPseudonym);
  void Fail(std::string_view iPiece);

  RedactionState& shared_;
  std::uint64_t offset_;
  std::uint64_t end_;
  std::string node_;
  State state_ = State::Going;
};

}  // namespace zyn::redact
