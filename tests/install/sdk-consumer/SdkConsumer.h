// What the program built against the installed SDK finds in its module.
#pragma once

#include "zyn/ZynValues.h"

class ZynBaseUnknown;

/// The module's marker, checked by the host's loader.
inline constexpr const char* kSdkConsumerMarker = "ZynSdkConsumerMarker";
/// HRESULT ZynSdkConsumerContextName(ZynBaseUnknown* iManager, ZynUnicodeString* oName): the
/// name of the manager's context.
inline constexpr const char* kSdkConsumerQuery = "ZynSdkConsumerContextName";
using SdkConsumerQuery = HRESULT (*)(ZynBaseUnknown* iManager, ZynUnicodeString* oName);
