#include "host/recording_transition.h"

#include <SDL.h>

#include "host/recording_state.h"

namespace {

constexpr int kWaitStepMs = 10;

// Takes made by this thread and not yet given back: only the holder's
// nested takes count here, so it needs no sharing.
thread_local int takes_here = 0;

}  // namespace

bool TakeRecordingTransition(int wait_ms) {
  if (takes_here > 0) {
    ++takes_here;
    return true;
  }
  for (int waited = 0;; waited += kWaitStepMs) {
    if (recording_transition.exchange(1, std::memory_order_acquire) == 0) {
      takes_here = 1;
      return true;
    }
    if (waited >= wait_ms) return false;
    SDL_Delay(kWaitStepMs);
  }
}

void ReleaseRecordingTransition() {
  if (takes_here <= 0) return;
  if (--takes_here == 0) recording_transition.store(0, std::memory_order_release);
}

bool HoldingRecordingTransition() { return takes_here > 0; }
