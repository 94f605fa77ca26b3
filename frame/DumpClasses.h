// The module's ten dump classes, in the order of the registration table, with the types they
// extend. Each class's Dump is in dumps/, in the file named after it.
#pragma once

#include "frame/DumpExtension.h"

ZYN_MPG_DUMP_CLASS(ZynMpgDMTRowDump, "ZynDCIMpgDMTRow", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgDummyComponentDump, "ZynDCIMpgDummyComponent", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgEnvironmentDump, "ZynDCIMpgEnvironment", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgFileBasedComponentDump, "ZynDCIMpgFileBasedComponent", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgManagerDump, "ZynDCIMpgManager", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgProviderComponentDump, "ZynDCIMpgProviderComponent", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgRMTFileBasedComponentDump, "ZynDCIMpgRMTFileBasedComponent", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgRMTRowDump, "ZynDCIMpgRMTRow", nullptr)
ZYN_MPG_DUMP_CLASS(ZynMpgOrvComponentDump, "ZynDCIMpgOrvComponent", nullptr)
// One class serves both Pell types.
ZYN_MPG_DUMP_CLASS(ZynMpgPellComponentDump, "ZynDCIMpgPellComponent", "ZynDCIMpgPellNonM1Component")
