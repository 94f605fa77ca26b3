// The dummy component dump: one fixed line, nothing read from the component.
#include "frame/DumpChannel.h"
#include "frame/DumpClasses.h"

using namespace zyn_mpg;

HRESULT ZynMpgDummyComponentDump::Dump(int /*iLevel*/, int /*iMode*/, int /*iIndex*/) {
  EmitSame("<Dummy component>\n");
  return S_OK;
}
