// The comparison's rules on rows built in code: which changes count, that the digests never
// hide one that does, and how rows are matched when their uuids cannot be used.
#include <gtest/gtest.h>

#include <functional>

#include "reader/src/compare/RowDigest.h"
#include "reader/src/compare/RowMatching.h"
#include "zyn/reader/DiffFilter.h"
#include "zyn/reader/DumpDiff.h"

namespace zyn::reader {
namespace {

Component MakeComponent(NodeKind iKind, ComponentFields iFields, std::uint64_t iLine) {
  Component component;
  component.kind = iKind;
  component.fields = std::move(iFields);
  component.span = {iLine, iLine + 2, 1};
  return component;
}

ComponentPlace Dumped(Component iComponent) {
  return ComponentPlace{ComponentPresence::Dumped, std::move(iComponent)};
}

RmtRow MakeRmtRow(std::int32_t iOrdinal, std::string iUuid, std::uint64_t iLine) {
  RmtRow row;
  row.span = {iLine, iLine + 20, 1};
  row.header.ordinal = iOrdinal;
  row.header.uuid = std::move(iUuid);
  RmtFileBasedFields link;
  link.px1IdHashKey = 77;
  link.px1IdValue = OctetValue{std::string("4C31"), std::nullopt, std::nullopt, "L1"};
  link.linkSequenceLength = 600;
  link.linkSequenceValue =
      OctetValue{std::string(1200, 'A'), std::nullopt, std::nullopt, std::string(600, '\xaa')};
  link.alias = "alias";
  row.ref = Dumped(MakeComponent(NodeKind::RmtFileBasedComponent, link, iLine + 2));
  PellFields pell;
  pell.fullForm = true;
  pell.plmidText = "PLMID physical:09B4 logical:BOLT major:A";
  pell.ceStamp = "stamp";
  row.m1Components.push_back(MakeComponent(NodeKind::PellComponent, pell, iLine + 8));
  row.announcedM1ComponentCount = 1;
  row.closing = RowClosing{iLine + 20, iOrdinal, row.header.uuid};
  return row;
}

/// A DMT row with an Orv component, a file-based one and two RMT rows, as standard output
/// writes it (every form-dependent value present).
DmtRow MakeRow() {
  DmtRow row;
  row.span = {5, 60, 1};
  row.header.ordinal = 1;
  row.header.uuid = "3f2a";
  row.mappingMaster = "M1";
  row.modificationState = 2;
  OrvFields orv;
  orv.identity = OrvIdentity{std::string("PLMID physical:8E31"), 17, std::string("ws"), 40, {}};
  row.nonM1Component = Dumped(MakeComponent(NodeKind::OrvComponent, orv, 8));
  FileBasedFields file;
  file.name = "pump.part";
  file.details = FileSaveDetails{"/vault/pump.part", "pump.part", "", "/vault"};
  row.m1Component = Dumped(MakeComponent(NodeKind::FileBasedComponent, file, 14));
  row.announcedRmtRowCount = 2;
  row.rmtRows = {MakeRmtRow(1, "5e9b", 18), MakeRmtRow(2, "a1d6", 39)};
  row.closing = RowClosing{60, 1, row.header.uuid};
  return row;
}

OrvIdentity& Identity(DmtRow& ioRow) {
  return *std::get<OrvFields>(ioRow.nonM1Component.component->fields).identity;
}
RmtFileBasedFields& Link(RmtRow& ioRow) {
  return std::get<RmtFileBasedFields>(ioRow.ref.component->fields);
}
PellFields& Pell(RmtRow& ioRow) { return std::get<PellFields>(ioRow.m1Components[0].fields); }

struct Mutation {
  const char* what;
  std::function<void(DmtRow&)> apply;
  bool counts;  // whether the comparison reports it
};

TEST(DiffRules, ChangesCountByRoleAndDigestsNeverHideOne) {
  const Mutation mutations[] = {
      // How one form writes the table (throughout the dump): never a difference, and the
      // digests agree.
      {"Orv model PLMID left out", [](DmtRow& r) { Identity(r).modelPlmidText.reset(); }, false},
      {"Pell PLMID left out",
       [](DmtRow& r) {
         for (RmtRow& rmt : r.rmtRows) Pell(rmt).plmidText.reset();
       },
       false},
      {"long hexadecimal replaced by the notice",
       [](DmtRow& r) {
         for (RmtRow& rmt : r.rmtRows) {
           Link(rmt).linkSequenceValue->hexadecimal.reset();
           Link(rmt).linkSequenceValue->tooLongNoticeSize = 1201;
         }
       },
       false},
      {"ordinals moved",
       [](DmtRow& r) {
         r.header.ordinal = 9;
         r.rmtRows[0].header.ordinal = 5;
       },
       false},
      {"named trace heading",
       [](DmtRow& r) { Pell(r.rmtRows[0]).exposedIdentifierAnnounced = true; }, false},
      {"lines", [](DmtRow& r) { r.m1Component.component->span.firstLine = 99; }, false},
      // What the table holds.
      {"Pell PLMID held by both, changed",
       [](DmtRow& r) { Pell(r.rmtRows[1]).plmidText = "PLMID physical:FFFF"; }, true},
      {"short hexadecimal changed",
       [](DmtRow& r) { Link(r.rmtRows[0]).px1IdValue->hexadecimal = "4C32"; }, true},
      {"long hexadecimal changed",
       [](DmtRow& r) { Link(r.rmtRows[0]).linkSequenceValue->hexadecimal->back() = 'B'; }, true},
      {"mapping master", [](DmtRow& r) { r.mappingMaster = "NonM1"; }, true},
      {"last-save details left out (another level)",
       [](DmtRow& r) {
         std::get<FileBasedFields>(r.m1Component.component->fields).details.reset();
       },
       true},
      {"component kind",
       [](DmtRow& r) {
         r.m1Component = ComponentPlace{ComponentPresence::Absent, {}};
       },
       true},
      {"RMT row removed", [](DmtRow& r) { r.rmtRows.pop_back(); }, true},
      {"workspace id absent", [](DmtRow& r) { Identity(r).workspaceId.reset(); }, true},
  };
  const DmtRow base = MakeRow();
  RowDigester digester;
  const RowDigest baseDigest = digester.Digest(base);
  for (const Mutation& mutation : mutations) {
    DmtRow changed = base;
    mutation.apply(changed);
    const NodeDifference difference = CompareDmtRows(base, changed, "dmt[3f2a]");
    const RowDigest changedDigest = digester.Digest(changed);
    EXPECT_EQ(!difference.Empty(), mutation.counts) << mutation.what;
    EXPECT_EQ(MayDiffer(baseDigest, changedDigest), mutation.counts)
        << mutation.what << ": the digests disagree";
    // Rows that are not read again get their count of fields not compared from the digests.
    if (!mutation.counts) {
      EXPECT_EQ(NotComparedFields(baseDigest, changedDigest), difference.notCompared.size())
          << mutation.what;
    }
    // The rule is the same whichever side holds the value.
    EXPECT_EQ(!CompareDmtRows(changed, base, "dmt[3f2a]").Empty(), mutation.counts)
        << mutation.what;
  }
}

TEST(DiffRules, FieldsOneFormLeavesOutAreNamedAndCountedNotCompared) {
  const DmtRow base = MakeRow();
  DmtRow trace = base;
  Identity(trace).modelPlmidText.reset();
  for (RmtRow& rmt : trace.rmtRows) {
    Pell(rmt).plmidText.reset();
    Link(rmt).linkSequenceValue->hexadecimal.reset();
    Link(rmt).linkSequenceValue->tooLongNoticeSize = 1201;
  }
  const NodeDifference difference = CompareDmtRows(base, trace, "dmt[3f2a]");
  EXPECT_TRUE(difference.Empty());
  std::vector<std::string> named;
  for (const NotComparedField& field : difference.notCompared)
    named.push_back(field.path + (field.heldByA ? " A" : " B"));
  // The row's model PLMID; in each RMT row, the long sequence's hexadecimal text, the PLMID
  // (held by A), then the notice (held by B).
  const std::vector<std::string> expected = {
      "dmt[3f2a].nonM1Component.modelPlmidText A",
      "dmt[3f2a].rmt[5e9b].ref.linkSequenceValue.hexadecimal A",
      "dmt[3f2a].rmt[5e9b].m1Components[1].plmidText A",
      "dmt[3f2a].rmt[5e9b].ref.linkSequenceValue.tooLongNoticeSize B",
      "dmt[3f2a].rmt[a1d6].ref.linkSequenceValue.hexadecimal A",
      "dmt[3f2a].rmt[a1d6].m1Components[1].plmidText A",
      "dmt[3f2a].rmt[a1d6].ref.linkSequenceValue.tooLongNoticeSize B"};
  EXPECT_EQ(named, expected);
  RowDigester digester;
  const RowDigest baseDigest = digester.Digest(base);
  EXPECT_EQ(NotComparedFields(baseDigest, digester.Digest(trace)), expected.size());
}

TEST(DiffRules, ReorderedRmtRowsAreMatchedByUuidAndEqual) {
  const DmtRow base = MakeRow();
  DmtRow swapped = base;
  std::swap(swapped.rmtRows[0], swapped.rmtRows[1]);
  EXPECT_TRUE(CompareDmtRows(base, swapped, "dmt[3f2a]").Empty());
}

TEST(DiffRules, ChangedFieldsNamePathsValuesAndLines) {
  const DmtRow base = MakeRow();
  DmtRow changed = base;
  Link(changed.rmtRows[1]).alias = "other";
  changed.rmtRows[1].ref.component->span.firstLine = 45;
  const NodeDifference difference = CompareDmtRows(base, changed, "dmt[3f2a]");
  ASSERT_EQ(difference.rmtRows.size(), 1u);
  ASSERT_EQ(difference.rmtRows[0].changes.size(), 1u);
  const FieldChange& change = difference.rmtRows[0].changes[0];
  EXPECT_EQ(change.path, "dmt[3f2a].rmt[a1d6].ref.alias");
  EXPECT_EQ(change.a.text, "alias");
  EXPECT_EQ(change.b.text, "other");
  EXPECT_EQ(change.lineA, 41u);
  EXPECT_EQ(change.lineB, 45u);
}

RowKey Key(std::optional<std::string_view> iUuid, std::int32_t iOrdinal) {
  return RowKey{iUuid, iOrdinal, static_cast<std::uint64_t>(iOrdinal)};
}

TEST(DiffRules, RowsFallBackToOrdinalsWhenUuidsAreInvalidOrRepeated) {
  // A: u1, invalid, u2, u2, u3; B: u3, u1, invalid, u2, u4. The rows of A and B that fell
  // back pair up by ordinal, whatever made them fall back.
  const std::vector<RowKey> a = {Key("u1", 1), Key(std::nullopt, 2), Key("u2", 3), Key("u2", 4),
                                 Key("u3", 5)};
  const std::vector<RowKey> b = {Key("u3", 1), Key("u1", 2), Key(std::nullopt, 3), Key("u2", 4),
                                 Key("u4", 5)};
  const RowMatching matching = MatchRows(a, b);
  EXPECT_EQ(matching.partnerOfA, (std::vector<std::uint32_t>{1, kUnmatched, 2, 3, 0}));
  EXPECT_EQ(matching.partnerOfB, (std::vector<std::uint32_t>{4, 0, 2, 3, kUnmatched}));
  EXPECT_EQ(matching.fallbackOfA,
            (std::vector<Fallback>{Fallback::None, Fallback::InvalidUuid, Fallback::RepeatedUuid,
                                   Fallback::RepeatedUuid, Fallback::None}));
  // u2 is repeated in A only, yet B's row holding it falls back too.
  EXPECT_EQ(matching.fallbackOfB[3], Fallback::RepeatedUuid);
  EXPECT_EQ(FallbacksWithin({Key("", 1), Key("x", 2)})[0], Fallback::NoUuid);
}

}  // namespace
}  // namespace zyn::reader

