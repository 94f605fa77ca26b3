// The sample mapping table bundled into mpgdump: sample-table.json, embedded at build time.
#include "SampleTable.h"

#include "SampleTableText.h"

namespace mpgdump {

std::string_view SampleTable() { return kSampleTableText; }

}  // namespace mpgdump
