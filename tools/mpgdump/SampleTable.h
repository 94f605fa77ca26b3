// The sample mapping table bundled into mpgdump, dumped when no table is named.
#pragma once

#include <string_view>

namespace mpgdump {

/// The text of sample-table.json, as it stood when the tool was built.
std::string_view SampleTable();

}  // namespace mpgdump
