// Holding key 15 for three seconds switches the picture off. Key presses
// arrive as single calls, so a thread of its own counts the seconds while the
// key stays down; the key release stops it.
#pragma once

#include <pthread.h>

#include <atomic>

extern std::atomic<int> held_key;       // code being watched; 255 after a release
extern std::atomic<int> hold_armed;     // 1 while the watcher may still act
extern std::atomic<int> hold_seconds;   // whole seconds counted
extern std::atomic<int> watcher_running;
extern std::atomic<int> watcher_start_result;
extern std::atomic<pthread_t> watcher_thread;

void StartKeyHoldWatch(int key);
extern "C" void StopKeyHoldWatch();
void* KeyHoldWatcher(void* arg);
