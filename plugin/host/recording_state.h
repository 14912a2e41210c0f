// Recording control's own words (the figures shared with the supervision
// tick live in supervision/supervision_state.h). Written by recording start
// and stop on the key thread or, at a split, on SDL's timer thread; read by
// the dispatcher, the delete dialog and the information pane.
#pragma once

#include <atomic>

// Files of the last recording kept for the delete dialog; key 140 empties it.
extern std::atomic<int> recent_file_count;

// 0: the next start from rest tries dest1; 1: dest2 (after dest1 failed).
extern std::atomic<int> dest_attempt;

// The running recording goes to a network file system, or to the set's
// internal memory (the information pane's destination icon).
extern std::atomic<int> network_dest;
extern std::atomic<int> memory_dest;

// Every word 0.
void ResetRecordingState();
