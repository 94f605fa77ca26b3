// Watching the calls a caller makes into the host: each query of a mapping object, each
// interface request, each GetImpl, each call on the trace tool and on the named traces.
//
// A host that wants to show what a loaded module asked of it installs one observer; each call
// of those kinds is told to it once the call has returned, on the calling thread. Calls that
// the host makes itself while answering one (a list handing out its elements, an identifier
// writing itself on a named trace, an extension forwarding a request) are part of the call
// being answered and are not told.
#pragma once

#include <atomic>

#include "zyn/ZynBaseUnknown.h"

class ZynTrace;

/// One call made into the host.
struct ZynCall {
  /// Who was called.
  enum class Callee { Object, TraceTool, NamedTrace };
  /// What the result holds.
  enum class Answer { Result, Flag, Object };

  Callee callee = Callee::Object;
  /// Callee::Object: the object called (an extension itself when called on one).
  const ZynBaseUnknown* object = nullptr;
  /// When the object called is an extension: the object it extends, and the extension's class.
  const ZynBaseUnknown* extended = nullptr;
  const char* extensionClass = nullptr;
  /// Callee::NamedTrace: the trace called.
  const ZynTrace* trace = nullptr;
  /// The interface the operation belongs to, and the operation ("ZynIDCIMpgComponentPrivate",
  /// "GetHashKey"; "ZynBaseUnknown", "QueryInterface"; "ZynTrace", "IsActive").
  const char* interfaceName = "";
  const char* operation = "";
  /// QueryInterface: the interface asked for (null when it is not one the host knows).
  const char* asked = nullptr;
  /// TraPut: the level and text; TraPrint: the level and format.
  int level = 0;
  const char* text = nullptr;
  /// Answer::Result: an HRESULT; Answer::Flag: 0 or 1 (IsValid, IsActive, the flag queries).
  Answer answer = Answer::Result;
  long result = 0;
  /// Answer::Object: the object answered (GetImpl), or null.
  const ZynBaseUnknown* answered = nullptr;
};

/// Told each call; installed by whoever runs the caller, kept alive by it while installed.
class ZYN_EXPORT ZynCallObserver {
 public:
  virtual ~ZynCallObserver() = default;
  virtual void OnCall(const ZynCall& iCall) = 0;
};

struct ZYN_EXPORT ZynCallLog {
  /// The observer of all calls (null: none). Set it while no call is being made.
  static void SetObserver(ZynCallObserver* iObserver);
};

namespace zyn_call_log {
/// The observer installed by ZynCallLog::SetObserver, read inline by every observed call.
ZYN_EXPORT extern std::atomic<ZynCallObserver*> gObserver;
/// One more observed call under way on this thread; true when it is the only one.
ZYN_EXPORT bool Enter();
/// One observed call of this thread ended.
ZYN_EXPORT void Leave();
}  // namespace zyn_call_log

/// Marks, in the host's code, one call that the observer may be told of. Built when the
/// operation starts and destroyed when it ends; the operation tells its call (Tell) only when
/// the scope is true: an observer is installed and no other observed call of this thread is
/// under way (calls made while answering one are not told). Costs one load and a branch when
/// no observer is installed: always in line, so that the compiler never trades that branch for
/// a call.
class ZynObservedCall {
 public:
  [[gnu::always_inline]] ZynObservedCall()
      : observer_(zyn_call_log::gObserver.load(std::memory_order_acquire)) {
    if (observer_) outermost_ = zyn_call_log::Enter();
  }
  [[gnu::always_inline]] ~ZynObservedCall() {
    if (observer_) zyn_call_log::Leave();
  }
  ZynObservedCall(const ZynObservedCall&) = delete;
  ZynObservedCall& operator=(const ZynObservedCall&) = delete;

  explicit operator bool() const { return outermost_; }
  void Tell(const ZynCall& iCall) const {
    if (outermost_) observer_->OnCall(iCall);
  }

 private:
  ZynCallObserver* observer_;
  bool outermost_ = false;
};

/// The name of the interface registered with iIid, or null.
ZYN_EXPORT const char* ZynFindInterfaceName(const IID& iIid);
