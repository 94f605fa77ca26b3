// The class-level storage's cache of freed blocks, so that objects created and released in
// turn (the extensions of a dump) cost no malloc and free.
#pragma once

#include <cstddef>

namespace zyn::om {

/// A block of exactly iSize bytes freed earlier on this thread, or null (none kept, or a size
/// the cache does not keep): the caller then allocates.
void* TakeCachedBlock(std::size_t iSize) noexcept;

/// Keeps iBlock, a non-null block of iSize bytes from malloc (its size when it was allocated,
/// or less), for a later TakeCachedBlock(iSize) on this thread; false when it is not kept (a
/// size the cache does not keep, or enough blocks of that size kept already): the caller then
/// frees it. The size is the caller's to know: asking malloc for it would cost more than the
/// rest of the release.
bool KeepFreedBlock(void* iBlock, std::size_t iSize) noexcept;

}  // namespace zyn::om
