// The plug-in's side of the detours, as the tests provide it: a dispatcher
// whose rule the test chooses, and a key-hold stop that records its calls.
#pragma once

#include <atomic>
#include <thread>

// The dispatcher's rule: the key code the host should process for key.
using DispatchRule = int (*)(int key);

struct TestDispatcherState {
  std::atomic<DispatchRule> rule{nullptr};  // null: pass every key unchanged
  std::atomic<int> calls{0};
  std::atomic<int> last_key{0};
  std::thread::id last_thread;  // written by the dispatcher, read after the call
  std::atomic<int> stop_calls{0};
  std::atomic<int> key_down_at_stop{-1};
};

TestDispatcherState& TestDispatcher();
void ResetTestDispatcher();
