// The first reading of each dump compared, and the second reading of the rows that differ.
#include "compare/DiffSides.h"

namespace zyn::reader {

namespace {

/// "name:line:column", the column left out when 0, the line too for a fault of the whole input.
std::string Place(const std::string& iName, std::uint64_t iLine, std::uint32_t iColumn) {
  if (!iLine) return iName;
  std::string place = iName + ":" + std::to_string(iLine);
  if (iColumn) place += ":" + std::to_string(iColumn);
  return place;
}

/// Keeps the digest and key of each DMT row and a copy of every other node.
class SideCollector : public DumpVisitor {
 public:
  SideCollector(DiffSideRecord& ioRecord, LocatingSource& ioSource, const ReadOptions& iOptions)
      : record_(ioRecord), source_(ioSource), options_(iOptions) {}

  void OnForm(Form iForm, std::uint64_t) override { record_.side.form = iForm; }
  void OnManagerHeader(const ManagerHeader& iHeader) override {
    record_.manager = iHeader;
    record_.manager->text.clear();
    source_.ForgetBefore(iHeader.span.lastLine);
  }
  void OnDmtRow(const DmtRow& iRow) override;
  void OnManagerTrailer(const ManagerTrailer& iTrailer) override {
    record_.trailer = iTrailer;
    record_.trailer->text.clear();
    source_.ForgetBefore(iTrailer.span.lastLine);
  }
  void OnEnvironment(const Environment& iEnvironment) override {
    record_.environments.push_back(iEnvironment);
    record_.environments.back().text.clear();
    source_.ForgetBefore(iEnvironment.span.lastLine);
  }
  void OnRmtRow(const RmtRow& iRow) override {
    record_.loneRmtRows.push_back(iRow);
    record_.loneRmtRows.back().text.clear();
    source_.ForgetBefore(iRow.span.lastLine);
  }
  void OnComponent(const Component& iComponent) override {
    record_.loneComponents.push_back(iComponent);
    source_.ForgetBefore(iComponent.span.lastLine);
  }
  // A line kept raw may lie inside a row not yet reported: the lines before it stay known.
  void OnRaw(const RawLine&) override { ++record_.rawLines; }
  bool OnProblem(const Problem& iProblem) override {
    if (iProblem.severity != Severity::Error || options_.lenient) return true;
    if (record_.trouble.empty())
      record_.trouble =
          Place(record_.side.name, iProblem.line, iProblem.column) + ": " + iProblem.message;
    return false;
  }

 private:
  DiffSideRecord& record_;
  LocatingSource& source_;
  const ReadOptions& options_;
  RowDigester digester_;
  std::vector<RowKey> keys_;  // of the RMT rows of the current row, reused
};

void SideCollector::OnDmtRow(const DmtRow& iRow) {
  RowEntry entry;
  entry.range = source_.Locate(iRow.span);
  entry.line = iRow.span.firstLine;
  entry.hasOrdinal = iRow.header.ordinal.has_value();
  entry.ordinal = iRow.header.ordinal.value_or(0);
  entry.uuidValid = iRow.header.uuid.has_value();
  if (iRow.header.uuid) {
    entry.uuidOffset = record_.uuids.size();
    entry.uuidLength = static_cast<std::uint32_t>(iRow.header.uuid->size());
    record_.uuids += *iRow.header.uuid;
  }
  const auto index = static_cast<std::uint32_t>(record_.rows.size());
  record_.AddRow(entry, digester_.Digest(iRow));
  keys_.clear();
  for (std::size_t i = 0; i < iRow.rmtRows.size(); ++i)
    keys_.push_back(zyn::reader::KeyOf(iRow.rmtRows[i].header, i + 1));
  const std::vector<Fallback> fallbacks = FallbacksWithin(keys_);
  for (std::size_t i = 0; i < fallbacks.size(); ++i)
    if (fallbacks[i] != Fallback::None)
      record_.rmtFallbacks.push_back(
          {index, RowPathKey(iRow.rmtRows[i].header, fallbacks[i], i + 1), fallbacks[i]});
}

/// Keeps the first DMT row read.
class FirstRow : public DumpVisitor {
 public:
  explicit FirstRow(DmtRow* oRow) : row_(oRow) {}
  void OnDmtRow(const DmtRow& iRow) override {
    if (!found) *row_ = iRow;
    found = true;
  }
  /// The row reads on past its problems, as it did the first time (in lenient reading).
  bool OnProblem(const Problem&) override { return true; }
  bool found = false;

