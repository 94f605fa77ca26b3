// The class-level storage's cache of freed blocks, so that objects created and released in
// turn (the extensions of a dump) cost no malloc and free.
#pragma once

#include <cstddef>

namespace zyn::om {

/// A block freed earlier on this thread with room for iSize bytes, or null (none kept, or a
/// size the cache does not keep): the caller then allocates.
void* TakeCachedBlock(std::size_t iSize) noexcept;

/// Keeps iBlock, a non-null block from malloc, for a later TakeCachedBlock on this thread;
/// false when it is not kept (too large, or enough blocks of its size are kept already): the
/// caller then frees it.
bool KeepFreedBlock(void* iBlock) noexcept;

}  // namespace zyn::om
