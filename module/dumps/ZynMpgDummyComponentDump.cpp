// The dummy component dump: one fixed line, nothing read from the component.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

HRESULT ZynMpgDummyComponentDump::Dump(int /*iLevel*/, int /*iMode*/, int /*iIndex*/) {
  Emit([] { TracePut("<Dummy component>\n"); },
       [](std::ostream& out) { out << "<Dummy component>" << std::endl; });
  return S_OK;
}