 private:
  DmtRow* row_;
};

void ShiftSpan(SourceSpan& ioSpan, std::int64_t iBy) {
  ioSpan.firstLine += iBy;
  ioSpan.lastLine += iBy;
}

void ShiftComponent(std::optional<Component>& ioComponent, std::int64_t iBy) {
  if (ioComponent) ShiftSpan(ioComponent->span, iBy);
}

/// Moves the lines of a row read on its own to where it stands in its dump.
void ShiftLines(DmtRow& ioRow, std::int64_t iBy) {
  ShiftSpan(ioRow.span, iBy);
  if (ioRow.closing) ioRow.closing->line += iBy;
  ShiftComponent(ioRow.nonM1Component.component, iBy);
  ShiftComponent(ioRow.m1Component.component, iBy);
  for (RmtRow& rmt : ioRow.rmtRows) {
    ShiftSpan(rmt.span, iBy);
    if (rmt.closing) rmt.closing->line += iBy;
    for (ComponentPlace* place : {&rmt.owner, &rmt.ref, &rmt.pointed, &rmt.nonM1Component})
      ShiftComponent(place->component, iBy);
    for (Component& component : rmt.m1Components) ShiftSpan(component.span, iBy);
  }
}

bool SameDigest(const RowDigest& iA, const RowDigest& iB) {
  return iA.common == iB.common && iA.formDependentCount == iB.formDependentCount &&
         iA.formDependent == iB.formDependent;
}

}  // namespace

void DiffSideRecord::AddRow(RowEntry iEntry, const RowDigest& iDigest) {
  iEntry.commonHash = iDigest.common;
  iEntry.formDependentFirst = formDependent.size();
  for (int kind = 0; kind < kFormDependentKindCount; ++kind) {
    if (!iDigest.formDependentCount[kind]) continue;
    iEntry.formDependentKinds |= static_cast<std::uint8_t>(1u << kind);
    formDependent.push_back({iDigest.formDependent[kind], iDigest.formDependentCount[kind]});
  }
  rows.push_back(iEntry);
}

RowDigest DiffSideRecord::DigestOf(std::size_t iRow) const {
  const RowEntry& entry = rows[iRow];
  RowDigest digest;
  digest.common = entry.commonHash;
  std::uint64_t next = entry.formDependentFirst;
  for (int kind = 0; kind < kFormDependentKindCount; ++kind) {
    if (!(entry.formDependentKinds & (1u << kind))) continue;
    digest.formDependent[kind] = formDependent[next].hash;
    digest.formDependentCount[kind] = formDependent[next].count;
    ++next;
  }
  return digest;
}

RowKey DiffSideRecord::KeyOf(std::size_t iRow) const {
  const RowEntry& entry = rows[iRow];
  RowKey key;
  if (entry.uuidValid)
    key.uuid = std::string_view(uuids).substr(entry.uuidOffset, entry.uuidLength);
  if (entry.hasOrdinal) key.ordinal = entry.ordinal;
  key.position = iRow + 1;
  return key;
}

RowHeader DiffSideRecord::HeaderOf(std::size_t iRow) const {
  const RowEntry& entry = rows[iRow];
  RowHeader header;
  if (entry.uuidValid) header.uuid = uuids.substr(entry.uuidOffset, entry.uuidLength);
  if (entry.hasOrdinal) header.ordinal = entry.ordinal;
  return header;
}

DiffSideRecord ReadDiffSide(const std::string& iName, LocatingSource& ioSource,
                            const ReadOptions& iOptions) {
  DiffSideRecord record;
  record.side.name = iName;
  ReadOptions options = iOptions;
  options.keepText = false;
  SideCollector collector(record, ioSource, options);
  WholenessChecker checker([](const Finding&) {}, &collector, iOptions.lenient);
  record.outcome = ReadDump(ioSource, options, checker);
  record.verdict = checker.Finish(record.outcome);
  record.side.form = record.outcome.form;
  record.side.dmtRows = record.rows.size();
  record.side.lines = record.outcome.lines;
  record.side.bytes = record.outcome.bytes;
  if (!record.outcome.readFailure.empty()) {
    record.trouble = iName + ": read error: " + record.outcome.readFailure;
  } else if (record.verdict.kind == Verdict::Kind::CannotTell) {
    record.trouble =
        iName + ": cannot tell whether the dump is whole: " + record.verdict.cannotTell;
  } else if (record.verdict.kind == Verdict::Kind::NotWhole && !iOptions.lenient) {
    if (record.trouble.empty())
      record.trouble = Place(iName, record.verdict.firstFault.line, 0) + ": " +
                       record.verdict.firstFault.message;
    record.trouble += " (not whole: --lenient reads it anyway)";
  }
  return record;
}

bool ReadRowAgain(const DiffSideRecord& iSide, const LocatingSource& iSource, std::size_t iRow,
                  const ReadOptions& iOptions, DmtRow* oRow, std::string* oTrouble) {
  const RowEntry& iEntry = iSide.rows[iRow];
  std::string bytes, error;
  const std::string place = Place(iSide.side.name, iEntry.line, 0);
  if (!iSource.ReadAgain(iEntry.range, &bytes, &error)) {
    *oTrouble = place + ": cannot read the row again: " + error;
    return false;
  }
  ReadOptions options = iOptions;
  options.form = iSide.side.form;
  options.keepText = false;
  MemorySource source(bytes);
  FirstRow first(oRow);
  ReadDump(source, options, first);
  if (first.found) ShiftLines(*oRow, static_cast<std::int64_t>(iEntry.line - oRow->span.firstLine));
  RowDigester digester;
  if (!first.found || !SameDigest(digester.Digest(*oRow), iSide.DigestOf(iRow))) {
    *oTrouble = place + ": the row reads differently the second time (has the file changed?)";
    return false;
  }
  return true;
}

}  // namespace zyn::reader
