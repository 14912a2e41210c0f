// The key-hold watcher's words. The key thread arms the watch on a press of
// key 15 and ends it on the release; the watcher thread counts the seconds.
#pragma once

#include <pthread.h>

#include <atomic>

extern std::atomic<int> held_key;       // code being watched; 255 after a release
extern std::atomic<int> hold_armed;     // 1 while the watcher may still act
extern std::atomic<int> hold_seconds;   // whole seconds counted
extern std::atomic<int> watcher_running;       // 1 from the start of a watch to the thread's end
extern std::atomic<int> watcher_start_result;  // pthread_create's result for the last watch
extern std::atomic<pthread_t> watcher_thread;

// held_key 255, nothing armed or counted. watcher_running and watcher_thread
// belong to the thread's life and are left alone: a watcher that runs still
// ends by itself (it sees hold_armed 0) and is joined by the next watch.
void ResetKeyHoldState();
