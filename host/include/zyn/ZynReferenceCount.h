// The reference count of host objects, written once for all of them (QueryInterface by name,
// the other piece they share, is ZynQueryInterfaceByName in ZynBaseUnknown.h).
#pragma once

#include <atomic>
#include <cstdint>

/// The reference count of a host object, shared by threads. The object's Release answers what
/// Drop answers and destroys the object when that is 0, touching nothing of it afterwards:
///
///   std::uint32_t Release() override {
///     const std::uint32_t left = references_.Drop();
///     if (left == 0) delete this;
///     return left;
///   }
///
/// The memory orders are chosen here once:
/// - Add is relaxed: whoever adds a reference already holds one, so the object cannot go away
///   meanwhile, and nothing read or written through the new reference depends on the count.
/// - Drop is acq_rel: its release half makes every use of the object by a thread that drops a
///   reference happen before the drop; its acquire half, on the thread whose drop reaches 0,
///   makes all those uses happen before the destruction that follows.
class ZynReferenceCount {
 public:
  /// Starts with the references of the object's creator (one, as a rule).
  explicit ZynReferenceCount(std::uint32_t iInitial = 1) : count_(iInitial) {}
  ZynReferenceCount(const ZynReferenceCount&) = delete;
  ZynReferenceCount& operator=(const ZynReferenceCount&) = delete;

  /// Takes one more reference; answers how many there are now.
  std::uint32_t Add() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  /// Gives one back; answers how many are left. At 0 the caller destroys the object.
  std::uint32_t Drop() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  /// The count now, for tests (another thread may change it at once).
  std::uint32_t Peek() const { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> count_;
};
