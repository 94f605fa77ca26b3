// What the two row dumps (DMT and RMT) write alike: the header line, which at level 0 is the
// row's whole dump, and the existence piece of the line that follows it.
#pragma once

#include <optional>

#include "frame/DumpChannel.h"

namespace zyn_mpg {

/// The texts of a row's header line: the ordinal piece, the separator after the uuid (its trace
/// form and its standard-output form) and the tag that closes the row at level 0.
struct RowHeaderTexts {
  OrdinalText ordinal;
  const char* separatorTrace;
  const char* separatorOutput;
  FixedText levelZeroClosing;
};

/// Writes a row's header line, which reaches standard output in one write: the ordinal piece,
/// the uuid (read through the row's private interface; oUuid keeps it for the closing line), the
/// separator; then at level 0 the closing tag, which ends the row's dump, and at any other level
/// the line end. Answers the dump's result when the header ends it: S_OK at level 0, E_FAIL
/// without the private interface (only the ordinal piece written, the line left open); nothing
/// when the row's body follows.
inline std::optional<HRESULT> EmitRowHeader(const RowHeaderTexts& iTexts, int iLevel, int iIndex,
                                            const ZynBaseUnknown* iElement, RowUuid* oUuid) {
  HeldOutput header;
  if (!EmitRowHeaderUuid(header, iTexts.ordinal, iIndex, iElement, oUuid)) return E_FAIL;
  header.Emit([&] { TracePut(iTexts.separatorTrace); },
              [&](OutputLine& out) { out << iTexts.separatorOutput; });
  if (iLevel == 0) {
    EmitSame(header, iTexts.levelZeroClosing);
    return S_OK;
  }
  EmitSame(header, "\n");
  return std::nullopt;
}

/// Writes whether the row already exists: iExisting when its query says so, iNew otherwise (a
/// failed query included), the same on both sinks. Element is the row's own interface. One of
/// ioHeld's emissions: the row's line goes on.
template <class Element>
void EmitExistence(HeldOutput& ioHeld, Element* iElement, FixedText iExisting, FixedText iNew) {
  bool alreadyExists = false;
  iElement->GetAlreadyExists(alreadyExists);
  EmitSame(ioHeld, alreadyExists ? iExisting : iNew);
}

}  // namespace zyn_mpg