TEST(DiffRules, IgnorePatternsMatchFieldPathsWithOneKeyPerBracket) {
  const std::string row = "dmt[3f2a9c4e17b04d5e8a61c0d2b7e94f13]";
  const std::string rmt = row + ".rmt[5e9b3c1a7d2f4e608c4a1b9d3e7f0a26]";
  const struct {
    const char* pattern;
    std::string path;
    bool matches;
  } cases[] = {
      {"*.lastSaveTime", row + ".nonM1Component.lastSaveTime", true},
      {"*.lastSaveTime", rmt + ".owner.lastSaveTime", true},
      {"*.lastSaveTime", row + ".nonM1Component.lastSaveTimeX", false},
      {"dmt[*].m1ComponentVersion", row + ".m1ComponentVersion", true},
      {"dmt[*].m1ComponentVersion", rmt + ".m1ComponentVersion", false},
      {"dmt[*].rmt[*].modificationState", rmt + ".modificationState", true},
      {"dmt[*].modificationState", rmt + ".modificationState", false},
      {"dmt[#?].ordinal", "dmt[#3].ordinal", true},
      {"dmt[#?].ordinal", "dmt[#13].ordinal", false},
      {"manager.*", "manager.announcedRowCount", true},
      {"*", "manager.announcedRowCount", true},
      {"manager", "manager.announcedRowCount", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zyn::reader::FieldPathMatches(c.pattern, c.path), c.matches)
        << c.pattern << " against " << c.path;
}
