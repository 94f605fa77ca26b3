// Where mpgdump sends the trace tool's texts, and the JSON Lines record of every write made on
// the trace tool and on the named traces.
#pragma once

#include <cstddef>
#include <memory>

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
/// unchanged, and to the log when there is one. The caller keeps both alive and checks them,
/// after Flush.
///
/// Without a log, the texts are gathered into a block of the sink's own that the trace tool
/// writes into directly (the room it lends), and iOutput receives the block whole when it is
/// full, at Flush and when the sink goes: for an output that nothing else writes. On a stream
/// that other writes share (standard output, standard error), EachText hands each text over as
/// it comes, so that the texts keep their place among those writes.
class TraceToolSink : public ZynTraceToolOutput {
 public:
  /// How the texts reach the output: gathered into blocks, or each text as it comes.
  enum class Delivery { Gathered, EachText };

  TraceToolSink(zyn::toolio::OutputBuffer& iOutput, TraceLog* iLog,
                Delivery iDelivery = Delivery::Gathered);
  /// Hands what is gathered to the output, which the caller then closes and checks.
  ~TraceToolSink() override;
  TraceToolSink(const TraceToolSink&) = delete;
  TraceToolSink& operator=(const TraceToolSink&) = delete;

  void OnTraPut(int iLevel, const char* iText) override;
  void OnTraPrint(int iLevel, const char* iFormat, const char* iText) override;
  void OnTraPrintMeasured(int iLevel, const char* iFormat, const char* iText,
                          std::size_t iLength) override;
  bool OnRoomFull(std::size_t iLength) override;
  /// Hands what is gathered to the output and flushes it.
  void Flush();

 private:
  /// Writes the gathered texts into the output and lends the whole block again.
  void HandOver();

  zyn::toolio::OutputBuffer& output_;
  TraceLog* log_;
  /// The gathered texts, from the block's start to room.next; null when nothing is gathered.
  std::unique_ptr<char[]> block_;
};

}  // namespace mpgdump
