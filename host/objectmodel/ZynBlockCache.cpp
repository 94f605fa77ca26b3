// Per-thread lists of freed blocks, one per exact size in steps of 8 bytes: no lock, no sharing,
// so that concurrent dumps neither wait for one another nor race on a list.
#include "ZynBlockCache.h"

#include <cstdlib>
#include <new>

namespace zyn::om {

namespace {

/// Sizes kept are multiples of this many bytes (every object's size is a multiple of its
/// alignment, 8 for any object holding a pointer).
constexpr std::size_t kStep = 8;
/// Sizes of this many steps or more go back to malloc.
constexpr std::size_t kSizes = 64;
/// The most blocks kept per size and thread: enough for the objects alive at once in a dump
/// (nesting is shallow), few enough that a released table's storage goes back to malloc.
constexpr unsigned kKeptPerSize = 64;

struct Link {
  Link* next;
};

/// The freed blocks of one size. A kept block holds the link to the next one in its first
/// bytes; every block of list s has room for exactly s * kStep bytes or more.
struct FreeList {
  Link* first = nullptr;
  unsigned count = 0;
};

/// This thread's lists: plain data, readable until the thread's very end, so that a release
/// made after the drainer ran (a static destructor, say) still finds them.
/// The library is loaded with the program, never opened later: its thread-local data can live
/// in the static block, reached without a call.
#define ZYN_STATIC_TLS __attribute__((tls_model("initial-exec")))
ZYN_STATIC_TLS thread_local FreeList tLists[kSizes];
/// Whether blocks may be kept: set once the drainer is armed on this thread, cleared for good
/// when it has run (plain data: reading it costs no call).
ZYN_STATIC_TLS thread_local bool tOpen = false;
/// Set once the drainer has run: from then on nothing is kept.
ZYN_STATIC_TLS thread_local bool tClosed = false;

/// Gives the kept blocks back to malloc when the thread ends.
struct Drainer {
  bool armed = false;
  ~Drainer() {
    tOpen = false;
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

/// The list of blocks of iSize bytes, or null for a size not kept.
FreeList* ListFor(std::size_t iSize) {
  const std::size_t index = iSize / kStep;
  if (iSize % kStep != 0 || index >= kSizes) return nullptr;
  return &tLists[index];
}

void* Take(std::size_t iSize) {
  FreeList* list = ListFor(iSize);
  if (!list) return nullptr;
  Link* block = list->first;
  if (!block) return nullptr;
  list->first = block->next;
  --list->count;
  return block;
}

void Push(void* iBlock, FreeList& ioList) {
  ioList.first = new (iBlock) Link{ioList.first};
  ++ioList.count;
}

/// Keep for this thread's first kept block: builds the drainer, so that it runs at the thread's
/// end, then keeps the block. False once the drainer has run.
[[gnu::noinline, gnu::cold]] bool OpenAndKeep(void* iBlock, FreeList& ioList) {
  if (tClosed) return false;
  tDrainer.armed = true;
  tOpen = true;
  Push(iBlock, ioList);
  return true;
}

bool Keep(void* iBlock, std::size_t iSize) {
  FreeList* list = ListFor(iSize);
  if (!list || list->count >= kKeptPerSize) return false;
  if (__builtin_expect(!tOpen, 0)) return OpenAndKeep(iBlock, *list);
  Push(iBlock, *list);
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

bool KeepFreedBlock(void* iBlock, std::size_t iSize) noexcept {
  return kCacheBlocks && Keep(iBlock, iSize);
}

}  // namespace zyn::om
