#include "host/key_detours.h"

// Read and written from the trampolines in assembly as a plain 32-bit word; a
// lock-free std::atomic<int> has exactly that representation.
static_assert(sizeof(std::atomic<int>) == 4 && std::atomic<int>::is_always_lock_free);
std::atomic<int> key_down{0};
