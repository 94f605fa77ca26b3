// A module of another project built against the installed SDK: the module object the host's
// loader expects (with no class to register), a marker, and one query that the program calls.
#include "SdkConsumer.h"
#include "zyn/ZynBaseUnknown.h"
#include "zyn/ZynMappingInfra.h"

namespace {

const ZynClassRegistrationRoutine kNoRoutines[] = {nullptr, nullptr};
ZynOMModule gModule{ZynOMModuleInfo{&kNoRoutines[0], &kNoRoutines[1]}};

}  // namespace

extern "C" __attribute__((visibility("default"))) int ZynSdkConsumerMarker() { return 1; }

extern "C" __attribute__((visibility("default"))) HRESULT ZynSdkConsumerContextName(
    ZynBaseUnknown* iManager, ZynUnicodeString* oName) {
  ZynIDCIMpgManager_var manager(iManager);
  ZynIDCIMpgContext_var context;
  if (!manager || manager->GetContext(context) < 0 || !context) return E_FAIL;
  return context->GetName(*oName);
}
