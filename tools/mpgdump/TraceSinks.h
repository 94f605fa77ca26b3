// Where mpgdump sends the trace tool's texts, and the JSON Lines record of every write made on
// the trace tool and on the named traces.
#pragma once

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynTrace.h"
#include "zyntoolio/OutputBuffer.h"

namespace mpgdump {

/// The trace log: one compact JSON object per write, keys in a fixed order, texts that are not
/// UTF-8 written with replacement characters. Observes the named traces, active or not;
/// the trace tool's writes reach it through TraceToolSink. Writes into iOutput, which the
/// caller keeps alive and checks.
class TraceLog : public ZynTraceObserver {
 public:
  explicit TraceLog(zyn::toolio::OutputBuffer& iOutput);

  void RecordToolPut(int iLevel, const char* iText);
  void RecordToolPrint(int iLevel, const char* iFormat, const char* iText);
  void OnTraPut(const ZynTrace& iTrace, int iLevel, const char* iText) override;
  void Flush() { output_.Flush(); }

 private:
  zyn::toolio::OutputBuffer& output_;
};

/// The trace tool's output: each TraPut text and each TraPrint formatted text goes to iOutput,
/// unchanged, and to the log when there is one. The caller keeps both alive and checks them.
class TraceToolSink : public ZynTraceToolOutput {
 public:
  TraceToolSink(zyn::toolio::OutputBuffer& iOutput, TraceLog* iLog);

  void OnTraPut(int iLevel, const char* iText) override;
  void OnTraPrint(int iLevel, const char* iFormat, const char* iText) override;
  void OnTraPrintMeasured(int iLevel, const char* iFormat, const char* iText,
                          std::size_t iLength) override;
  void Flush() { output_.Flush(); }

 private:
  zyn::toolio::OutputBuffer& output_;
  TraceLog* log_;
};

}  // namespace mpgdump
