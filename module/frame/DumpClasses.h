// The declarations of the module's dump classes, made from the list in DumpClasses.def.
#pragma once

#include "frame/DumpExtension.h"

/// Declares a dump class: its exported creation function and the class with what differs.
#define ZYN_MPG_DUMP_CLASS(Class, ExtendedType, AlsoExtends)                             \
  extern "C" IUnknown* ZYN_MPG_CREATION_FUNCTION_NAME(Class)(ZynBaseUnknown * iExtended, \
                                                             ZynBaseUnknown * iOuter);   \
  class Class final : public zyn_mpg::DumpExtension<Class> {                             \
   public:                                                                               \
    static constexpr const char* kClassName = #Class;                                    \
    static constexpr const char* kExtendedType = ExtendedType;                           \
    static constexpr const char* kAlsoExtends = AlsoExtends;                             \
    static constexpr ZynCreateFunction kCreate = &ZYN_MPG_CREATION_FUNCTION_NAME(Class); \
    HRESULT Dump(int iLevel, int iMode, int iIndex) override;                            \
  };
#include "frame/DumpClasses.def"
#undef ZYN_MPG_DUMP_CLASS
