// The uuid printer, the one output routine that several dumps share.
#include "frame/DumpChannel.h"

#include <cstring>

namespace zyn_mpg {

namespace {
/// Room for the host's text form and its terminator.
constexpr int kUuidBufferSize = 36;
}  // namespace

void PrintUuid(OutputLine& ioLine, const ZynUuid& iUuid) {
  // One byte more than the host is given, so that a text filling the host's room still ends.
  char buffer[kUuidBufferSize + 1] = {};
  iUuid.UUID_to_chaine(buffer, 0);
  // The text ends at the first zero byte, and never beyond the host's room; both sinks take
  // the bytes from the buffer itself.
  const void* end = std::memchr(buffer, 0, kUuidBufferSize);
  buffer[end ? static_cast<const char*>(end) - buffer : kUuidBufferSize] = '\0';
  const char* const text = buffer;
  EmitInto(
      ioLine, [&] { TracePrint("%s", text); }, [&](OutputLine& out) { out << text; });
}

bool EmitRowHeaderUuid(HeldOutput& ioHeld, const OrdinalText& iHeader, int iIndex,
                       const ZynBaseUnknown* iElement, RowUuid* oUuid) {
  EmitOrdinal(ioHeld, iHeader, iIndex);
  ZynIDCIMpgElementPrivate_var elementPrivate(iElement);
  if (!elementPrivate) return false;
  oUuid->read = elementPrivate->GetUuid(oUuid->value) >= 0;
  if (oUuid->read)
    PrintUuid(ioHeld, oUuid->value);
  else
    EmitSame(ioHeld, kInvalidUuid);
  return true;
}

}  // namespace zyn_mpg
