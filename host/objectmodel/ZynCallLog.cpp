// The observer of the calls made into the host, and the depth of observed calls per thread.
#include "zyn/ZynCallLog.h"

std::atomic<ZynCallObserver*> zyn_call_log::gObserver{nullptr};

namespace {

/// The observed calls under way on this thread.
thread_local int tDepth = 0;

}  // namespace

void ZynCallLog::SetObserver(ZynCallObserver* iObserver) {
  zyn_call_log::gObserver.store(iObserver, std::memory_order_release);
}

bool zyn_call_log::Enter() { return tDepth++ == 0; }

void zyn_call_log::Leave() { --tDepth; }
