// Field-by-field comparison: each node's fields flattened to paths, then merged by path; and
// the comparison of two matched rows with their RMT rows.
#include "compare/FieldDiff.h"

#include <iterator>
#include <unordered_map>

#include "compare/RowMatching.h"
#include "tree/EnumTable.h"

namespace zyn::reader {

namespace {

struct FlatField {
  std::string path;
  std::string_view label;
  ReportedValue value;
  std::uint64_t line = 0;
  FieldRole role = FieldRole::Value;
};

/// Collects the fields of a node with their paths.
class Flattener : public FieldVisitor {
 public:
  explicit Flattener(std::vector<FlatField>& oFields) : fields_(oFields) {}
  void Enter(std::string_view iKey, std::string_view, std::uint64_t) override {
    stack_.push_back(prefix_.size());
    prefix_.append(iKey);
    prefix_.push_back('.');
  }
  void Leave() override {
    prefix_.resize(stack_.back());
    stack_.pop_back();
  }
  void OnField(const Field& iField) override {
    fields_.push_back(FlatField{prefix_ + std::string(iField.key), iField.label,
                                ReportedValue::Of(iField.value), iField.line, iField.role});
  }

 private:
  std::vector<FlatField>& fields_;
  std::string prefix_;
  std::vector<std::size_t> stack_;
};

std::vector<FlatField> Flatten(const FieldWalk& iWalk) {
  std::vector<FlatField> fields;
  Flattener flattener(fields);
  iWalk(flattener);
  return fields;
}

/// Whether a field held by one side only counts as a difference.
bool CountsWhenOneSided(FieldRole iRole) { return iRole == FieldRole::Value; }
bool CountsWhenBoth(FieldRole iRole) {
  return iRole == FieldRole::Value || iRole == FieldRole::FormDependent;
}

/// What reports call each fallback, by name and in words.
struct FallbackWords {
  std::string_view name;
  std::string_view description;
};
constexpr FallbackWords kFallbackWords[] = {
    {"none", "matched by uuid"},
    {"invalidUuid", "its uuid is invalid"},
    {"noUuid", "no uuid was written"},
    {"repeatedUuid", "its uuid is held by more than one row"},
};
static_assert(std::size(kFallbackWords) == EnumCount(Fallback::RepeatedUuid));

constexpr std::string_view kStatusNames[] = {"onlyInA", "onlyInB", "changed"};
static_assert(std::size(kStatusNames) == EnumCount(NodeDifference::Status::Changed));

}  // namespace

std::string_view FallbackName(Fallback iFallback) {
  return EntryFor(kFallbackWords, iFallback).name;
}

std::string_view FallbackDescription(Fallback iFallback) {
  return EntryFor(kFallbackWords, iFallback).description;
}

std::string_view StatusName(NodeDifference::Status iStatus) {
  return EntryFor(kStatusNames, iStatus);
}

ReportedValue ReportedValue::Of(const FieldValue& iValue) {
  ReportedValue value;
  value.present = true;
  value.type = iValue.type;
  value.text = std::string(iValue.text);
  value.integer = iValue.integer;
  value.boolean = iValue.boolean;
  return value;
}

bool operator==(const ReportedValue& iLeft, const ReportedValue& iRight) {
  return iLeft.present == iRight.present && iLeft.type == iRight.type &&
         iLeft.text == iRight.text && iLeft.integer == iRight.integer &&
         iLeft.boolean == iRight.boolean;
}

std::vector<FieldChange> CompareFields(const FieldWalk& iWalkA, const FieldWalk& iWalkB,
                                       const std::string& iPrefix,
                                       std::vector<NotComparedField>* oNotCompared) {
  const std::vector<FlatField> a = Flatten(iWalkA), b = Flatten(iWalkB);
  std::unordered_map<std::string_view, std::size_t> indexOfB;
  for (std::size_t i = 0; i < b.size(); ++i) indexOfB.emplace(b[i].path, i);
  std::vector<bool> seenInB(b.size());
  std::vector<FieldChange> changes;
  auto change = [&](const FlatField* iA, const FlatField* iB) {
    const FlatField& any = iA ? *iA : *iB;
    FieldChange field{iPrefix + "." + any.path, any.label, {}, {}, 0, 0};
    if (iA) field.a = iA->value, field.lineA = iA->line;
    if (iB) field.b = iB->value, field.lineB = iB->line;
    changes.push_back(std::move(field));
  };
  auto oneSided = [&](const FlatField& iField, bool iHeldByA) {
    if (CountsWhenOneSided(iField.role))
      change(iHeldByA ? &iField : nullptr, iHeldByA ? nullptr : &iField);
    else if (iField.role == FieldRole::FormDependent)
      oNotCompared->push_back({iPrefix + "." + iField.path, iField.label, iHeldByA, iField.line});
  };
  for (const FlatField& field : a) {
    const auto found = indexOfB.find(field.path);
    if (found == indexOfB.end()) {
      oneSided(field, true);
      continue;
    }
    const FlatField& other = b[found->second];
    seenInB[found->second] = true;
    if (CountsWhenBoth(field.role) && !(field.value == other.value)) change(&field, &other);
  }
  for (std::size_t i = 0; i < b.size(); ++i)
    if (!seenInB[i]) oneSided(b[i], false);
  return changes;
}

NodePlace PlaceOf(const RowHeader& iHeader, const SourceSpan& iSpan, std::uint64_t iPosition) {
  return NodePlace{iHeader.uuid, iHeader.ordinal, iSpan.firstLine, iPosition};
}

std::string RowPathKey(const RowHeader& iHeader, Fallback iFallback, std::uint64_t iPosition) {
  if (iFallback == Fallback::None && iHeader.uuid) return "[" + *iHeader.uuid + "]";
  if (iHeader.ordinal) return "[#" + std::to_string(*iHeader.ordinal) + "]";
  return "[@" + std::to_string(iPosition) + "]";
}

std::vector<std::string> RmtRowPathNames(const DmtRow& iRow) {
  std::vector<RowKey> keys;
  for (std::size_t i = 0; i < iRow.rmtRows.size(); ++i)
    keys.push_back(KeyOf(iRow.rmtRows[i].header, i + 1));
  const std::vector<Fallback> fallbacks = FallbacksWithin(keys);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < iRow.rmtRows.size(); ++i)
    names.push_back("rmt" + RowPathKey(iRow.rmtRows[i].header, fallbacks[i], i + 1));
  return names;
}

