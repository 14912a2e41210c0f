#include "host/key_detours.h"

// Written from the release trampoline in assembly as a plain 32-bit word:
// std::atomic<int> has exactly that representation, and its relaxed loads and
// stores are plain word accesses on both targets.
static_assert(sizeof(std::atomic<int>) == 4 && alignof(std::atomic<int>) == 4);
std::atomic<int> key_down{0};
