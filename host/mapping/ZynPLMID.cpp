// PLM identifiers and CE stamps, and their texts.
#include <string>
#include <utility>

#include "zyn/ZynMappingInfra.h"

ZynPLMID::ZynPLMID(std::vector<std::uint8_t> iPhysical, std::string iLogical, std::string iMajor)
    : physical_(std::move(iPhysical)),
      logical_(std::move(iLogical)),
      major_(std::move(iMajor)),
      set_(true) {}

std::string ZynPLMID::PhysicalHexa() const {
  if (!set_ || physical_.empty()) return std::string();
  std::string hexa(2 * physical_.size() + 1, '\0');
  ZynDbCharToHexa(physical_.data(), static_cast<int>(physical_.size()), &hexa[0],
                  static_cast<int>(hexa.size()));
  hexa.pop_back();
  return hexa;
}

std::string ZynPLMID::Text() const {
  if (!set_) return "PLMID null\n";
  return "PLMID physical:" + PhysicalHexa() + " logical:" + logical_ + " major:" + major_ + "\n";
}

HRESULT ZynPLMID::Dump(ZynTrace& iTrace) const {
  iTrace.TraPut(2, Text().c_str());
  return S_OK;
}

HRESULT ZynPLMID::Dump(std::ostream& iStream) const {
  // Flushed like every other line written on standard output, so that nothing is held back.
  iStream << Text() << std::flush;
  return S_OK;
}

HRESULT ZynPLMID::GetUnicodeDump(ZynUnicodeString& oText) const {
  const std::string text = Text();
  oText = ZynUnicodeString(text.data(), static_cast<int>(text.size()));
  return S_OK;
}

HRESULT ZynDCIMpgServicesForTests::GetPLMPhysicalIdDump(const ZynPLMID& iId,
                                                        ZynUnicodeString& oText) {
  oText = iId.PhysicalHexa().c_str();
  return S_OK;
}

HRESULT ZynPLMCEStamp::Stream(const ZynPLMCEStamp& iStamp, ZynUnicodeString& oText) {
  oText = iStamp.valid_
              ? ZynUnicodeString(iStamp.text_.data(), static_cast<int>(iStamp.text_.size()))
              : ZynUnicodeString();
  return S_OK;
}

ZynPLMCEStamp ZynPLMCEStampServices::CreateInvalidCEStamp() { return ZynPLMCEStamp(); }
