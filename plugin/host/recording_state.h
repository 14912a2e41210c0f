// Recording control's own words (the figures shared with the supervision
// tick live in supervision/supervision_state.h). Written by recording start
// and stop on the key thread or, at a split and a timed stop, on SDL's timer
// thread; read by the dispatcher, the delete dialog and the information pane.
//
// The recording's one owner: start, stop and split are transitions of one
// recording and run one at a time. `recording_transition` is 1 while a
// thread carries one out; it is taken with an atomic exchange and released
// with a release store (host/recording_transition.h), so everything the
// owner wrote is seen by the next owner. The supervision tick holds it while
// it reads or writes the recording's texts and figures, and lets it go only
// while a notice is drawn.
//
// Who writes the text buffers, and when: ts_path, mdb_path, rename_path,
// start_prefix and recent_files are written by StartRecording and
// StopRecording, always by the owner of the transition (the key thread, or
// SDL's timer thread at a split or a timed stop); the tick reads ts_path, and
// DeleteRecentFiles reads recent_files, as owners too. No text is ever read
// or written without holding the transition. The same holds for the
// exported statfs record `fs` (host/storage_checks.h): the start fills it,
// the pane's redraw on the tick reads it.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>

inline constexpr int kPathSize = 256;
inline constexpr int kRecentFileSlots = 10;

// A shared word's current value, read relaxed: the words of the recording
// and the tick are each read on their own, and the transitions that must
// order them take the recording transition first.
inline int Word(const std::atomic<int>& word) { return word.load(std::memory_order_relaxed); }

// 1 while a start, stop or split runs (the transition's owner).
extern std::atomic<int> recording_transition;
// Counts starts from rest; the tick of a recording carries the value it was
// registered with and ends itself once it differs (a tick left over from an
// earlier recording).
extern std::atomic<uint32_t> recording_generation;

// Path of the current .ts file, its side file (emptied when deleted at the
// stop), and the name built for the rename at the stop.
extern char ts_path[kPathSize];
extern char mdb_path[kPathSize];
extern char rename_path[kPathSize];
// The name prefix the current file was created under: its date and time go
// into the final name.
extern char start_prefix[kPathSize];

// Files of the last recording for the delete dialog, and how many are used
// (0..10). Key 140 empties the list by setting the count to 0.
struct RecentFile {
  char ts[kPathSize];
  char mdb[kPathSize];
};
extern RecentFile recent_files[kRecentFileSlots];
extern std::atomic<int> recent_file_count;

// 0: the next start from rest tries dest1; 1: dest2 (after dest1 failed).
extern std::atomic<int> dest_attempt;

// The running recording goes to a network file system, or to the set's
// internal memory (the information pane's destination icon).
extern std::atomic<int> network_dest;
extern std::atomic<int> memory_dest;

// Catalogue text of the message box the last failed start showed (3, 4,
// 5, 45); 0 after a start that records.
extern std::atomic<int> last_start_failure;

// The supervision tick's SDL timer, as SDL_AddTimer returned it.
extern std::atomic<SDL_TimerID> tick_timer_id;

// Every word 0 and every text empty; the transition free. The generation
// only ever grows, so a tick registered before the reset still ends itself.
void ResetRecordingState();
