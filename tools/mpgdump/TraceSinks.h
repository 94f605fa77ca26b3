// Where mpgdump sends the trace tool's texts, and the JSON Lines record of every write made on
// the trace tool and on the named traces.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynTrace.h"

namespace mpgdump {

/// A file written through a large stdio buffer, flushed (and closed, unless it is a standard
/// stream) when it goes. Texts are written as given, bytes unchanged.
class OutputFile {
 public:
  /// Opens iPath for writing; null with the reason in oError when it cannot.
  static std::unique_ptr<OutputFile> Open(const std::string& iPath, std::string* oError);
  /// Standard error, given the same large buffer (every other write to standard error goes
  /// through the same stdio stream, so their order is kept).
  static std::unique_ptr<OutputFile> StandardError();

  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const char* iText, std::size_t iLength) { std::fwrite(iText, 1, iLength, file_); }
  void Flush() { std::fflush(file_); }

 private:
  OutputFile(std::FILE* iFile, bool iOwned);
  std::FILE* file_;
  bool owned_;
  std::unique_ptr<char[]> buffer_;
};

/// The trace log: one compact JSON object per write, keys in a fixed order, texts that are not
/// UTF-8 written with replacement characters. Observes the named traces, active or not;
/// the trace tool's writes reach it through TraceToolSink.
class TraceLog : public ZynTraceObserver {
 public:
  explicit TraceLog(std::unique_ptr<OutputFile> iFile);

  void RecordToolPut(int iLevel, const char* iText);
  void RecordToolPrint(int iLevel, const char* iFormat, const char* iText);
  void OnTraPut(const ZynTrace& iTrace, int iLevel, const char* iText) override;
  void Flush() { file_->Flush(); }

 private:
  std::unique_ptr<OutputFile> file_;
};

/// The trace tool's output: each TraPut text and each TraPrint formatted text goes to the file,
/// and to the log when there is one.
class TraceToolSink : public ZynTraceToolOutput {
 public:
  TraceToolSink(std::unique_ptr<OutputFile> iFile, TraceLog* iLog);

  void OnTraPut(int iLevel, const char* iText) override;
  void OnTraPrint(int iLevel, const char* iFormat, const char* iText) override;
  void Flush() { file_->Flush(); }

 private:
  std::unique_ptr<OutputFile> file_;
  TraceLog* log_;
};

}  // namespace mpgdump
