// The status band's word: which of the band's two users (a notice on the
// tick's thread, the stop-timer line on the key thread) owns it.
#pragma once

#include <atomic>

// 1 while a notice or the stop-timer line owns the band. Taken with one
// atomic exchange (test and set in one step), given back with a release store.
extern std::atomic<int> band_busy;

// band_busy 0.
void ResetStatusNoticeState();
