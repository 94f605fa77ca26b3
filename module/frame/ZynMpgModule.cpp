// The module object, the registration table, the exported creation functions and the marker.
#include "frame/DumpClasses.h"
#include "frame/NamedTraces.h"

namespace zyn_mpg {
namespace {

// A null entry, the ten routines in the order of the class table, a null entry.
const ZynClassRegistrationRoutine kRegistrationTable[] = {
    nullptr,
#define ZYN_MPG_DUMP_CLASS(Class, ExtendedType, AlsoExtends) &Class::Register,
#include "frame/DumpClasses.def"
#undef ZYN_MPG_DUMP_CLASS
    nullptr,
};
constexpr int kTableEnd = sizeof(kRegistrationTable) / sizeof(kRegistrationTable[0]) - 1;

ZynOMModule gModule __attribute__((init_priority(ZYN_MPG_MODULE_OBJECT_PRIORITY))){
    ZynOMModuleInfo{&kRegistrationTable[0], &kRegistrationTable[kTableEnd]}};

}  // namespace

ZynOMModule& ModuleObject() { return gModule; }

}  // namespace zyn_mpg

#define ZYN_MPG_CREATION_FUNCTION(Class)                                                      \
  extern "C" __attribute__((visibility("default"))) IUnknown* ZYN_MPG_CREATION_FUNCTION_NAME( \
      Class)(ZynBaseUnknown * iExtended, ZynBaseUnknown * iOuter) {                           \
    return Class::Create(iExtended, iOuter);                                                  \
  }

#define ZYN_MPG_DUMP_CLASS(Class, ExtendedType, AlsoExtends) ZYN_MPG_CREATION_FUNCTION(Class)
#include "frame/DumpClasses.def"
#undef ZYN_MPG_DUMP_CLASS

/// The module's marker: the host checks for it before loading.
#define ZYN_MPG_MODULE_NAME(Name)
#define ZYN_MPG_MODULE_MARKER(Marker) \
  extern "C" __attribute__((visibility("default"))) int Marker() { return 1; }
#include "ModuleIdentity.def"
