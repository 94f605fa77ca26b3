// Opening, checking and closing mpgdump's trace text and trace log.
#include "DumpOutputs.h"

#include <optional>
#include <string>
#include <vector>

#include "zyntoolio/SharedOutputs.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

namespace {

constexpr char kTool[] = "mpgdump";

/// An output that mpgdump opens by the path its option names.
struct PathOutput {
  const char* option;
  std::string Options::*path;  // empty: the option was not given
  bool dashIsStandardOutput;   // '-' writes standard output itself; else '-' is refused
};

/// Every output opened by path: one that is added joins this list, and is checked like the rest.
const PathOutput kPathOutputs[] = {
    {"--trace-out", &Options::traceOut, true},
    {"--trace-log", &Options::traceLog, false},
    {"--call-log", &Options::callLog, false},
};

}  // namespace

bool CheckDistinctOutputs(const Options& iOptions) {
  std::vector<zyn::toolio::NamedOutput> outputs = {{"standard output", "", 1},
                                                   {"standard error", "", 2}};
  for (const PathOutput& output : kPathOutputs) {
    const std::string& path = iOptions.*output.path;
    if (path.empty() || (path == "-" && output.dashIsStandardOutput)) continue;
    if (path == "-") {
      zyn::toolio::Say(kTool, std::string(output.option) +
                                  ": '-' is not accepted: the dump writes standard output; name "
                                  "a file");
      return false;
    }
    outputs.push_back({output.option, path});
  }
  std::vector<zyn::toolio::NamedInput> inputs;
  if (!iOptions.table.empty() && !iOptions.generate)
    inputs.push_back({"the table", iOptions.table});
  if (!iOptions.module.empty()) inputs.push_back({"the module", iOptions.module});
  const std::optional<std::string> refusal = zyn::toolio::WhyOutputsRefused(outputs, inputs);
  if (refusal) zyn::toolio::Say(kTool, *refusal);
  return !refusal;
}

bool DumpOutputs::Open(const Options& iOptions, const zyn::mem::LoadedTable& iTable) {
  int error = 0;
  if (!iOptions.callLog.empty()) {
    callLogFile_ = zyn::toolio::WholeFile::Create(iOptions.callLog, &error);
    if (!callLogFile_) {
      zyn::toolio::ReportCannotCreate(kTool, iOptions.callLog, error);
      return false;
    }
    callLog_ = std::make_unique<CallLog>(callLogFile_->Buffer(), iTable);
  }
  if (!iOptions.traceLog.empty()) {
    logFile_ = zyn::toolio::WholeFile::Create(iOptions.traceLog, &error);
    if (!logFile_) {
      zyn::toolio::ReportCannotCreate(kTool, iOptions.traceLog, error);
      return false;
    }
    log_ = std::make_unique<TraceLog>(logFile_->Buffer());
  }
  if (iOptions.traceOut.empty()) {
    traceText_ = &zyn::toolio::StandardError();
  } else if (iOptions.traceOut == "-") {
    traceText_ = &zyn::toolio::StandardOutput();
  } else {
    traceFile_ = zyn::toolio::OutputBuffer::OpenFile(iOptions.traceOut, &error);
    if (!traceFile_) {
      zyn::toolio::ReportCannotCreate(kTool, iOptions.traceOut, error);
      return false;
    }
    traceText_ = traceFile_.get();
  }
  // A standard stream is shared with the dump's own output and messages: each text in its turn.
  toolSink_ = std::make_unique<TraceToolSink>(
      *traceText_, log_.get(),
      traceFile_ ? TraceToolSink::Delivery::Gathered : TraceToolSink::Delivery::EachText);
  return true;
}

bool DumpOutputs::Finish() {
  bool written = true;
  if (toolSink_) toolSink_->Flush();
  if (traceFile_) {
    if (!traceFile_->Close()) written = false;
    zyn::toolio::ReportIfFailed(kTool, *traceFile_);
  }
  for (zyn::toolio::WholeFile* log : {logFile_.get(), callLogFile_.get()}) {
    if (log && !log->Commit()) {
      written = false;
      zyn::toolio::ReportIfFailed(kTool, log->Buffer());
    }
  }
  return written;
}

}  // namespace mpgdump
