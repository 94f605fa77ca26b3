// The keys of a dump tree's fields as constants (keys::kName), from the one list in FieldKeys.def.
#pragma once

#include <string_view>

namespace zyn::reader::keys {

#define ZYN_FIELD_KEY(Name, Key) inline constexpr std::string_view k##Name = Key;
#include "tree/FieldKeys.def"
#undef ZYN_FIELD_KEY

}  // namespace zyn::reader::keys
