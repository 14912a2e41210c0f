// Stands in for the plug-in's dispatcher and key-hold watcher behind the
// trampolines, so that the detours are tested on their own.
#include "tests/detours/test_dispatcher.h"

#include "host/key_detours.h"
#include "host/key_dispatcher.h"
#include "host/key_hold_watcher.h"

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
TestDispatcherState state;
}  // namespace

std::atomic<int> key_down{0};

TestDispatcherState& TestDispatcher() { return state; }

void ResetTestDispatcher() {
  state.rule.store(nullptr, kRelaxed);
  state.calls.store(0, kRelaxed);
  state.last_key.store(0, kRelaxed);
  state.last_thread = {};
  state.stop_calls.store(0, kRelaxed);
  state.key_down_at_stop.store(-1, kRelaxed);
  key_down.store(0, kRelaxed);
}

int KeyDispatcher(int key) {
  if (key >= 0) key_down.store(1, kRelaxed);
  state.calls.fetch_add(1, kRelaxed);
  state.last_key.store(key, kRelaxed);
  state.last_thread = std::this_thread::get_id();
  DispatchRule rule = state.rule.load(kRelaxed);
  return rule ? rule(key) : key;
}

void StopKeyHoldWatch() {
  state.stop_calls.fetch_add(1, kRelaxed);
  state.key_down_at_stop.store(key_down.load(kRelaxed), kRelaxed);
}
