// Taking and giving back the recording's owner (host/recording_state.h):
// start, stop and split run one at a time. A thread that already holds it
// takes it again at once (the tick's own stop and restart go through the
// dispatcher while the tick holds it); every take is matched by one
// release.
#pragma once

#include "host/recording_state.h"

// Takes the owner for this thread. Waits in 10 ms steps of the system's
// (scaled) clock, at most `wait_ms` in all (0: one try). true when held;
// false, with nothing taken, when another thread kept it all along.
bool TakeRecordingTransition(int wait_ms) TRY_ACQUIRE(true, recording_owner);

// Gives back one take; the owner is free once this thread has given back
// every take it made. Does nothing on a thread that holds none.
void ReleaseRecordingTransition() RELEASE(recording_owner);

// True when this thread holds the owner.
bool HoldingRecordingTransition();

// The owner for a scope: adopts a take this thread made (the take itself
// waits and may fail, so it stays a call that says whether it succeeded)
// and gives it back when the scope ends.
//   if (!TakeRecordingTransition(wait_ms)) return ...;
//   RecordingTurn turn(recording_owner);
class SCOPED_CAPABILITY RecordingTurn {
 public:
  explicit RecordingTurn(RecordingOwner& owner) REQUIRES(owner) {}
  ~RecordingTurn() RELEASE() { ReleaseRecordingTransition(); }
  RecordingTurn(const RecordingTurn&) = delete;
  RecordingTurn& operator=(const RecordingTurn&) = delete;
};

// Moves the recording to `phase` (as its owner).
inline void EnterPhase(RecordingPhase phase) REQUIRES(recording_owner) {
  recording.phase.store(phase, std::memory_order_relaxed);
}
