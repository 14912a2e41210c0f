// The supervision tick: SDL's timer callback that watches a running
// recording once a second, started by the key dispatcher after a start from
// rest.
//
// Each tick, as the owner of the recording's transition (given back only
// while a notice is drawn, and the recording checked again afterwards):
// a clock jump is followed; the stop timer; the disk check (free space
// texts and gauge, the full disk and a vanished destination (the recording
// moves to another disk when failover is set and one is usable, else it
// stops), file size, bitrate, minutes left, the low-space warning by space
// or by time left, the split by size); the programme check (stop
// or run-on at the programme's end, split at a programme change, sampling
// of the name prefix); the picture-off reminder; the counters; the pane.
// It acts on the recording through KeyDispatcher(-70) and (-73), and ends a
// split that a viewer's stop came into through recording control.
//
// TickTimer(interval, param): param is the recording.generation the timer
// was registered for; a tick of an earlier recording returns 0 at once and
// touches nothing. Returns 1000 while the recording goes on, 0 once it has
// ended (the timer then ends). SDL is never shut down here: a stop the tick
// made leaves tick_stop_state 2 and the next remote key closes the display.
#pragma once

#include <cstddef>
#include <cstdint>

#include "supervision/supervision_state.h"

// Longest wait of the tick for a transition the key thread runs (ms of the
// system's clock); the tick is skipped after that.
inline constexpr int kTickTransitionWaitMs = 1000;
// Notice texts of the tick.
inline constexpr int kNoticeSplitSoon = 18;
inline constexpr int kNoticeSplitMade = 19;
inline constexpr int kNoticeLowSpace = 20;
inline constexpr int kNoticeDiskFull = 21;
inline constexpr int kNoticeStopTime = 34;
inline constexpr int kNoticePictureOff = 35;
inline constexpr int kNoticeRunOn = 49;
// The recording was stopped because its file stopped growing.
inline constexpr int kNoticeNotWriting = 104;
// The recording goes on on another disk (followed by the device's name).
inline constexpr int kNoticeFailover = 106;
// Seconds of the system clock without the file growing (or with its size
// unreadable) after which the recorder counts as stalled: the disk takes no
// more data (unplugged and put back, write errors) although the destination
// is still there. Half a minute: a recorder writing even a radio
// programme's stream flushes its buffer far more often.
inline constexpr uint32_t kStalledSeconds = 30;
// A clock step larger than this (or any step backwards) between two ticks is
// a jump of the clock, not time that passed.
inline constexpr int kClockJumpSeconds = 60;

// Whether the low-space warning is due with free_kib KiB free while the
// file grows by bytes_per_second (0: not measured yet): below 32 MiB free,
// or less than ten minutes of recording left before the stop's 4 MiB.
bool SpaceRunningLow(uint32_t free_kib, uint64_t bytes_per_second);

// The text rule for free_text.data() and total_text.data(): "%0.2f GB" above 2 GiB, else
// "%0.2f MB" above 8 MiB, else "%lu KB"; "Go", "Mo", "Ko" for language 12.
// Always terminated within size.
void FormatSpace(char* out, size_t size, uint32_t kib, int language);

// SDL's timer callback (see above).
uint32_t TickTimer(uint32_t interval, void* param);

// Registers the tick of the recording of `generation` with SDL's timer: the
// first tick 200 ms from now. Call without holding the recording's owner
// (SDL holds its timer lock while a tick runs, and a tick may be waiting for
// the owner).
void StartTick(uint32_t generation);
