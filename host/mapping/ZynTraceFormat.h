// The trace tool's own formatter for the conversions that dumps use, with vsnprintf behind it.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "zyn/ZynContract.h"

namespace zyn::trace {

/// Formats iFormat with iValues into oText, which has room for iSize bytes, the terminator
/// included, exactly as vsnprintf would, for a format whose conversions are only %d, %u, %s
/// (of a non-null text) and %%. Answers the length written (without the terminator), or -1
/// when it did not finish: another conversion, a null text or a text longer than iSize - 1.
/// After -1, oText holds nothing useful and iValues has been partly read: the caller formats
/// again with vsnprintf from a copy of the values taken beforehand. A format is split into its
/// pieces the first time it is met and kept for its address (ZynSplitFormat.h): later calls walk
/// the pieces instead of reading the format again. Thread-safe.
ZYN_EXPORT int FormatCommonConversions(char* oText, std::size_t iSize, const char* iFormat,
                                       va_list iValues);

}  // namespace zyn::trace
