// The page assembled from its template and written as a whole, or on standard output for '-'.
#include "PageFile.h"

#include <memory>

#include "Io.h"
#include "PageTemplate.h"
#include "zyn/reader/JsonText.h"

namespace mpgtree {

namespace {

/// The template with its places filled: the style, the data and the parts of the script.
void AssemblePage(const PageData& iData, zyn::reader::JsonText* oPage) {
  const std::string_view html = kPageHtml;
  const std::pair<std::string_view, std::string_view> places[] = {
      {"/*@page.css@*/", kPageCss},
      {"@page.data@", {}},
      {"/*@data.js@*/", kPageDataJs},
      {"/*@heading.js@*/", kPageHeadingJs},
      {"/*@columns.js@*/", kPageColumnsJs},
      {"/*@steps.js@*/", kPageStepsJs},
      {"/*@page.js@*/", kPageJs}};
  std::size_t next = 0;
  for (const auto& [marker, text] : places) {
    const std::size_t at = html.find(marker, next);
    oPage->Append(html.substr(next, at - next));
    if (marker == places[1].first)
      iData.AppendJson(oPage);
    else
      oPage->Append(text);
    next = at + marker.size();
  }
  oPage->Append(html.substr(next));
}

}  // namespace

bool WritePage(const PageData& iData, const std::string& iPath) {
  zyn::reader::JsonText page;
  AssemblePage(iData, &page);
  const std::unique_ptr<TextOutput> output = TextOutput::Open(iPath);
  if (!output) return false;
  output->Write(page.View());
  return output->Close();
}

}  // namespace mpgtree
