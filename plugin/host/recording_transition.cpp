#include "host/recording_transition.h"

#include <SDL.h>

namespace {

constexpr int kWaitStepMs = 10;

// Takes made by this thread and not yet given back: only the holder's
// nested takes count here, so it needs no sharing.
thread_local int takes_here = 0;

}  // namespace

// The analysis cannot follow a capability taken through an atomic word:
// these three functions are where the word and the capability meet.
bool TakeRecordingTransition(int wait_ms) NO_THREAD_SAFETY_ANALYSIS {
  if (takes_here > 0) {
    ++takes_here;
    return true;
  }
  for (int waited = 0;; waited += kWaitStepMs) {
    if (recording.taken.exchange(1, std::memory_order_acquire) == 0) {
      takes_here = 1;
      return true;
    }
    if (waited >= wait_ms) return false;
    SDL_Delay(kWaitStepMs);
  }
}

void ReleaseRecordingTransition() NO_THREAD_SAFETY_ANALYSIS {
  if (takes_here <= 0) return;
  if (--takes_here == 0) recording.taken.store(0, std::memory_order_release);
}

bool HoldingRecordingTransition() { return takes_here > 0; }
