// Per-thread lists of freed blocks, one per size class of 16 bytes: no lock, no sharing, so that
// concurrent dumps neither wait for one another nor race on a list.
#include "ZynBlockCache.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace zyn::om {

namespace {

/// Sizes are kept in classes of this many bytes.
constexpr std::size_t kGranule = 16;
/// Blocks of this many classes or more go back to malloc.
constexpr std::size_t kClasses = 32;
/// The most blocks kept per class and thread: enough for the objects alive at once in a dump
/// (nesting is shallow), few enough that a released table's storage goes back to malloc.
constexpr unsigned kKeptPerClass = 64;

struct Link {
  Link* next;
};

/// The freed blocks of one size class. A kept block holds the link to the next one in its
/// first bytes; every block of class c has room for at least c * kGranule bytes.
struct FreeList {
  Link* first = nullptr;
  unsigned count = 0;
};

/// This thread's lists: plain data, readable until the thread's very end, so that a release
/// made after the drainer ran (a static destructor, say) still finds them.
/// The library is loaded with the program, never opened later: its thread-local data can live
/// in the static block, reached without a call.
#define ZYN_STATIC_TLS __attribute__((tls_model("initial-exec")))
ZYN_STATIC_TLS thread_local FreeList tLists[kClasses];
/// Set once the drainer has run: from then on nothing is kept.
ZYN_STATIC_TLS thread_local bool tClosed = false;

/// Gives the kept blocks back to malloc when the thread ends.
struct Drainer {
  bool armed = false;
  ~Drainer() {
    tClosed = true;
    for (FreeList& list : tLists) {
      while (Link* block = list.first) {
        list.first = block->next;
        std::free(block);
      }
      list.count = 0;
    }
  }
};
ZYN_STATIC_TLS thread_local Drainer tDrainer;

void* Take(std::size_t iSize) {
  // The smallest class whose every block has room for iSize bytes.
  const std::size_t sizeClass = (iSize + kGranule - 1) / kGranule;
  if (sizeClass >= kClasses) return nullptr;
  FreeList& list = tLists[sizeClass];
  Link* block = list.first;
  if (!block) return nullptr;
  list.first = block->next;
  --list.count;
  return block;
}

bool Keep(void* iBlock) {
  if (tClosed) return false;
  // The largest class that the block's usable room fills.
  const std::size_t sizeClass = malloc_usable_size(iBlock) / kGranule;
  if (sizeClass >= kClasses) return false;
  FreeList& list = tLists[sizeClass];
  if (list.count >= kKeptPerClass) return false;
  if (list.count == 0) tDrainer.armed = true;  // makes sure the drainer runs at the thread's end
  list.first = new (iBlock) Link{list.first};
  ++list.count;
  return true;
}

#if defined(__SANITIZE_ADDRESS__) || defined(ZYN_BLOCK_CACHE_OFF)
// Under the address sanitizer every block goes back to malloc, so that a use after release is
// still caught.
constexpr bool kCacheBlocks = false;
#else
constexpr bool kCacheBlocks = true;
#endif

}  // namespace

void* TakeCachedBlock(std::size_t iSize) noexcept { return kCacheBlocks ? Take(iSize) : nullptr; }

bool KeepFreedBlock(void* iBlock) noexcept { return kCacheBlocks && Keep(iBlock); }

}  // namespace zyn::om
