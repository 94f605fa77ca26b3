// A buffered writer on a file descriptor that remembers why its first write failed.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <streambuf>
#include <string>

namespace zyn::toolio {

/// A std::streambuf that writes to a file descriptor through a buffer of its own, so that the
/// tool can say why an output was lost: the errno of the first write, flush or close that failed
/// is kept (Error). From then on everything is dropped and every write answers failure, so that
/// a std::ostream on the buffer turns bad as on any failing stream, and a failing output costs
/// nothing more.
///
/// The descriptor -1 stands for a descriptor that was closed: its first write fails with EBADF,
/// while a buffer that is never written to reports nothing.
///
/// Not thread-safe: one writer at a time, like any std::streambuf.
class OutputBuffer : public std::streambuf {
 public:
  /// iName is how messages call the output ("standard output", or the path as the user gave
  /// it). An owned descriptor is closed by Close or by the destructor.
  OutputBuffer(int iDescriptor, std::string iName, bool iOwned);
  /// Flushes and closes an owned descriptor; a failure then is lost: call Close to see it.
  ~OutputBuffer() override;
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  /// Creates or truncates iPath and writes into it as the text comes (a stream). Null, with
  /// the errno in oError, when it cannot be opened.
  static std::unique_ptr<OutputBuffer> OpenFile(const std::string& iPath, int* oError);

  void Write(const char* iText, std::size_t iLength) {
    sputn(iText, static_cast<std::streamsize>(iLength));
  }
  /// Writes out what is buffered; false when this or an earlier write failed.
  bool Flush() { return sync() == 0; }
  /// Flushes, then closes the descriptor when it is owned, or when iCloseBorrowed is set (for
  /// standard output, whose last writes some systems report only at close). False when any
  /// write failed; Error then tells why. Nothing can be written afterwards.
  bool Close(bool iCloseBorrowed = false);

  /// Marks the output failed for a reason found outside the buffer (a renaming into place, say),
  /// unless it failed before: from then on it behaves as after a failed write.
  void Fail(int iError);

  /// The errno of the first failure; 0 while every write has succeeded.
  int Error() const { return error_; }
  const std::string& Name() const { return name_; }
  int Descriptor() const { return descriptor_; }

 protected:
  int_type overflow(int_type iChar) override;
  std::streamsize xsputn(const char* iText, std::streamsize iCount) override;
  int sync() override;

 private:
  /// Writes the buffered bytes out; false on failure.
  bool Drain();
  /// Writes iLength bytes at once, retrying short and interrupted writes; false on failure.
  bool WriteAll(const char* iText, std::size_t iLength);
  /// The rest of WriteAll once a first write of the iLength bytes of iText answered iWritten:
  /// retries short and interrupted writes; false on failure.
  bool FinishWrite(const char* iText, std::size_t iLength, ssize_t iWritten);
  int descriptor_;
  std::string name_;
  bool owned_;
  int error_ = 0;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace zyn::toolio
