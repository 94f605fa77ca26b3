// Writes a page: the template's parts with the data in its place, into a file beside the
// destination that is renamed into place once complete, so that no half-written page is left;
// or on standard output.
#pragma once

#include <string>

#include "PageData.h"

namespace mpgtree {

/// Writes the page holding iData to iPath, or to standard output for "-" (a TextOutput). False,
/// with a message on standard error naming the file and the reason, when it cannot; the
/// destination is then left as it was.
bool WritePage(const PageData& iData, const std::string& iPath);

}  // namespace mpgtree
