// The buffered, error-keeping writer on a file descriptor.
#include "zyntoolio/OutputBuffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace zyn::toolio {

namespace {
/// Large enough that a big output costs few system calls.
constexpr std::size_t kCapacity = 1 << 16;
}  // namespace

OutputBuffer::OutputBuffer(int iDescriptor, std::string iName, bool iOwned)
    : descriptor_(iDescriptor),
      name_(std::move(iName)),
      owned_(iOwned),
      buffer_(new char[kCapacity]) {
  setp(buffer_.get(), buffer_.get() + kCapacity);
}

OutputBuffer::~OutputBuffer() { Close(); }

std::unique_ptr<OutputBuffer> OutputBuffer::OpenFile(const std::string& iPath, int* oError) {
  const int descriptor = ::open(iPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    *oError = errno;
    return nullptr;
  }
  return std::make_unique<OutputBuffer>(descriptor, iPath, true);
}

bool OutputBuffer::Close(bool iCloseBorrowed) {
  const bool flushed = Drain();
  if (descriptor_ >= 0 && (owned_ || iCloseBorrowed)) {
    // On Linux the descriptor is gone even when close is interrupted.
    if (::close(descriptor_) != 0 && errno != EINTR) Fail(errno);
    descriptor_ = -1;
  }
  return flushed && error_ == 0;
}

OutputBuffer::int_type OutputBuffer::overflow(int_type iChar) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(iChar, traits_type::eof())) return traits_type::not_eof(iChar);
  *pptr() = traits_type::to_char_type(iChar);
  pbump(1);
  return iChar;
}

std::streamsize OutputBuffer::xsputn(const char* iText, std::streamsize iCount) {
  if (iCount <= 0) return 0;
  const auto count = static_cast<std::size_t>(iCount);
  if (count <= static_cast<std::size_t>(epptr() - pptr())) {
    std::memcpy(pptr(), iText, count);
    pbump(static_cast<int>(count));
    return iCount;
  }
  if (!Drain()) return 0;
  if (count >= kCapacity) return WriteAll(iText, count) ? iCount : 0;
  std::memcpy(pptr(), iText, count);
  pbump(static_cast<int>(count));
  return iCount;
}

// Every line end of a tool's standard output comes here: the drain itself, with no call between.
int OutputBuffer::sync() {
  if (error_ != 0) return -1;
  char* const begin = pbase();
  const auto pending = static_cast<std::size_t>(pptr() - begin);
  if (pending == 0) return 0;
  setp(begin, epptr());
  // The usual case, every byte taken by one write, goes no further.
  const ssize_t written = ::write(descriptor_, begin, pending);
  if (written == static_cast<ssize_t>(pending)) return 0;
  return FinishWrite(begin, pending, written) ? 0 : -1;
}

// Out of line, so that the short path of a write stays short.
__attribute__((noinline)) bool OutputBuffer::Drain() { return OutputBuffer::sync() == 0; }

bool OutputBuffer::WriteAll(const char* iText, std::size_t iLength) {
  return iLength == 0 || FinishWrite(iText, iLength, ::write(descriptor_, iText, iLength));
}

bool OutputBuffer::FinishWrite(const char* iText, std::size_t iLength, ssize_t iWritten) {
  for (ssize_t written = iWritten;; written = ::write(descriptor_, iText, iLength)) {
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
      return false;
    }
    if (written == 0) {
      Fail(EIO);
      return false;
    }
    iText += written;
    iLength -= static_cast<std::size_t>(written);
    if (iLength == 0) return true;
  }
}

void OutputBuffer::Fail(int iError) {
  if (error_ == 0) error_ = iError != 0 ? iError : EIO;
  // No room from now on: every write reaches overflow or xsputn, which refuse it.
  setp(nullptr, nullptr);
}

}  // namespace zyn::toolio
