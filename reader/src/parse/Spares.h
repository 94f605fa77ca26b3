// The texts that the parser's rows and components leave behind, kept to be filled again: once
// the first rows are read, a row reads with no allocation, whatever kinds of component its places
// hold from one row to the next.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "zyn/reader/DumpTree.h"

namespace zyn::reader {

/// Texts that no node holds at the moment, each with the room it grew to. A component's fields
/// change kind with the component a place holds: the texts of the fields left are kept here,
/// and those of the fields made take their room (moving a text moves its room, not its bytes).
class Spares {
 public:
  /// Fields of a kind, made the component's own and empty: emptied in place when it held them
  /// already, else made anew, with the room of spare texts.
  template <class Fields>
  Fields& Use(Component* oComponent) {
    if (auto* fields = std::get_if<Fields>(&oComponent->fields)) {
      if constexpr (std::is_same_v<Fields, OrvFields>) {
        if (fields->identity) RetireText(&fields->identity->modelPlmidText);
      }
      *fields = Fields{};
      return *fields;
    }
    RetireTexts(oComponent);
    Fields& fields = oComponent->fields.template emplace<Fields>();
    for (std::string* text : TextsOf(fields)) {
      if (texts_.empty()) break;
      *text = std::move(texts_.back());
      texts_.pop_back();
      text->clear();
    }
    return fields;
  }

  /// Keeps the texts of a component's fields that have room of their own among the spares.
  void RetireTexts(Component* ioComponent) {
    std::visit(
        [this](auto& ioFields) {
          for (std::string* text : TextsOf(ioFields)) Retire(text);
          if constexpr (std::is_same_v<std::decay_t<decltype(ioFields)>, OrvFields>) {
            if (ioFields.identity) RetireText(&ioFields.identity->modelPlmidText);
          }
        },
        ioComponent->fields);
  }

  /// Empties a place, keeping its component's texts among the spares.
  void Vacate(ComponentPlace* ioPlace) {
    if (!ioPlace->component) return;
    RetireTexts(&*ioPlace->component);
    ioPlace->component.reset();
  }

  /// Keeps the text that ioText holds, if any, among the spares, leaving it none.
  void RetireText(std::optional<std::string>* ioText) {
    if (!*ioText) return;
    Retire(&**ioText);
    ioText->reset();
  }
  /// A text to be filled: a spare one (with its room) when there is one, else a new one.
  std::optional<std::string> TakeText() {
    if (texts_.empty()) return std::string();
    std::optional<std::string> text(std::move(texts_.back()));
    texts_.pop_back();
    text->clear();
    return text;
  }

 private:
  /// Keeps iText when it has room of its own (a short text lives inside its string).
  void Retire(std::string* ioText) {
    if (ioText->capacity() > kInPlace) texts_.push_back(std::move(*ioText));
  }
  inline static const std::size_t kInPlace = std::string().capacity();

  /// The texts of fields of each kind that are always there.
  static std::array<std::string*, 3> TextsOf(FileBasedFields& iFields) {
    return {&iFields.name, &iFields.documentType, &iFields.uuid};
  }
  static std::array<std::string*, 3> TextsOf(RmtFileBasedFields& iFields) {
    return {&iFields.alias, &iFields.technoString, &iFields.objectType};
  }
  static std::array<std::string*, 1> TextsOf(ProviderFields& iFields) {
    return {&iFields.providerName};
  }
  template <class Fields>
  static std::array<std::string*, 0> TextsOf(Fields&) {
    return {};
  }

  std::vector<std::string> texts_;
};

}  // namespace zyn::reader
