#include "display/display_lock.h"

std::recursive_mutex display_mutex;

namespace {
// Depth of TimerThreadScope on this thread.
thread_local int timer_thread_depth = 0;
}  // namespace

TimerThreadScope::TimerThreadScope() { ++timer_thread_depth; }
TimerThreadScope::~TimerThreadScope() { --timer_thread_depth; }

bool OnTimerThread() { return timer_thread_depth > 0; }
