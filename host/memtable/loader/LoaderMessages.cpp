// The texts of the loader's refusals: quoting, the parser's syntax messages, places in the text.
#include "loader/LoaderMessages.h"

namespace zyn::mem::loader {

std::string Quoted(std::string_view iText) {
  std::string quoted;
  quoted.reserve(iText.size() + 2);
  quoted += '"';
  quoted.append(iText);
  quoted += '"';
  return quoted;
}

std::string SyntaxMessage(const std::string& iWhat) {
  static constexpr std::string_view kLead = "parse error at ";
  std::string_view what = iWhat;
  const std::size_t at = what.find(kLead);
  if (at != std::string_view::npos) what.remove_prefix(at + kLead.size());
  std::string message;
  for (char c : what) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7f) {
      message += c;
    } else {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      message += "\\x";
      message += kDigits[byte >> 4];
      message += kDigits[byte & 15];
    }
    if (message.size() > 200) {
      message += "...";
      break;
    }
  }
  return message;
}

std::string PlaceAt(std::string_view iText, std::size_t iOffset) {
  if (iOffset > iText.size()) iOffset = iText.size();
  std::size_t line = 1, lineStart = 0;
  for (std::size_t at = 0; at < iOffset; ++at)
    if (iText[at] == '\n') ++line, lineStart = at + 1;
  return "line " + std::to_string(line) + ", column " + std::to_string(iOffset - lineStart + 1);
}

}  // namespace zyn::mem::loader
