// What a parser expected where a line did not fit, put into words only for a message.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

namespace zyn::reader {

/// What a parser expected where a line did not fit, in words for a message: a pattern in which
/// each "%" stands for one of the dump's texts, quoted. Nothing is formatted until the message is
/// written.
class Expected {
 public:
  Expected(const char* iWords) : pattern_(iWords) {}  // NOLINT: words alone read as an Expected
  Expected(std::string_view iPattern, std::string_view iFirst = {}, std::string_view iSecond = {},
           std::string_view iThird = {}, std::string_view iFourth = {})
      : pattern_(iPattern), texts_{iFirst, iSecond, iThird, iFourth} {}
  /// The pattern with each "%" replaced by its text in double quotes.
  std::string Words() const;
  /// What iDescribe names: an Expected (or its words), or a callable that answers one, called
  /// only here, so that a line that fits builds none.
  template <class Describe>
  static Expected Of(const Describe& iDescribe) {
    if constexpr (std::is_invocable_v<const Describe&>)
      return iDescribe();
    else
      return Expected(iDescribe);
  }

 private:
  std::string_view pattern_;
  std::string_view texts_[4];
};

}  // namespace zyn::reader
