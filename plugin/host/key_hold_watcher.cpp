#include "host/key_hold_watcher.h"

#include <signal.h>
#include <unistd.h>

#include "host/dispatcher_state.h"
#include "host/tv_services.h"
#include "host/tv_state.h"

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kPictureOffKey = 15;
constexpr int kHoldSeconds = 3;
constexpr int kStopWaits = 8;

// Set while watcher_thread names a thread that nobody has joined yet.
std::atomic<bool> watcher_joinable{false};

// Collects the previous watcher once it has ended, so that its stack is freed.
void JoinEndedWatcher() {
  if (!watcher_running.load(kRelaxed) && watcher_joinable.exchange(false, kRelaxed))
    pthread_join(watcher_thread.load(kRelaxed), nullptr);
}
}  // namespace

void StartKeyHoldWatch(int key) {
  held_key.store(key, kRelaxed);
  if (watcher_running.load(kRelaxed)) return;
  JoinEndedWatcher();
  hold_armed.store(1, kRelaxed);
  hold_seconds.store(0, kRelaxed);
  // Raised here rather than by the new thread, so that a press arriving
  // before the thread has run cannot start a second watcher.
  watcher_running.store(1, kRelaxed);

  // The watcher starts with SIGALRM blocked (a new thread inherits its
  // creator's mask). The stop's SIGALRM then stays pending on the watcher
  // and is discarded when it ends: it can never reach the host's
  // disposition, whatever that is.
  sigset_t alarm, previous;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &alarm, &previous);
  pthread_t thread;
  int result = pthread_create(&thread, nullptr, KeyHoldWatcher, nullptr);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  watcher_start_result.store(result, kRelaxed);
  if (result == 0) {
    watcher_thread.store(thread, kRelaxed);
    watcher_joinable.store(true, kRelaxed);
  } else {
    watcher_running.store(0, kRelaxed);
  }
}

void StopKeyHoldWatch() {
  held_key.store(255, kRelaxed);
  if (!watcher_running.load(kRelaxed)) {
    JoinEndedWatcher();
    return;
  }
  hold_armed.store(0, kRelaxed);
  for (int wait = 1; wait <= kStopWaits; ++wait) {
    sleep(1);
    if (!watcher_running.load(kRelaxed)) {
      JoinEndedWatcher();
      return;
    }
  }
  pthread_kill(watcher_thread.load(kRelaxed), SIGALRM);
}

void* KeyHoldWatcher(void* arg) {
  while (key_down.load(kRelaxed) && hold_armed.load(kRelaxed)) {
    sleep(1);
    if (hold_seconds.fetch_add(1, kRelaxed) + 1 == kHoldSeconds) {
      if (held_key.load(kRelaxed) == kPictureOffKey && !picture_off.load(kRelaxed))
        PictureOffIfOn();
      hold_armed.store(0, kRelaxed);
    }
  }
  watcher_running.store(0, kRelaxed);
  return arg;
}
