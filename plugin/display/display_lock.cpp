#include "display/display_lock.h"

#include <atomic>

DisplayMutex display_mutex;

namespace {
// Depth of TimerThreadScope on this thread.
thread_local int timer_thread_depth = 0;
// Depth of DisplayLock on this thread, and the shutdown it asked for.
thread_local int display_lock_depth = 0;
thread_local void (*pending_quit)() = nullptr;
// Set from a request until its shutdown has returned.
std::atomic<int> sdl_quitting{0};
}  // namespace

DisplayLock::DisplayLock(DisplayMutex& mutex) : mutex_(mutex) {
  mutex.lock();
  ++display_lock_depth;
}

DisplayLock::~DisplayLock() {
  --display_lock_depth;
  mutex_.unlock();
  if (display_lock_depth != 0 || pending_quit == nullptr) return;
  void (*quit)() = pending_quit;
  pending_quit = nullptr;
  quit();
  sdl_quitting.store(0, std::memory_order_release);
}

void RequestSdlQuit(void (*quit)()) {
  pending_quit = quit;
  sdl_quitting.store(1, std::memory_order_release);
}

bool CancelSdlQuit() {
  if (pending_quit == nullptr) return false;
  pending_quit = nullptr;
  sdl_quitting.store(0, std::memory_order_release);
  return true;
}

bool SdlQuitting() { return sdl_quitting.load(std::memory_order_acquire) != 0; }

TimerThreadScope::TimerThreadScope() { ++timer_thread_depth; }
TimerThreadScope::~TimerThreadScope() { --timer_thread_depth; }

bool OnTimerThread() { return timer_thread_depth > 0; }
