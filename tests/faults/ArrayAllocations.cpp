// The replacement of the array forms of operator new and delete, with the controls of
// ArrayAllocations.h.
#include "faults/ArrayAllocations.h"

#include <cstdlib>
#include <new>

namespace zyn_test {

bool gArraysArmed = false;
long gArrayCalls = 0;
long gArrayFailure = -1;
std::size_t gRefusedArrayBytes = 0;

namespace {

void* AllocateArray(std::size_t iSize) {
  if (gArraysArmed && gArrayCalls++ == gArrayFailure) throw std::bad_alloc();
  if (iSize > kLargestArray) {
    gRefusedArrayBytes = iSize;
    throw std::bad_alloc();
  }
  if (void* storage = std::malloc(iSize ? iSize : 1)) return storage;
  throw std::bad_alloc();
}

}  // namespace
}  // namespace zyn_test

void* operator new[](std::size_t iSize) { return zyn_test::AllocateArray(iSize); }
void* operator new[](std::size_t iSize, const std::nothrow_t&) noexcept {
  try {
    return zyn_test::AllocateArray(iSize);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete[](void* iStorage) noexcept { std::free(iStorage); }
void operator delete[](void* iStorage, std::size_t) noexcept { std::free(iStorage); }
void operator delete[](void* iStorage, const std::nothrow_t&) noexcept { std::free(iStorage); }
