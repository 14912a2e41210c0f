#include "sim/host/keys/key_input.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "sim/platform/tv_time.h"

// TV time is linked into the processes that host the plug-in; the detour
// tests drive the key thread without it.
extern "C" {
__attribute__((weak)) void tv_time_on_hold(void (*hook)(void));
__attribute__((weak)) int tv_time_thread_held(pthread_t thread);
}

namespace sim {
namespace {

// One event of the remote: a press, a release, or both with a hold between.
struct KeyEvent {
  int key;
  int arg;
  int hold_ms;
  bool press;
  bool release;
};

struct KeyInput {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<KeyEvent> queue;
  std::optional<int> held;  // pressed by QueuePress, release not yet queued
  bool busy = false;        // an event is being carried out
  bool stopping = false;    // the thread ends once the queue is empty
  std::thread thread;
};

KeyInput& Input() {
  static KeyInput input;
  return input;
}

void Carry(const KeyEvent& event) {
  if (event.press) PressRemoteKey(event.key, event.arg);
  if (event.press && event.release) {
    // The hold is TV time: in tvsim the platform layer scales the sleep.
    std::this_thread::sleep_for(std::chrono::milliseconds(event.hold_ms));
  }
  if (event.release) HostKeyObject()->SendKeyReleaseInput(event.key);
}

// The host's key-input thread: each event is carried out in the order it
// was queued.
void KeyInputThread() {
  KeyInput& input = Input();
  std::unique_lock lock(input.mutex);
  for (;;) {
    input.changed.wait(lock, [&] { return !input.queue.empty() || input.stopping; });
    if (input.queue.empty()) return;
    KeyEvent next = input.queue.front();
    input.queue.pop_front();
    input.busy = true;
    lock.unlock();
    Carry(next);
    lock.lock();
    input.busy = false;
    input.changed.notify_all();
  }
}

// A thread caught by a hold of TV time: whoever waits for the keys to
// finish looks again (the key thread will not finish while held).
void WakeKeyWaiters() {
  KeyInput& input = Input();
  { std::lock_guard lock(input.mutex); }
  input.changed.notify_all();
}

void Queue(KeyInput& input, const KeyEvent& event) {
  input.queue.push_back(event);
  input.changed.notify_all();
}

}  // namespace

void StartKeyInput() {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  if (input.thread.joinable()) return;
  input.stopping = false;
  input.thread = std::thread(KeyInputThread);
  if (tv_time_on_hold != nullptr) tv_time_on_hold(WakeKeyWaiters);
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
  Queue(input, {key, arg, hold_ms < 0 ? 0 : hold_ms, true, true});
}

bool QueuePress(int key, int arg) {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  if (input.held) return false;
  input.held = key;
  Queue(input, {key, arg, 0, true, false});
  return true;
}

bool QueueRelease() {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  if (!input.held) return false;
  Queue(input, {*input.held, 0, 0, false, true});
  input.held.reset();
  return true;
}

std::optional<int> HeldKey() {
  KeyInput& input = Input();
  std::lock_guard lock(input.mutex);
  return input.held;
}

void WaitKeysIdle() {
  KeyInput& input = Input();
  std::unique_lock lock(input.mutex);
  // Without a running thread nothing would drain the queue; a key thread
  // held at a point of TV time drains nothing until it is resumed.
  input.changed.wait(lock, [&] {
    return (input.queue.empty() && !input.busy) || !input.thread.joinable() ||
           (tv_time_thread_held != nullptr && tv_time_thread_held(input.thread.native_handle()));
  });
}

}  // namespace sim
