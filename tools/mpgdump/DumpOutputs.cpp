// Opening, checking and closing mpgdump's trace text and trace log.
#include "DumpOutputs.h"

#include <string>
#include <vector>

#include "zyntoolio/SharedOutputs.h"
#include "zyntoolio/StandardStreams.h"

namespace mpgdump {

namespace {

constexpr char kTool[] = "mpgdump";

std::string Describe(const zyn::toolio::NamedOutput& iOutput) {
  return iOutput.path.empty() ? iOutput.label : iOutput.label + " " + iOutput.path;
}

}  // namespace

bool CheckDistinctOutputs(const Options& iOptions) {
  if (iOptions.traceLog == "-") {
    zyn::toolio::Say(kTool,
                     "--trace-log: '-' is not accepted: the dump writes standard output; name a "
                     "file");
    return false;
  }
  if (iOptions.callLog == "-") {
    zyn::toolio::Say(kTool,
                     "--call-log: '-' is not accepted: the dump writes standard output; name a "
                     "file");
    return false;
  }
  std::vector<zyn::toolio::NamedOutput> outputs = {{"standard output", "", 1},
                                                   {"standard error", "", 2}};
  if (!iOptions.traceOut.empty() && iOptions.traceOut != "-")
    outputs.push_back({"--trace-out", iOptions.traceOut});
  if (!iOptions.traceLog.empty()) outputs.push_back({"--trace-log", iOptions.traceLog});
  if (!iOptions.callLog.empty()) outputs.push_back({"--call-log", iOptions.callLog});
  const auto shared = zyn::toolio::FindSharedFile(outputs);
  if (!shared) return true;
  zyn::toolio::Say(kTool, Describe(outputs[shared->first]) + " and " +
                              Describe(outputs[shared->second]) + " name the same file");
  return false;
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
  toolSink_ = std::make_unique<TraceToolSink>(*traceText_, log_.get());
  return true;
}

bool DumpOutputs::Finish() {
  bool written = true;
  if (traceFile_) {
    if (!traceFile_->Close()) written = false;
    zyn::toolio::ReportIfFailed(kTool, *traceFile_);
  } else if (traceText_) {
    traceText_->Flush();
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
