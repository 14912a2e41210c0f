#include "host/key_hold_state.h"

std::atomic<int> held_key{255};
std::atomic<int> hold_armed{0};
std::atomic<int> hold_seconds{0};
std::atomic<int> watcher_running{0};
std::atomic<int> watcher_start_result{0};
std::atomic<pthread_t> watcher_thread{};

void ResetKeyHoldState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  held_key.store(255, kRelaxed);
  hold_armed.store(0, kRelaxed);
  hold_seconds.store(0, kRelaxed);
  watcher_start_result.store(0, kRelaxed);
}
