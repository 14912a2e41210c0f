// Holding key 15 for three seconds switches the picture off. Key presses
// arrive as single calls, so a thread of its own counts the seconds while the
// key stays down; the key release stops it. No lock is taken: the watch is
// coordinated through the words of host/key_hold_state.h.
#pragma once

#include "host/key_hold_state.h"

// On the key thread, for a press of `key`: held_key = key. When a watcher
// runs already it goes on (now for `key`); else the watcher ended before is
// joined, the watch armed with 0 seconds and a new watcher started (SIGALRM
// blocked in it). Never blocks. pthread_create's result goes to
// watcher_start_result; when it fails there is no watch (watcher_running 0).
void StartKeyHoldWatch(int key);
// At the key release (called from the release trampoline, hence C linkage):
// held_key = 255. With no watcher running, joins one that has ended and
// returns at once. Else disarms the watch and sleeps 1 s at a time until the
// watcher has ended (at least 1 s, at most 8 s), then joins it; one still
// running after 8 s gets a SIGALRM (blocked there: it stays pending and is
// discarded) and is joined by a later start or stop.
extern "C" void StopKeyHoldWatch();
// The watcher thread's body: while key_down and the watch is armed, sleeps
// 1 s and counts; at 3 s switches the picture off (PictureOffIfOn) when
// held_key is 15 and it is not off yet, and disarms. Clears watcher_running
// as its last act; returns arg.
void* KeyHoldWatcher(void* arg);
