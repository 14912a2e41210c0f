// The recording's one owner (recording_transition, host/recording_state.h):
// start, stop and split run one at a time. A thread that already holds the
// transition takes it again at once (the tick's own stop and restart go
// through the dispatcher while the tick holds it); every take is matched by
// one release.
#pragma once

// Takes the transition for this thread. Waits in 10 ms steps of the
// system's (scaled) clock, at most `wait_ms` in all (0: one try). true when
// held; false, with nothing taken, when another thread kept it all along.
bool TakeRecordingTransition(int wait_ms);

// Gives back one take; the transition is free once this thread has given
// back every take it made. Does nothing on a thread that holds none.
void ReleaseRecordingTransition();

// True when this thread holds the transition.
bool HoldingRecordingTransition();
