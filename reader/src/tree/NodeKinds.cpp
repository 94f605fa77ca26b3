// The names of node kinds and forms, for JSON and messages.
#include "zyn/reader/DumpTree.h"

namespace zyn::reader {

std::optional<NodeKind> NodeKindFromName(std::string_view iName) {
#define ZYN_DUMP_NODE_KIND(Enumerator, jsonName, description) \
  if (iName == jsonName) return NodeKind::Enumerator;
#include "zyn/reader/NodeKinds.def"
#undef ZYN_DUMP_NODE_KIND
  return std::nullopt;
}

std::string_view FormName(Form iForm) {
  switch (iForm) {
    case Form::StandardOutput:
      return "stdout";
    case Form::Trace:
      return "trace";
    case Form::Unknown:
      break;
  }
  return "unknown";
}

}  // namespace zyn::reader
