// The host's null-handle error.
#include "zyn/ZynVar.h"

#include <string>

ZynNullVarError::ZynNullVarError(const char* iInterfaceName)
    : std::logic_error(std::string("null handle: ") + (iInterfaceName ? iInterfaceName : "")) {}

ZynNullVarError::~ZynNullVarError() = default;

void ThrowErrorNullVar(const char* iInterfaceName) { throw ZynNullVarError(iInterfaceName); }
