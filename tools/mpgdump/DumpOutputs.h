// The outputs of an mpgdump run besides the dump's own standard output: where the trace tool's
// text goes, and the trace log.
#pragma once

#include <memory>

#include "CallLog.h"
#include "Options.h"
#include "TraceSinks.h"
#include "zyntoolio/OutputBuffer.h"
#include "zyntoolio/WholeFile.h"

namespace mpgdump {

/// Refuses, after saying why, outputs that would write into one file, or into a file that the
/// run reads (zyn::toolio::WhyOutputsRefused): --trace-out's, --trace-log's and --call-log's
/// files, standard output and standard error, against each other and against the table file
/// (standard input's file for '-') and --module's file. "--trace-out -" is standard output
/// itself and shares it; "--trace-log -" and "--call-log -" are refused, since the dump may
/// write standard output too. Opens nothing; call before anything is read or written.
bool CheckDistinctOutputs(const Options& iOptions);

/// The trace tool's text, the trace log and the call log, from opening to the last check.
class DumpOutputs {
 public:
  /// Opens the call log and the trace log, each written as a whole (replaced only by Finish),
  /// then the trace text's file, created even if no text comes. False after saying why one
  /// cannot be created; the logs' destinations are then left as they were. iTable names the
  /// objects in the call log; it outlives the outputs.
  bool Open(const Options& iOptions, const zyn::mem::LoadedTable& iTable);

  TraceToolSink& ToolSink() { return *toolSink_; }
  /// Null when no log was asked for.
  TraceLog* Log() { return log_.get(); }
  CallLog* Calls() { return callLog_.get(); }

  /// Once nothing writes here any more: closes the trace text's file and puts the logs in place.
  /// Reports each output that failed ("mpgdump: FILE: write error: reason") and answers false
  /// when one did. The trace text on a standard stream is only flushed here: that stream is
  /// checked when the tool ends.
  bool Finish();

 private:
  std::unique_ptr<zyn::toolio::OutputBuffer> traceFile_;  // when the text goes to a file
  zyn::toolio::OutputBuffer* traceText_ = nullptr;        // that file or a standard stream
  std::unique_ptr<zyn::toolio::WholeFile> logFile_;
  std::unique_ptr<TraceLog> log_;
  std::unique_ptr<TraceToolSink> toolSink_;
  std::unique_ptr<zyn::toolio::WholeFile> callLogFile_;
  std::unique_ptr<CallLog> callLog_;
};

}  // namespace mpgdump
