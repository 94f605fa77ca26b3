// `mpgtree table`: the table file written while its dump is read.
#include "TableBuilder.h"

#include <algorithm>

#include "TableValues.h"

namespace mpgtree::table {

namespace {

using namespace zyn::reader;

constexpr std::size_t kFlushBytes = 1 << 16;

}  // namespace

TableBuilder::TableBuilder(TextSink& iTable, std::function<void(std::string_view)> iExplain)
    : table_(iTable), explain_(std::move(iExplain)) {
  rebuild_.emit = [this](const TableObject& iObject) { Emit(iObject); };
  rebuild_.objects.explain = static_cast<bool>(explain_);
  Write("{\n  \"objects\": {");
}

void TableBuilder::Write(std::string_view iText) {
  json_.Append(iText);
  if (json_.Size() >= kFlushBytes) Flush();
}

void TableBuilder::Flush() {
  if (!failed_ && json_.Size() && !table_.Write(json_.View())) failed_ = true;
  json_.Clear();
}

void TableBuilder::Emit(const TableObject& iObject) {
  json_.Append(firstObject_ ? "\n    " : ",\n    ");
  firstObject_ = false;
  iObject.AppendJson(&json_);
  if (json_.Size() >= kFlushBytes) Flush();
  if (explain_) {
    explanation_.clear();
    iObject.AppendExplanation(&explanation_);
    explain_(explanation_);
  }
}

void TableBuilder::OnForm(Form iForm, std::uint64_t) { rebuild_.form = iForm; }

void TableBuilder::DumpedObject(std::string iId, std::int32_t iIndex) {
  if (!dumpedId_.empty()) return;
  dumpedId_ = std::move(iId);
  dumpedIndex_ = iIndex;
}

void TableBuilder::OnManagerHeader(const ManagerHeader& iHeader) {
  manager_ = iHeader;
  toBeSaved_ = iHeader.listing == Listing::ToBeSaved;
  manager_->text.clear();
  DumpedObject("manager", 0);
}

void TableBuilder::SkipRowsBefore(std::int64_t iOrdinal) {
  for (; nextRow_ < iOrdinal; ++nextRow_)
    RebuildSkippedRow("dmt" + std::to_string(nextRow_), "ZynDCIMpgDMTRow", rebuild_);
}

void TableBuilder::OnDmtRow(const DmtRow& iRow) {
  const std::int32_t ordinal = iRow.header.ordinal.value_or(0);
  if (!manager_) {
    const std::string id = ordinal ? "dmt" + std::to_string(ordinal) : std::string("dmt");
    DumpedObject(id, ordinal);
    RebuildDmtRow(iRow, id, rebuild_);
    return;
  }
  if (ordinal < nextRow_ || ordinal > manager_->announcedRowCount) {
    rebuild_.LeaveOut("manager", "a DMT row out of its place (" + std::to_string(ordinal) + ")");
    return;
  }
  SkipRowsBefore(ordinal);
  RebuildDmtRow(iRow, "dmt" + std::to_string(nextRow_++), rebuild_);
}

void TableBuilder::OnManagerTrailer(const ManagerTrailer& iTrailer) {
  if (!manager_) return;
  if (!iTrailer.listClosingLine || !iTrailer.managerClosingLine)
    rebuild_.LeaveOut("manager", "its closing lines are missing");
  SkipRowsBefore(std::int64_t{manager_->announcedRowCount} + 1);
  RebuildManager();
  manager_.reset();
}

void TableBuilder::RebuildManager() {
  const ManagerHeader& header = *manager_;
  static const std::string kManager = "manager", kContext = "manager.context";
  TableObject manager(kManager, "ZynDCIMpgManager", rebuild_.objects);
  if (header.hasContext) {
    // Built apart: an object's members go when it does.
    TableObject context(kContext, "ZynDCIMpgContext", rebuild_.objects);
    context.AnswerText("GetName", header.contextName);
    Emit(context);
  }
  manager.Answer("GetContext", header.hasContext ? "\"manager.context\"" : "null");
  manager.AnswerBool("IsPLMIDCompletionActive", header.plmidCompletionActive);
  const std::string rows = NumberedList("dmt", header.announcedRowCount);
  if (header.listing == Listing::All) {
    manager.Answer("GetDMTElements", rows);
  } else {
    manager.Answer("GetDMTElementsToBeSaved", rows);
    // Of the list of all rows the dump shows only its length.
    const std::int64_t all = header.allRowCount.value_or(0);
    const std::int64_t shared = std::min<std::int64_t>(all, header.announcedRowCount);
    std::string list = NumberedList("dmt", shared);
    list.pop_back();
    for (std::int64_t i = shared; i < all; ++i) list += i ? ", null" : "null";
    manager.Placeholder("GetDMTElements", list + "]",
                        "the rows to be saved, then null handles, as many as the count of all "
                        "rows");
  }
  Emit(manager);
}

void TableBuilder::OnEnvironment(const Environment& iEnvironment) {
  DumpedObject("environment", 0);
  RebuildEnvironment(iEnvironment, "environment", rebuild_);
}

void TableBuilder::OnRmtRow(const RmtRow& iRow) {
  const std::int32_t ordinal = iRow.header.ordinal.value_or(0);
  const std::string id = ordinal ? "rmt" + std::to_string(ordinal) : std::string("rmt");
  DumpedObject(id, ordinal);
  RebuildRmtRow(iRow, id, rebuild_);
}

void TableBuilder::OnComponent(const Component& iComponent) {
  DumpedObject("component", 0);
  RebuildComponent(iComponent, "component", rebuild_.levels, rebuild_);
}

void TableBuilder::OnRaw(const RawLine& iRaw) {
  rebuild_.LeaveOut("line " + std::to_string(iRaw.line), "kept raw: " + QuotedJson(iRaw.text));
}

bool TableBuilder::OnProblem(const Problem&) { return !failed_; }

bool TableBuilder::Finish() {
  if (manager_) {
    rebuild_.LeaveOut("manager", "the dump ends inside its list of rows");
    SkipRowsBefore(std::int64_t{manager_->announcedRowCount} + 1);
    RebuildManager();
  }
  WriteSettings();
  Flush();
  return !failed_;
}

void TableBuilder::WriteSettings() {
  std::optional<int> level = rebuild_.levels.Level();
  if (!level) {
    rebuild_.LeaveOut(
        "dump", "the blocks show levels that no one level gives: " + rebuild_.levels.Conflict());
    level = 1;
  }
  const bool trace = rebuild_.form == Form::Trace || rebuild_.formOfValues == Form::Trace;
  const bool traceType1 = trace && rebuild_.tracePlmidTexts;
  std::string traces;
  if (!trace && rebuild_.mappingTraceLineEnds) traces += "\"ZynMpgMappingTrace\"";
  if (!trace && rebuild_.providerTraceHeadings)
    traces += std::string(traces.empty() ? "" : ", ") + "\"ZynMpgProviderComponentTrace\"";
  Write("\n  },\n  \"dump\": {\"object\": " + QuotedJson(dumpedId_) +
        ", \"level\": " + std::to_string(*level) + ", \"mode\": " + (toBeSaved_ ? "3" : "1") +
        ", \"index\": " + std::to_string(dumpedIndex_) + "},\n  \"trace_tool\": {\"valid\": " +
        (trace ? "true" : "false") + ", \"trace_type\": " + (traceType1 ? "1" : "0") +
        "},\n  \"active_traces\": [" + traces + "]\n}\n");
  if (explain_) ExplainSettings(*level, trace);
}

void TableBuilder::ExplainSettings(int iLevel, bool iTrace) {
  // Only a row prints its index, and only the manager reads the mode.
  const bool row = dumpedId_.rfind("dmt", 0) == 0 || dumpedId_.rfind("rmt", 0) == 0;
  std::string text = "dump (the dump's settings)\n  from the dump: object";
  text += row ? ", index" : "";
  text += toBeSaved_ ? ", mode (3: the rows to be saved)\n" : "\n";
  if (!row) text += "  placeholder: index (0: not printed by this object's dump)\n";
  if (!toBeSaved_)
    text += dumpedId_ == "manager" ? "  placeholder: mode (1: any mode but 3 lists every row)\n"
                                   : "  placeholder: mode (1: only the manager reads it)\n";
  if (rebuild_.levels.Fixed())
    text += "  from the dump: level " + std::to_string(iLevel) + ", shown by " +
            rebuild_.levels.Reasons() + "\n";
  else
    text += "  placeholder: level (" + std::to_string(iLevel) +
            ": the first of 1, 2, 3, 0, -1 that gives this dump" +
            (rebuild_.levels.Reasons().empty() ? std::string() : "; " + rebuild_.levels.Reasons()) +
            ")\n";
  text += "trace_tool\n  from the dump: valid (the form: " +
          std::string(iTrace ? "the trace tool's text" : "standard output") + ")\n";
  text += iTrace && rebuild_.tracePlmidTexts
              ? "  from the dump: trace_type (1: the trace tool writes Pell PLMIDs)\n"
              : "  placeholder: trace_type (0: the dump shows no Pell PLMID on the trace tool)\n";
  text += iTrace ? "active_traces\n  placeholder: none (the trace tool's text shows no named "
                   "trace)\n"
                 : "active_traces\n  from the dump: the headings of exposed identifiers and the "
                   "Pell line ends before them\n";
  explain_(text);
}

}  // namespace mpgtree::table
