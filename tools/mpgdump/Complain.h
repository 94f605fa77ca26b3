// Complain(): how mpgdump reports a failure on standard error.
#pragma once

#include <sstream>

#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

/// Reports a failure on standard error, prefixed with the tool's name, after the trace text
/// that standard error may hold. The pieces are written one after the other.
template <class... Pieces>
void Complain(const Pieces&... iPieces) {
  std::ostringstream message;
  (message << ... << iPieces);
  zyn::toolio::Say("mpgdump", message.str());
}

}  // namespace mpgdump
