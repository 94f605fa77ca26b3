// The trace tool's file output and the trace log of mpgdump.
#include "TraceSinks.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

namespace mpgdump {

namespace {

/// Large enough that a big dump costs few system calls.
constexpr std::size_t kBufferSize = 1 << 16;

/// A host may hand over a null text; it is logged and written as the empty text.
const char* TextOrEmpty(const char* iText) { return iText ? iText : ""; }

}  // namespace

OutputFile::OutputFile(std::FILE* iFile, bool iOwned)
    : file_(iFile), owned_(iOwned), buffer_(new char[kBufferSize]) {
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
}

OutputFile::~OutputFile() {
  std::fflush(file_);
  if (owned_) {
    std::fclose(file_);
  } else {
    // The buffer is about to go: the stream must not keep using it.
    std::setvbuf(file_, nullptr, _IONBF, 0);
  }
}

std::unique_ptr<OutputFile> OutputFile::Open(const std::string& iPath, std::string* oError) {
  std::FILE* file = std::fopen(iPath.c_str(), "wb");
  if (!file) {
    *oError = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<OutputFile>(new OutputFile(file, true));
}

std::unique_ptr<OutputFile> OutputFile::StandardError() {
  return std::unique_ptr<OutputFile>(new OutputFile(stderr, false));
}

TraceLog::TraceLog(std::unique_ptr<OutputFile> iFile) : file_(std::move(iFile)) {}

namespace {

void WriteRecord(OutputFile& iFile, const nlohmann::ordered_json& iRecord) {
  const std::string line =
      iRecord.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  iFile.Write(line.data(), line.size());
  iFile.Write("\n", 1);
}

}  // namespace

void TraceLog::RecordToolPut(int iLevel, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = "tool";
  record["op"] = "TraPut";
  record["level"] = iLevel;
  record["text"] = TextOrEmpty(iText);
  WriteRecord(*file_, record);
}

void TraceLog::RecordToolPrint(int iLevel, const char* iFormat, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = "tool";
  record["op"] = "TraPrint";
  record["level"] = iLevel;
  record["format"] = TextOrEmpty(iFormat);
  record["text"] = TextOrEmpty(iText);
  WriteRecord(*file_, record);
}

void TraceLog::OnTraPut(const ZynTrace& iTrace, int iLevel, const char* iText) {
  nlohmann::ordered_json record;
  record["sink"] = iTrace.GetName();
  record["serial"] = iTrace.GetSerial();
  record["active"] = iTrace.IsActive();
  record["op"] = "TraPut";
  record["level"] = iLevel;
  record["text"] = TextOrEmpty(iText);
  WriteRecord(*file_, record);
}

TraceToolSink::TraceToolSink(std::unique_ptr<OutputFile> iFile, TraceLog* iLog)
    : file_(std::move(iFile)), log_(iLog) {}

void TraceToolSink::OnTraPut(int iLevel, const char* iText) {
  const char* text = TextOrEmpty(iText);
  file_->Write(text, std::strlen(text));
  if (log_) log_->RecordToolPut(iLevel, text);
}

void TraceToolSink::OnTraPrint(int iLevel, const char* iFormat, const char* iText) {
  const char* text = TextOrEmpty(iText);
  file_->Write(text, std::strlen(text));
  if (log_) log_->RecordToolPrint(iLevel, iFormat, text);
}

}  // namespace mpgdump
