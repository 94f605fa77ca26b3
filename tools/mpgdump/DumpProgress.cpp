// Counting the DMT rows a dump reaches, and how many it will reach.
#include "DumpProgress.h"

#include "zyn/ZynMappingInfra.h"

namespace mpgdump {

namespace {
constexpr zyn::toolio::ProgressUnit kRows{"DMT rows", "rows/s", false};
}  // namespace

DumpProgress::DumpProgress(zyn::mem::Table& iTable, std::uint64_t iTotalRows)
    : table_(iTable), meter_(2, "mpgdump", kRows, iTotalRows) {
  table_.SetDumpRequestWatcher(this);
}

DumpProgress::~DumpProgress() {
  table_.SetDumpRequestWatcher(nullptr);
  meter_.Finish();
}

std::uint64_t DumpProgress::RowsToWalk(zyn::mem::MemObject& iObject, int iLevel, int iMode) {
  if (iObject.GetType() == zyn::mem::Type::DMTRow) return 1;
  if (iObject.GetType() != zyn::mem::Type::Manager || iLevel < 1) return 0;
  ZynListValZynIDCIMpgDMTElement_var elements;
  if (iMode == 3) {
    ZynIDCIMpgManagerPrivate_var manager(iObject.Unknown());
    if (manager) manager->GetDMTElementsToBeSaved(elements);
  } else {
    ZynIDCIMpgManager_var manager(iObject.Unknown());
    if (manager) manager->GetDMTElements(elements);
  }
  return elements.Size() > 0 ? static_cast<std::uint64_t>(elements.Size()) : 0;
}

}  // namespace mpgdump
