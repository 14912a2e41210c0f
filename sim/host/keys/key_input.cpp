#include "sim/host/keys/key_input.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace sim {
namespace {

struct QueuedKey {
  int key;
  int arg;
  int hold_ms;
};

struct KeyInput {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<QueuedKey> queue;
  bool busy = false;      // a key is between its press and its release
  bool stopping = false;  // the thread ends once the queue is empty
  std::thread thread;
};

KeyInput& Input() {
  static KeyInput input;
  return input;
}

// The host's key-input thread: each key is pressed, held and released in
// the order it was queued.
void KeyInputThread() {
  KeyInput& input = Input();
  std::unique_lock lock(input.mutex);
  for (;;) {
    input.changed.wait(lock, [&] { return !input.queue.empty() || input.stopping; });
    if (input.queue.empty()) return;
    QueuedKey next = input.queue.front();
    input.queue.pop_front();
    input.busy = true;
    lock.unlock();

    HostKeyObject()->SendKeyPressInput(next.key, next.arg);
    // The hold is TV time: in tvsim the platform layer scales the sleep.
    std::this_thread::sleep_for(std::chrono::milliseconds(next.hold_ms));
    HostKeyObject()->SendKeyReleaseInput(next.key);

    lock.lock();
    input.busy = false;
    input.changed.notify_all();
  }
}

}  // namespace

void StartKeyInput() {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  if (input.thread.joinable()) return;
  input.stopping = false;
  input.thread = std::thread(KeyInputThread);
}

void StopKeyInput() {
  KeyInput& input = Input();
  std::thread thread;
  {
    std::lock_guard lock(input.mutex);
    if (!input.thread.joinable()) return;
    input.stopping = true;
    input.changed.notify_all();
    thread = std::move(input.thread);
  }
  thread.join();
}

void QueueKey(int key, int arg, int hold_ms) {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  input.queue.push_back({key, arg, hold_ms < 0 ? 0 : hold_ms});
  input.changed.notify_all();
}

void WaitKeysIdle() {
  KeyInput& input = Input();
  std::unique_lock lock(input.mutex);
  // Without a running thread nothing would drain the queue.
  input.changed.wait(lock, [&] {
    return (input.queue.empty() && !input.busy) || !input.thread.joinable();
  });
}

}  // namespace sim
