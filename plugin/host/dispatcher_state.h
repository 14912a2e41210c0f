// The key dispatcher's words. Written on the host's key-input thread and, for
// internal requests, on SDL's timer thread; read by the drawing code (the
// key-44 overlay suppresses pictures) and the key-hold watcher (key_down).
#pragma once

#include <atomic>

// 1 while a remote key is held: raised by the dispatcher on every remote
// key, cleared by the release trampoline (assembly, a plain 32-bit store)
// once the key-hold watcher has stopped.
extern "C" std::atomic<int> key_down;

// The key code handled by the previous call (-1 after a reset): carries the
// two-key sequences 26-73, 70-108, 70-68 and 1-digit.
extern std::atomic<int> last_key;

// 0 normally; 1..3 counts presses of key 44 (the key-44 overlay), wrapping
// from 3 to 1; key 27 ends the overlay.
extern std::atomic<int> key44_count;

// Set by keys 140 and 147, cleared by key 45: while either is set, key 71
// and key 74 (action 2) leave the picture freeze alone.
extern std::atomic<int> freeze_guard_140;
extern std::atomic<int> freeze_guard_147;

// last_key -1, the overlay count and both guards 0. key_down is left alone:
// it follows the remote.
void ResetDispatcherState();