NodeDifference CompareRmtRows(const RmtRow& iA, const RmtRow& iB, const std::string& iPath) {
  NodeDifference difference;
  difference.path = iPath;
  difference.a = PlaceOf(iA.header, iA.span, 0);
  difference.b = PlaceOf(iB.header, iB.span, 0);
  difference.changes =
      CompareFields([&](FieldVisitor& ioVisitor) { VisitRmtRowFields(iA, ioVisitor); },
                    [&](FieldVisitor& ioVisitor) { VisitRmtRowFields(iB, ioVisitor); }, iPath,
                    &difference.notCompared);
  return difference;
}

NodeDifference CompareDmtRows(const DmtRow& iA, const DmtRow& iB, const std::string& iPath,
                              std::vector<FallbackNote>* oFallbacks) {
  NodeDifference difference;
  difference.path = iPath;
  difference.a = PlaceOf(iA.header, iA.span, 0);
  difference.b = PlaceOf(iB.header, iB.span, 0);
  difference.changes =
      CompareFields([&](FieldVisitor& ioVisitor) { VisitDmtRowFields(iA, ioVisitor); },
                    [&](FieldVisitor& ioVisitor) { VisitDmtRowFields(iB, ioVisitor); }, iPath,
                    &difference.notCompared);
  std::vector<RowKey> keysA, keysB;
  for (std::size_t i = 0; i < iA.rmtRows.size(); ++i)
    keysA.push_back(KeyOf(iA.rmtRows[i].header, i + 1));
  for (std::size_t i = 0; i < iB.rmtRows.size(); ++i)
    keysB.push_back(KeyOf(iB.rmtRows[i].header, i + 1));
  const RowMatching matching = MatchRows(keysA, keysB);
  auto pathOf = [&](const RmtRow& iRow, Fallback iFallback, std::size_t iIndex) {
    std::string path = iPath + ".rmt" + RowPathKey(iRow.header, iFallback, iIndex + 1);
    if (oFallbacks && iFallback != Fallback::None) oFallbacks->push_back({path, iFallback});
    return path;
  };
  for (std::size_t i = 0; i < iA.rmtRows.size(); ++i) {
    const RmtRow& row = iA.rmtRows[i];
    const std::string path = pathOf(row, matching.fallbackOfA[i], i);
    const std::uint32_t partner = matching.partnerOfA[i];
    NodeDifference rmt;
    if (partner != kUnmatched) {
      rmt = CompareRmtRows(row, iB.rmtRows[partner], path);
      rmt.a->position = i + 1;
      rmt.b->position = partner + 1;
      for (NotComparedField& field : rmt.notCompared)
        difference.notCompared.push_back(std::move(field));
      rmt.notCompared.clear();
      if (rmt.Empty()) continue;
    } else {
      rmt.status = NodeDifference::Status::OnlyInA;
      rmt.path = path;
      rmt.a = PlaceOf(row.header, row.span, i + 1);
    }
    rmt.fallback = matching.fallbackOfA[i];
    difference.rmtRows.push_back(std::move(rmt));
  }
  for (std::size_t i = 0; i < iB.rmtRows.size(); ++i) {
    if (matching.partnerOfB[i] != kUnmatched) continue;
    const RmtRow& row = iB.rmtRows[i];
    NodeDifference rmt;
    rmt.status = NodeDifference::Status::OnlyInB;
    rmt.path = pathOf(row, matching.fallbackOfB[i], i);
    rmt.fallback = matching.fallbackOfB[i];
    rmt.b = PlaceOf(row.header, row.span, i + 1);
    difference.rmtRows.push_back(std::move(rmt));
  }
  return difference;
}

}  // namespace zyn::reader
