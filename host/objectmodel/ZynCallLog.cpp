// The observer of the calls made into the host, and the scope that tells each call once.
#include "zyn/ZynCallLog.h"

#include <atomic>

namespace {

std::atomic<ZynCallObserver*> gObserver{nullptr};

/// The observed calls under way on this thread.
thread_local int tDepth = 0;

}  // namespace

void ZynCallLog::SetObserver(ZynCallObserver* iObserver) {
  gObserver.store(iObserver, std::memory_order_release);
}

ZynObservedCall::ZynObservedCall() : observer_(gObserver.load(std::memory_order_acquire)) {
  if (observer_) outermost_ = tDepth++ == 0;
}

ZynObservedCall::~ZynObservedCall() {
  if (observer_) --tDepth;
}

void ZynObservedCall::Tell(const ZynCall& iCall) const {
  if (outermost_) observer_->OnCall(iCall);
}
