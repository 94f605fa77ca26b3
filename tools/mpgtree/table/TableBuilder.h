// `mpgtree table`: a table file rebuilt from a dump, written while the dump is read. The
// builder is a visitor of the reader: each node of the dump becomes the objects that give it
// (Rebuild.h), written out at once; the manager, the dump settings, the trace tool's state and
// the named traces follow at the end, once the whole dump has shown them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Rebuild.h"
#include "zyn/reader/DumpReader.h"
#include "zyn/reader/JsonText.h"

namespace mpgtree::table {

class TableBuilder : public zyn::reader::DumpVisitor {
 public:
  /// Writes the table to iTable; iExplain, when given, takes the explanation of each object.
  TableBuilder(zyn::reader::TextSink& iTable, std::function<void(std::string_view)> iExplain);

  void OnForm(zyn::reader::Form iForm, std::uint64_t iDecidedAtLine) override;
  void OnManagerHeader(const zyn::reader::ManagerHeader& iHeader) override;
  void OnDmtRow(const zyn::reader::DmtRow& iRow) override;
  void OnManagerTrailer(const zyn::reader::ManagerTrailer& iTrailer) override;
  void OnEnvironment(const zyn::reader::Environment& iEnvironment) override;
  void OnRmtRow(const zyn::reader::RmtRow& iRow) override;
  void OnComponent(const zyn::reader::Component& iComponent) override;
  void OnRaw(const zyn::reader::RawLine& iRaw) override;
  bool OnProblem(const zyn::reader::Problem& iProblem) override;

  /// Writes the end of the table, once the reading is over. False when the table could not be
  /// written (the sink refused a write).
  bool Finish();
  /// What the table leaves out of the dump: lines kept raw, blocks not closed, values that no
  /// table gives. Empty for a whole dump of this system.
  const std::vector<std::string>& LeftOut() const { return rebuild_.leftOut; }

 private:
  void Emit(const TableObject& iObject);
  void Write(std::string_view iText);
  void Flush();
  /// The DMT rows without a dump at the positions before iOrdinal.
  void SkipRowsBefore(std::int64_t iOrdinal);
  void RebuildManager();
  void WriteSettings();
  void ExplainSettings(int iLevel, bool iTrace);
  /// The object dumped: the first top-level node names it.
  void DumpedObject(std::string iId, std::int32_t iIndex);

  zyn::reader::TextSink& table_;
  std::function<void(std::string_view)> explain_;
  zyn::reader::JsonText json_;
  std::string explanation_;
  Rebuild rebuild_;
  bool failed_ = false;
  bool firstObject_ = true;
  std::optional<zyn::reader::ManagerHeader> manager_;
  std::int64_t nextRow_ = 1;
  std::string dumpedId_;
  std::int32_t dumpedIndex_ = 0;
  bool toBeSaved_ = false;  // the manager listed the rows to be saved (mode 3)
};

}  // namespace mpgtree::table
