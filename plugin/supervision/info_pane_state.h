// The information pane's state as the viewer set it. Written by the
// dispatcher (keys 44, 45, 73) on the key thread and by recording start;
// read by the tick, which redraws the pane only while it is shown.
#pragma once

#include <atomic>

// 0 hidden, 1 shown, 2 hidden by key 44 or 45 (key 73 brings the record
// icon back).
extern std::atomic<int> pane_state;

// pane_state 0.
void ResetInfoPaneState();
