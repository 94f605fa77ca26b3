// The names of node kinds and forms, for JSON and messages.
#include <iterator>

#include "tree/EnumTable.h"
#include "zyn/reader/DumpTree.h"

namespace zyn::reader {

namespace {
constexpr std::string_view kFormNames[] = {"unknown", "stdout", "trace"};
static_assert(std::size(kFormNames) == EnumCount(Form::Trace));
}  // namespace

std::optional<NodeKind> NodeKindFromName(std::string_view iName) {
#define ZYN_DUMP_NODE_KIND(Enumerator, jsonName, description) \
  if (iName == jsonName) return NodeKind::Enumerator;
#include "zyn/reader/NodeKinds.def"
#undef ZYN_DUMP_NODE_KIND
  return std::nullopt;
}

std::string_view FormName(Form iForm) { return EntryFor(kFormNames, iForm); }

}  // namespace zyn::reader
