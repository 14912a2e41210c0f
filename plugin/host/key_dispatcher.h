// The plug-in's key handler: called by the press trampoline with every remote
// key (and by the supervision tick with negative internal codes); the code it
// returns is the key the host goes on to process (255: consumed).
#pragma once

#include <atomic>

extern "C" int KeyDispatcher(int key);

// 0 normally; 1..3 counts presses of key 44 (the key-44 overlay).
extern std::atomic<int> key44_count;
