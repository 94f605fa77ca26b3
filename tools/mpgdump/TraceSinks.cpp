// The trace tool's file output and the trace log of mpgdump.
#include "TraceSinks.h"

#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

namespace mpgdump {

namespace {

/// A host may hand over a null text; it is logged and written as the empty text.
const char* TextOrEmpty(const char* iText) { return iText ? iText : ""; }

}  // namespace

TraceLog::TraceLog(zyn::toolio::OutputBuffer& iOutput) : output_(iOutput) {}

namespace {

void WriteRecord(zyn::toolio::OutputBuffer& iOutput, const nlohmann::ordered_json& iRecord) {
  const std::string line =
      iRecord.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  iOutput.Write(line.data(), line.size());
  iOutput.Write("\n", 1);
}

}  // namespace

void TraceLog::RecordToolPut(int iLevel, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = "tool";
  record["op"] = "TraPut";
  record["level"] = iLevel;
  record["text"] = TextOrEmpty(iText);
  WriteRecord(output_, record);
}

void TraceLog::RecordToolPrint(int iLevel, const char* iFormat, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = "tool";
  record["op"] = "TraPrint";
  record["level"] = iLevel;
  record["format"] = TextOrEmpty(iFormat);
  record["text"] = TextOrEmpty(iText);
  WriteRecord(output_, record);
}

void TraceLog::OnTraPut(const ZynTrace& iTrace, int iLevel, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = iTrace.GetName();
  record["serial"] = iTrace.GetSerial();
  record["active"] = iTrace.IsActive();
  record["op"] = "TraPut";
  record["level"] = iLevel;
  record["text"] = TextOrEmpty(iText);
  WriteRecord(output_, record);
}

namespace {

/// The gathering block: large enough that the output receives a few big writes, larger than
/// its own buffer, which it can pass on without copying them again.
constexpr std::size_t kBlockSize = std::size_t{1} << 17;

}  // namespace

TraceToolSink::TraceToolSink(zyn::toolio::OutputBuffer& iOutput, TraceLog* iLog, Delivery iDelivery)
    : output_(iOutput), log_(iLog) {
  if (log_ || iDelivery != Delivery::Gathered) return;
  block_ = std::make_unique<char[]>(kBlockSize);
  room = {block_.get(), block_.get() + kBlockSize};
}

TraceToolSink::~TraceToolSink() { HandOver(); }

void TraceToolSink::HandOver() {
  if (!block_) return;
  output_.Write(block_.get(), static_cast<std::size_t>(room.next - block_.get()));
  room.next = block_.get();
}

bool TraceToolSink::OnRoomFull(std::size_t iLength) {
  HandOver();
  return block_ && iLength <= kBlockSize;
}

void TraceToolSink::Flush() {
  HandOver();
  output_.Flush();
}

void TraceToolSink::OnTraPut(int iLevel, const char* iText) {
  const char* text = TextOrEmpty(iText);
  HandOver();
  output_.Write(text, std::strlen(text));
  if (log_) log_->RecordToolPut(iLevel, text);
}

void TraceToolSink::OnTraPrint(int iLevel, const char* iFormat, const char* iText) {
  const char* text = TextOrEmpty(iText);
  HandOver();
  output_.Write(text, std::strlen(text));
  if (log_) log_->RecordToolPrint(iLevel, iFormat, text);
}

void TraceToolSink::OnTraPrintMeasured(int iLevel, const char* iFormat, const char* iText,
                                       std::size_t iLength) {
  if (!iText) return OnTraPrint(iLevel, iFormat, iText);
  HandOver();
  output_.Write(iText, iLength);
  if (log_) log_->RecordToolPrint(iLevel, iFormat, iText);
}

}  // namespace mpgdump
