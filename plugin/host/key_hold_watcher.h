// Holding key 15 for three seconds switches the picture off. Key presses
// arrive as single calls, so a thread of its own counts the seconds while the
// key stays down; the key release stops it.
#pragma once

#include "host/key_hold_state.h"

void StartKeyHoldWatch(int key);
extern "C" void StopKeyHoldWatch();
void* KeyHoldWatcher(void* arg);
