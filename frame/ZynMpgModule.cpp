// The module object, the registration table, the exported creation functions and the marker.
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

namespace zyn_mpg {
namespace {

// A null entry, the ten routines in the order of the class table, a null entry.
const ZynClassRegistrationRoutine kRegistrationTable[] = {
    nullptr,
    &ZynMpgDMTRowDump::Register,
    &ZynMpgDummyComponentDump::Register,
    &ZynMpgEnvironmentDump::Register,
    &ZynMpgFileBasedComponentDump::Register,
    &ZynMpgManagerDump::Register,
    &ZynMpgProviderComponentDump::Register,
    &ZynMpgRMTFileBasedComponentDump::Register,
    &ZynMpgRMTRowDump::Register,
    &ZynMpgOrvComponentDump::Register,
    &ZynMpgPellComponentDump::Register,
    nullptr,
};
constexpr int kTableEnd = sizeof(kRegistrationTable) / sizeof(kRegistrationTable[0]) - 1;

ZynOMModule gModule __attribute__((init_priority(ZYN_MPG_MODULE_OBJECT_PRIORITY))){
    ZynOMModuleInfo{&kRegistrationTable[0], &kRegistrationTable[kTableEnd]}};

}  // namespace

ZynOMModule& ModuleObject() { return gModule; }

}  // namespace zyn_mpg

#define ZYN_MPG_CREATION_FUNCTION(Class)                                                     \
  extern "C" __attribute__((visibility("default")))                                          \
  IUnknown* CreateBOAZynIMpgDump##Class(ZynBaseUnknown* iExtended, ZynBaseUnknown* iOuter) { \
    return Class::Create(iExtended, iOuter);                                                 \
  }

ZYN_MPG_CREATION_FUNCTION(ZynMpgDMTRowDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgDummyComponentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgEnvironmentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgFileBasedComponentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgManagerDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgProviderComponentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgRMTFileBasedComponentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgRMTRowDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgOrvComponentDump)
ZYN_MPG_CREATION_FUNCTION(ZynMpgPellComponentDump)

/// The module's marker: the host checks for it before loading.
extern "C" __attribute__((visibility("default"))) int VORNEX_QBX2_INTERNAL_ZynDCMpgDUMP() {
  return 1;
}
