// Named traces: objects that write texts to an output when their name is activated.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "zyn/ZynBaseUnknown.h"

enum ZynTraMode { ZynTraModeDefault = 0 };

class ZynTrace;

/// Watches every write on every named trace, active or not (for the trace log of a host).
class ZYN_EXPORT ZynTraceObserver {
 public:
  virtual ~ZynTraceObserver() = default;
  virtual void OnTraPut(const ZynTrace& iTrace, int iLevel, const char* iText) = 0;
};

/// A named trace. Whether it is active is decided by its name at run time: activating a name
/// activates every trace of that name, alive or built later. A trace also starts active when
/// its name is listed in the environment variable ZYN_TRACE_ACTIVE (names separated by commas)
/// at its construction.
///
/// An active trace whose output name is "STDOUT" writes its texts to standard output (the same
/// stream as std::cout), flushed at each write, so that they stand in call order among other
/// lines written there. That is the one output this host knows: a trace built with another
/// output name would write nowhere.
///
/// Contract (see ZynContract.h): a trace is built with a name, a description, the mode 0, the
/// output name "STDOUT" and the size 1024, and written at the level 2.
class ZYN_EXPORT ZynTrace {
 public:
  ZynTrace(const char* iName, const char* iDescription, ZynTraMode iMode, const char* iOutputName,
           int iSize);
  ~ZynTrace();
  ZynTrace(const ZynTrace&) = delete;
  ZynTrace& operator=(const ZynTrace&) = delete;

  /// Writes iText when active; answers S_OK, or S_FALSE when inactive.
  HRESULT TraPut(int iLevel, const char* iText);
  /// True when the activation flag is present and non-zero.
  bool IsActive() const;

  const char* GetName() const { return name_.c_str(); }
  const char* GetDescription() const { return description_.c_str(); }
  const char* GetOutputName() const { return output_.c_str(); }
  ZynTraMode GetMode() const { return mode_; }
  int GetSize() const { return size_; }
  /// The place of this trace among the traces alive when it was built, from 1.
  int GetSerial() const { return serial_; }

  /// Activates or deactivates every trace named iName, now and for traces built later.
  static void SetActive(const char* iName, bool iActive);
  /// Deactivates every name.
  static void ResetActivation();
  /// The observer of all writes (null for none); the caller keeps it alive.
  static void SetObserver(ZynTraceObserver* iObserver);
  /// Number of traces alive.
  static int CountAlive();
  /// The traces alive, in the order they were built, each as "name: description".
  static std::vector<std::string> DescribeAlive();

 private:
  /// TraPut's work: the observer of writes told, the text written when active.
  HRESULT Write(int iLevel, const char* iText);

  std::string name_;
  std::string description_;
  std::string output_;
  ZynTraMode mode_;
  int size_;
  int serial_ = 0;
  std::atomic<int> active_{0};
};
