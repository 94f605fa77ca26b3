// The one way the thread tests start their threads: all released at once, so that they overlap.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace zyn_test {

/// Runs iBody(0), ..., iBody(iCount - 1), each on a thread of its own, and returns when all have
/// ended. Each thread spins until every other one has started before it calls its body: started
/// one after another without that, the first bodies would often end before the last begin, and a
/// race between them would go unseen by ThreadSanitizer and by the checks alike.
template <class Body>
void RunTogether(int iCount, Body iBody) {
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(iCount));
  for (int t = 0; t < iCount; ++t)
    threads.emplace_back([&, t] {
      ++started;
      while (started < iCount) std::this_thread::yield();
      iBody(t);
    });
  for (std::thread& thread : threads) thread.join();
}

}  // namespace zyn_test
