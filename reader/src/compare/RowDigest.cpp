// Row digests: each field written in a canonical form into the buffer of its kind, the buffers
// hashed when the row is done.
#include "compare/RowDigest.h"

#include <cstring>

namespace zyn::reader {

namespace {

constexpr std::uint64_t kStep = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kSpread = 0xC2B2AE3D27D4EB4Full;

std::uint64_t Rotate(std::uint64_t iValue, int iBits) {
  return (iValue << iBits) | (iValue >> (64 - iBits));
}

/// Spreads every bit of iValue over the whole word.
std::uint64_t Avalanche(std::uint64_t iValue) {
  iValue ^= iValue >> 33;
  iValue *= 0xFF51AFD7ED558CCDull;
  iValue ^= iValue >> 33;
  iValue *= 0xC4CEB9FE1A85EC53ull;
  iValue ^= iValue >> 33;
  return iValue;
}

/// Octet sequences of this many hexadecimal characters or more may be left out by one form;
/// shorter ones are written by both and are compared like any value.
constexpr std::size_t kLongHexadecimal = 1000;

/// Appends a field's key and value in their canonical form: "F", the key and a NUL, the value's
/// type as a digit, then its length (four bytes) and bytes for a text or a word, its eight bytes
/// for an integer, "y" or "n" for a yes/no. Written into room claimed once.
void AppendField(const Field& iField, ByteBuffer& ioBuffer) {
  const FieldValue& value = iField.value;
  const bool text = value.type == FieldValue::Type::Text || value.type == FieldValue::Type::Word;
  char* out = ioBuffer.Claim(iField.key.size() + 3 + sizeof(std::uint32_t) + 8 + value.text.size());
  *out++ = 'F';
  if (!iField.key.empty()) std::memcpy(out, iField.key.data(), iField.key.size());
  out += iField.key.size();
  *out++ = '\0';
  *out++ = static_cast<char>('0' + static_cast<int>(value.type));
  if (text) {
    const auto length = static_cast<std::uint32_t>(value.text.size());
    std::memcpy(out, &length, sizeof length);
    out += sizeof length;
    ioBuffer.Commit(out);
    ioBuffer.Append(value.text);
    return;
  }
  if (value.type == FieldValue::Type::Integer) {
    std::memcpy(out, &value.integer, sizeof value.integer);
    out += sizeof value.integer;
  } else {
    *out++ = value.boolean ? 'y' : 'n';
  }
  ioBuffer.Commit(out);
}

}  // namespace

std::uint64_t Hash64(std::string_view iBytes) {
  std::uint64_t hash = kSpread ^ (iBytes.size() * kStep);
  const char* next = iBytes.data();
  std::size_t left = iBytes.size();
  for (; left >= 8; left -= 8, next += 8) {
    std::uint64_t word;
    std::memcpy(&word, next, sizeof word);
    hash = Rotate(hash ^ (word * kStep), 29) * kSpread;
  }
  std::uint64_t tail = 0;
  if (left) std::memcpy(&tail, next, left);
  hash = Rotate(hash ^ (tail * kStep), 29) * kSpread;
  return Avalanche(hash);
}

bool MayDiffer(const RowDigest& iA, const RowDigest& iB) {
  if (iA.common != iB.common) return true;
  for (int kind = 0; kind < kFormDependentKindCount; ++kind)
    if (iA.formDependentCount[kind] && iB.formDependentCount[kind] &&
        iA.formDependent[kind] != iB.formDependent[kind])
      return true;
  return false;
}

std::uint64_t NotComparedFields(const RowDigest& iA, const RowDigest& iB) {
  std::uint64_t count = 0;
  for (int kind = 0; kind < kFormDependentKindCount; ++kind)
    if (!iA.formDependentCount[kind] || !iB.formDependentCount[kind])
      count += iA.formDependentCount[kind] + iB.formDependentCount[kind];
  return count;
}

/// Writes the fields of a row into the digester's buffers: the compared ones, with the groups
/// around them, into the common buffer; each form-dependent one, with its whole path, into the
/// buffer of its kind.
class RowDigester::Canonical : public FieldVisitor {
 public:
  explicit Canonical(RowDigester& ioOwner) : owner_(ioOwner) {}

  void Enter(std::string_view iKey, std::string_view, std::uint64_t) override {
    owner_.common_.Push('E');
    owner_.common_.Append(iKey);
    owner_.common_.Push('\0');
    stack_.push_back(owner_.path_.size());
    owner_.path_.push_back('.');
    owner_.path_.append(iKey);
  }
  void Leave() override {
    owner_.common_.Push('L');
    owner_.path_.resize(stack_.back());
    stack_.pop_back();
  }
  void OnField(const Field& iField) override {
    if (iField.role == FieldRole::Position || iField.role == FieldRole::Circumstance) return;
    const bool common = iField.role == FieldRole::Value ||
                        (iField.formDependentKind == FormDependentKind::OctetHexadecimal &&
                         iField.value.text.size() < kLongHexadecimal);
    ByteBuffer* buffer = &owner_.common_;
    if (!common) {
      const int kind = static_cast<int>(iField.formDependentKind);
      ++owner_.counts_[kind];
      buffer = &owner_.formDependent_[kind];
      buffer->Append(owner_.path_);
    }
    AppendField(iField, *buffer);
  }

 private:
  RowDigester& owner_;
  std::vector<std::size_t> stack_;
};

RowDigest RowDigester::Digest(const DmtRow& iRow) {
  common_.Clear();
  for (ByteBuffer& buffer : formDependent_) buffer.Clear();
  path_.clear();
  counts_.fill(0);
  Canonical canonical(*this);
  VisitDmtRowFields(iRow, canonical);
  for (std::size_t i = 0; i < iRow.rmtRows.size(); ++i) {
    common_.Push('R');
    path_ = "rmt#" + std::to_string(i + 1);
    VisitRmtRowFields(iRow.rmtRows[i], canonical);
  }
  RowDigest digest;
  digest.common = Hash64(common_.View());
  digest.formDependentCount = counts_;
  for (int kind = 0; kind < kFormDependentKindCount; ++kind)
    if (counts_[kind]) digest.formDependent[kind] = Hash64(formDependent_[kind].View());
  return digest;
}

}  // namespace zyn::reader
