// State words of other subsystems that the display toolkit reads: whether a
// recording runs (the display is held open for the supervision tick), the
// key-44 overlay count (message icons stay off), and the kind of the running
// recording's destination (the pane's destination icon).
#pragma once

#include <atomic>

extern std::atomic<int> recording_active;
extern std::atomic<int> key44_count;
extern std::atomic<int> memory_dest;
extern std::atomic<int> network_dest;
