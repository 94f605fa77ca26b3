// A file written as a whole: complete once committed, never half written.
#pragma once

#include <memory>
#include <string>

#include "zyntoolio/OutputBuffer.h"

namespace zyn::toolio {

/// A file the tool writes as a whole (a log, a report, a page). Its text goes to a temporary
/// file beside the destination, in the same directory so that the final renaming is atomic;
/// Commit renames it onto the destination once complete. Until then the destination keeps its
/// old content, or stays absent: a tool that fails, throws, or is killed by a signal handled by
/// InstallSignalCleanup leaves the old file or none, never half of one, and no temporary.
///
/// - A symbolic link is followed: the file it names is replaced and the link stays.
/// - A destination that is not a regular file (a terminal, /dev/null, /dev/full, a pipe,
///   /dev/fd/N on one of these) cannot be replaced: it is written directly, as a stream.
/// - An existing destination is refused when the user may not write it, as opening it would be;
///   a directory is refused with "Is a directory". The new file takes the old file's
///   permissions, or those of a newly created file (0666 less the umask).
class WholeFile {
 public:
  /// Null, with the errno in oError, when the destination cannot be written: a missing
  /// directory, a directory in its place, no permission.
  static std::unique_ptr<WholeFile> Create(const std::string& iPath, int* oError);
  /// Removes the temporary unless committed.
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  /// Where the text goes; its name is the path as given.
  OutputBuffer& Buffer() { return *buffer_; }
  /// Flushes, closes and renames into place. False when a write failed, or the renaming: the
  /// temporary is then removed, the destination left as it was, and Buffer().Error() tells why.
  bool Commit();

 private:
  WholeFile(std::unique_ptr<OutputBuffer> iBuffer, std::string iTarget, std::string iTemporary);
  void RemoveTemporary();

  std::unique_ptr<OutputBuffer> buffer_;
  std::string target_;     // the file replaced, links followed; empty when written directly
  std::string temporary_;  // empty when written directly or once renamed or removed
  int ticket_ = -1;        // of the signal clean-up
};

}  // namespace zyn::toolio
