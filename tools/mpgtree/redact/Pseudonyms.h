// The pseudonyms that stand for a dump's texts: one per distinct text in a run, never one for
// two texts.
//
// A name becomes "name-" and a number ("name-0001", in the order the texts first appear), or,
// with a key, "name-" and twelve hexadecimal digits of the keyed hash of the text, so that
// runs with one key give one text one pseudonym whatever else their dumps hold. An extension
// of one to eight letters or digits after the last dot is kept ("name-0001.part"). A path is
// cut at its separators ('/' and '\'), which stay, and each part becomes the pseudonym of that
// part as a name, so that it keeps its depth, and a file's name reads the same in its path and
// on its own; "." and ".." and a drive ("C:") stay. A uuid keeps its shape: every character that is
// not a letter or digit stays; a text whose letters and digits are all hexadecimal keeps them
// hexadecimal, in the same letter case; otherwise each digit becomes a digit and each letter a
// letter of the same case. An empty text stays empty.
//
// Pseudonyms hold no blank, comma, colon, angle bracket or line end: none of the separators and
// tags of a dump. Memory grows with the number of distinct texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace zyn::redact {

class Pseudonyms {
 public:
  /// Without a key, pseudonyms are numbered in order of appearance.
  explicit Pseudonyms(std::optional<std::string> iKey = std::nullopt);

  /// The pseudonym of a name (the same for every equal text of the run).
  const std::string& OfName(std::string_view iText);
  /// The pseudonym of a path: each part between separators as a name.
  std::string OfPath(std::string_view iPath);
  /// The pseudonym of a uuid, of the same shape.
  const std::string& OfUuid(std::string_view iUuid);

  /// How many distinct texts have a pseudonym.
  std::size_t Count() const { return names_.size() + uuids_.size(); }

 private:
  /// A pseudonym not yet given to another text: iMake(attempt) for attempts 0, 1, ...
  template <class Make>
  std::string Unused(const Make& iMake);
  /// Bytes that only iText (and the key, or the run's order) decides: the seed of a pseudonym.
  std::string Seed(std::string_view iKind, std::string_view iText, std::uint64_t iOrdinal,
                   int iAttempt) const;

  std::optional<std::string> key_;
  std::unordered_map<std::string, std::string> names_;
  std::unordered_map<std::string, std::string> uuids_;
  std::unordered_set<std::string> given_;  // every pseudonym given, of either kind
  std::uint64_t nextName_ = 1;
  std::uint64_t nextUuid_ = 1;
};

}  // namespace zyn::redact
