// PLM identifiers and CE stamps, and their texts.
#include <atomic>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>

#include "zyn/ZynCallLog.h"
#include "zyn/ZynMappingInfra.h"

struct ZynPLMID::Fields {
  std::vector<std::uint8_t> physical;
  std::string logical;
  std::string major;
  /// The identifiers that hold these fields; the last one to let go deletes them.
  mutable std::atomic<std::size_t> holders{1};

  void Hold() const { holders.fetch_add(1, std::memory_order_relaxed); }
  static void Drop(const Fields* iFields) {
    if (iFields && iFields->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete iFields;
  }
};

ZynPLMID::ZynPLMID(std::vector<std::uint8_t> iPhysical, std::string iLogical, std::string iMajor)
    : fields_(new Fields{std::move(iPhysical), std::move(iLogical), std::move(iMajor)}) {}

ZynPLMID::ZynPLMID(const ZynPLMID& iOther) noexcept : fields_(iOther.fields_) {
  if (fields_) fields_->Hold();
}

ZynPLMID& ZynPLMID::operator=(const ZynPLMID& iOther) noexcept {
  if (iOther.fields_) iOther.fields_->Hold();
  Fields::Drop(fields_);
  fields_ = iOther.fields_;
  return *this;
}

ZynPLMID& ZynPLMID::operator=(ZynPLMID&& iOther) noexcept {
  if (this != &iOther) {
    Fields::Drop(fields_);
    fields_ = iOther.fields_;
    iOther.fields_ = nullptr;
  }
  return *this;
}

ZynPLMID::~ZynPLMID() { Fields::Drop(fields_); }

namespace {

/// Room for the texts of ordinary identifiers; longer ones are built on the heap.
constexpr std::size_t kStackTextBytes = 256;

/// Writes the uppercase hexadecimal of iBytes and a terminator into oText, which has room for
/// 2 x size + 1 bytes.
void WriteHexa(const std::vector<std::uint8_t>& iBytes, char* oText) {
  const std::size_t size = 2 * iBytes.size() + 1;
  if (iBytes.empty()) {
    *oText = '\0';
    return;
  }
  std::memset(oText, 0, size);
  ZynDbCharToHexa(iBytes.data(), static_cast<int>(iBytes.size()), oText, static_cast<int>(size));
}

/// Appends iLength bytes at ioAt.
void Put(char*& ioAt, const char* iText, std::size_t iLength) {
  std::memcpy(ioAt, iText, iLength);
  ioAt += iLength;
}

}  // namespace

std::string ZynPLMID::PhysicalHexa() const {
  if (!fields_ || fields_->physical.empty()) return std::string();
  std::string hexa(2 * fields_->physical.size() + 1, '\0');
  WriteHexa(fields_->physical, &hexa[0]);
  hexa.pop_back();
  return hexa;
}

std::string ZynPLMID::Text() const {
  if (!fields_) return "PLMID null\n";
  return "PLMID physical:" + PhysicalHexa() + " logical:" + fields_->logical +
         " major:" + fields_->major + "\n";
}

template <class Use>
void ZynPLMID::UseText(Use&& iUse) const {
  static constexpr char kNull[] = "PLMID null\n";
  static constexpr char kPhysical[] = "PLMID physical:";
  static constexpr char kLogical[] = " logical:";
  static constexpr char kMajor[] = " major:";
  if (!fields_) return iUse(kNull, sizeof kNull - 1);
  const std::vector<std::uint8_t>& physical = fields_->physical;
  const std::string& logical = fields_->logical;
  const std::string& major = fields_->major;
  const std::size_t hexaSize = 2 * physical.size();
  const std::size_t length = sizeof kPhysical - 1 + hexaSize + sizeof kLogical - 1 +
                             logical.size() + sizeof kMajor - 1 + major.size() + 1;
  if (length >= kStackTextBytes) {
    const std::string text = Text();
    return iUse(text.c_str(), text.size());
  }
  char text[kStackTextBytes];
  char* at = text;
  Put(at, kPhysical, sizeof kPhysical - 1);
  WriteHexa(physical, at);
  at += hexaSize;
  Put(at, kLogical, sizeof kLogical - 1);
  Put(at, logical.data(), logical.size());
  Put(at, kMajor, sizeof kMajor - 1);
  Put(at, major.data(), major.size());
  Put(at, "\n", 2);  // the line end and the terminator
  iUse(static_cast<const char*>(text), length);
}

HRESULT ZynPLMID::Dump(ZynTrace& iTrace) const {
  // The write on the trace is this dump's own, not its caller's call on the trace.
  const ZynObservedCall dumpOfIdentifier;
  UseText([&](const char* iText, std::size_t) { iTrace.TraPut(2, iText); });
  return S_OK;
}

HRESULT ZynPLMID::Dump(std::ostream& iStream) const {
  // Flushed like every other line written on standard output, so that nothing is held back.
  UseText([&](const char* iText, std::size_t iLength) {
    iStream.write(iText, static_cast<std::streamsize>(iLength));
  });
  iStream << std::flush;
  return S_OK;
}

HRESULT ZynPLMID::GetUnicodeDump(ZynUnicodeString& oText) const {
  UseText([&](const char* iText, std::size_t iLength) {
    oText = ZynUnicodeString(iText, static_cast<int>(iLength));
  });
  return S_OK;
}

HRESULT ZynDCIMpgServicesForTests::GetPLMPhysicalIdDump(const ZynPLMID& iId,
                                                        ZynUnicodeString& oText) {
  if (!iId.fields_) {
    oText = ZynUnicodeString();
    return S_OK;
  }
  const std::size_t length = 2 * iId.fields_->physical.size();
  if (length >= kStackTextBytes) {
    oText = iId.PhysicalHexa().c_str();
    return S_OK;
  }
  char hexa[kStackTextBytes];
  WriteHexa(iId.fields_->physical, hexa);
  oText = ZynUnicodeString(hexa, static_cast<int>(length));
  return S_OK;
}

HRESULT ZynPLMCEStamp::Stream(const ZynPLMCEStamp& iStamp, ZynUnicodeString& oText) {
  const std::string_view text = iStamp.Text();
  oText = iStamp.valid_ ? ZynUnicodeString(text.data(), static_cast<int>(text.size()))
                        : ZynUnicodeString();
  return S_OK;
}

ZynPLMCEStamp ZynPLMCEStampServices::CreateInvalidCEStamp() { return ZynPLMCEStamp(); }
