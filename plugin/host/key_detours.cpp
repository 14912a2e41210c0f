#include "host/key_detours.h"

// Read and written from the trampolines in assembly as a plain 32-bit word:
// std::atomic<int> holds just the int, and its loads and stores are single
// word accesses. (On armv5te it is not "always" lock-free by the standard's
// measure, since read-modify-writes go through the kernel's cmpxchg helper,
// hence ATOMIC_INT_LOCK_FREE rather than is_always_lock_free.)
static_assert(sizeof(std::atomic<int>) == 4 && ATOMIC_INT_LOCK_FREE > 0);
std::atomic<int> key_down{0};
