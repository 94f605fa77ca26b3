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

TraceToolSink::TraceToolSink(zyn::toolio::OutputBuffer& iOutput, TraceLog* iLog)
    : output_(iOutput), log_(iLog) {}

void TraceToolSink::OnTraPut(int iLevel, const char* iText) {
  const char* text = TextOrEmpty(iText);
  output_.Write(text, std::strlen(text));
  if (log_) log_->RecordToolPut(iLevel, text);
}

void TraceToolSink::OnTraPrint(int iLevel, const char* iFormat, const char* iText) {
  const char* text = TextOrEmpty(iText);
  output_.Write(text, std::strlen(text));
  if (log_) log_->RecordToolPrint(iLevel, iFormat, text);
}

void TraceToolSink::OnTraPrintMeasured(int iLevel, const char* iFormat, const char* iText,
                                       std::size_t iLength) {
  if (!iText) return OnTraPrint(iLevel, iFormat, iText);
  output_.Write(iText, iLength);
  if (log_) log_->RecordToolPrint(iLevel, iFormat, iText);
}

}  // namespace mpgdump
