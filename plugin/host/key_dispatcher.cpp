#include "host/key_dispatcher.h"

#include "host/key_detours.h"

std::atomic<int> key44_count{0};

// Until the key modes are built every key passes to the host unchanged; the
// dispatcher only marks the key as held, which the key-hold watcher reads.
int KeyDispatcher(int key) {
  if (key >= 0) key_down.store(1, std::memory_order_relaxed);
  return key;
}
