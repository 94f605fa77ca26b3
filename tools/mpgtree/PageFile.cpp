// The page assembled from its template and written beside its destination, then renamed.
#include "PageFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Io.h"
#include "PageTemplate.h"

namespace mpgtree {

namespace {

/// The template with its places filled: the style, the data and the two parts of the script.
void AssemblePage(const PageData& iData, zyn::reader::JsonText* oPage) {
  const std::string_view html = kPageHtml;
  const std::pair<std::string_view, std::string_view> places[] = {{"/*@page.css@*/", kPageCss},
                                                                  {"@page.data@", {}},
                                                                  {"/*@data.js@*/", kPageDataJs},
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

bool WriteAll(int iDescriptor, std::string_view iText) {
  while (!iText.empty()) {
    const ssize_t written = ::write(iDescriptor, iText.data(), iText.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    iText.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

bool WritePage(const PageData& iData, const std::string& iPath) {
  zyn::reader::JsonText page;
  AssemblePage(iData, &page);
  std::string temporary = iPath + ".XXXXXX";
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) {
    Complain(iPath + ": cannot write: " + std::strerror(errno));
    return false;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool done = ::fchmod(descriptor, 0666 & ~mask) == 0 && WriteAll(descriptor, page.View());
  int failure = done ? 0 : errno;
  if (::close(descriptor) != 0 && done) done = false, failure = errno;
  if (done && ::rename(temporary.c_str(), iPath.c_str()) != 0) done = false, failure = errno;
  if (!done) {
    ::unlink(temporary.c_str());
    Complain(iPath + ": write error: " + std::strerror(failure ? failure : EIO));
  }
  return done;
}

}  // namespace mpgtree
