// Shared by the tests of the display lock: the tick's thread and the key
// thread drawing at once.
#pragma once

#include <atomic>
#include <thread>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "stress_rounds.h"
#include "supervision/supervision_state.h"

namespace display_test {

// Runs tick_round(round) over and over on a thread marked as SDL's timer
// thread while the calling thread runs key(k) for k = 0, 1, ... as long as
// `keys` gives rounds; returns how many rounds the tick ran.
template <typename Key, typename TickRound>
int DrawOnTwoThreads(StressRounds keys, Key key, TickRound tick_round) {
  std::atomic<bool> keys_done{false};
  std::atomic<int> rounds{0};
  std::thread tick([&] {
    TimerThreadScope timer_thread;
    while (!keys_done.load()) {
      tick_round(rounds.load());
      ++rounds;
    }
  });
  for (int k = 0; keys.Due(k); ++k) key(k);
  keys_done = true;
  tick.join();
  return rounds.load();
}

// What a key does to the display during a recording: closes it (the surface
// stays for the tick) and opens it again; at_rest, with the recording flag
// down for the moment, so that SDL is quit and started again.
inline void ReopenDisplay(bool at_rest) {
  if (at_rest) recording_active = 0;
  CloseOsd();
  OpenOsd();
  if (at_rest) recording_active = 1;
}

}  // namespace display_test
