#include "host/dispatcher_state.h"

// Written from the release trampoline in assembly as a plain 32-bit word:
// std::atomic<int> has exactly that representation, and its relaxed loads and
// stores are plain word accesses on both targets.
static_assert(sizeof(std::atomic<int>) == 4 && alignof(std::atomic<int>) == 4);
std::atomic<int> key_down{0};

std::atomic<int> last_key{-1};
std::atomic<int> key44_count{0};
std::atomic<int> freeze_guard_140{0};
std::atomic<int> freeze_guard_147{0};

void ResetDispatcherState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  last_key.store(-1, kRelaxed);
  key44_count.store(0, kRelaxed);
  freeze_guard_140.store(0, kRelaxed);
  freeze_guard_147.store(0, kRelaxed);
}
