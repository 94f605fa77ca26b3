// Line starts noted on the way to the reader; ranges read again with pread(2).
#include "compare/RowLocator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "parse/LineEnds.h"

namespace zyn::reader {

namespace {

/// An unlinked temporary file, or -1.
int OpenTemporaryCopy() {
  const char* directory = std::getenv("TMPDIR");
  std::string path = std::string(directory && *directory ? directory : "/tmp") + "/mpgtree.XXXXXX";
  const int descriptor = mkstemp(path.data());
  if (descriptor >= 0) unlink(path.c_str());
  return descriptor;
}

bool WriteAll(int iDescriptor, const char* iBytes, std::size_t iLength) {
  while (iLength > 0) {
    const ssize_t written = write(iDescriptor, iBytes, iLength);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    iBytes += written;
    iLength -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

LocatingSource::LocatingSource(int iDescriptor) : descriptor_(iDescriptor) {
  lineStarts_.push_back(0);
  struct stat status;
  const bool seekable = fstat(iDescriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                        lseek(iDescriptor, 0, SEEK_CUR) == 0;
  if (!seekable) {
    copy_ = OpenTemporaryCopy();
    copyFailed_ = copy_ < 0;
  }
}

LocatingSource::~LocatingSource() {
  if (copy_ >= 0) close(copy_);
}

long LocatingSource::Read(char* oBuffer, std::size_t iCapacity, std::string* oError) {
  if (copyFailed_) {
    *oError = "cannot make a temporary copy of an input that cannot be read twice";
    return -1;
  }
  ssize_t count;
  do {
    count = read(descriptor_, oBuffer, iCapacity);
  } while (count < 0 && errno == EINTR);
  if (count < 0) *oError = std::strerror(errno);
  if (count <= 0) return count;
  if (copy_ >= 0 && !WriteAll(copy_, oBuffer, static_cast<std::size_t>(count))) {
    *oError = std::string("cannot keep a copy of the input: ") + std::strerror(errno);
    return -1;
  }
  NoteLineStarts(oBuffer, static_cast<std::size_t>(count));
  offset_ += static_cast<std::uint64_t>(count);
  return count;
}

void LocatingSource::NoteLineStarts(const char* iBytes, std::size_t iCount) {
  std::size_t i = 0;
  for (; i + 64 <= iCount; i += 64)
    for (std::uint64_t ends = LineEndsOf64(iBytes + i); ends != 0; ends &= ends - 1)
      lineStarts_.push_back(offset_ + i + static_cast<std::size_t>(__builtin_ctzll(ends)) + 1);
  for (; i < iCount; ++i)
    if (iBytes[i] == '\n') lineStarts_.push_back(offset_ + i + 1);
}

ByteRange LocatingSource::Locate(const SourceSpan& iSpan) {
  ByteRange range;
  const auto startOf = [&](std::uint64_t iLine) {
    const std::uint64_t index = head_ + (iLine - firstKnownLine_);
    return iLine >= firstKnownLine_ && index < lineStarts_.size() ? lineStarts_[index] : offset_;
  };
  range.offset = startOf(iSpan.firstLine) + (iSpan.firstColumn - 1);
  range.length = startOf(iSpan.lastLine + 1) - range.offset;
  ForgetBefore(iSpan.lastLine);
  return range;
}

void LocatingSource::ForgetBefore(std::uint64_t iLine) {
  if (iLine <= firstKnownLine_) return;
  const std::uint64_t forget =
      std::min<std::uint64_t>(iLine - firstKnownLine_, lineStarts_.size() - 1 - head_);
  head_ += forget;
  firstKnownLine_ += forget;
  if (head_ >= 4096 && head_ * 2 >= lineStarts_.size()) {
    lineStarts_.erase(lineStarts_.begin(),
                      lineStarts_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
}

bool LocatingSource::ReadAgain(const ByteRange& iRange, std::string* oBytes,
                               std::string* oError) const {
  const int descriptor = copy_ >= 0 ? copy_ : descriptor_;
  oBytes->resize(iRange.length);
  std::uint64_t done = 0;
  while (done < iRange.length) {
    const ssize_t count = pread(descriptor, oBytes->data() + done, iRange.length - done,
                                static_cast<off_t>(iRange.offset + done));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      *oError = count < 0 ? std::strerror(errno) : "the input is shorter than when first read";
      return false;
    }
    done += static_cast<std::uint64_t>(count);
  }
  return true;
}

}  // namespace zyn::reader
