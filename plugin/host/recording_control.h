// Starting and stopping recordings. Each returns the code for the host, as
// the key dispatcher passes it on. Start, stop and split are transitions of
// one recording (host/recording_transition.h): one runs at a time, and a
// request from the other thread waits for the running one at most
// kTransitionWaitMs of the system's clock and is refused after that.
#pragma once

#include <cstdint>

inline constexpr int kTransitionWaitMs = 4000;

// Starts a recording of the programme on screen for `key` (73), or with
// split_in_progress set (only on the thread that holds the transition: the
// tick) restarts it into the next file, unless a viewer's stop came during
// the split (then 255, nothing started). A restart with recording.leaving
// set moves the recording to the destination ChooseFailover names (and
// records to it from then on); when there is none, or it takes no file,
// 255 without a box and nothing recording. A start from rest returns `key`
// while the settings screen is open (a restart does not mind it); 255 when
// a recording runs already; the refused icon's result when the transition
// stayed busy; ShowMessageBox's result for a failure (45 device script, 3 or
// 4 no usable destination or no free name that fits 256 bytes, 5 NTFS),
// with nothing recording; else 255 (122 when the record icon could not be
// shown). A start from rest leaves its generation for TakeTickRequest.
int StartRecording(int key);

// The generation whose tick the last start from rest asked for, once (0
// when none): the caller registers the tick.
uint32_t TakeTickRequest();

// Stops the running recording on behalf of `key` (70, 2, 258, or the
// tick's 70): the recorder stops, the file is measured, an empty one (with
// delete_empty) or the side file (with delete_mdb) deleted, the rest renamed
// after the sampled title within its folder (never over another file),
// listed for the delete dialog and added to the recording's playlist
// (host/playlist_file.h; from its second file on). Never waits for the tick; key 70's stop
// notice is shown once the key thread's transition is given back. Returns 255 at a
// split; for 70 ShowStopNotice's result; for 2 and 258 the key itself. When
// no recording runs by the time the transition is taken: 255 for 70, else
// the key; the refused icon's result when the transition stayed busy.
// During the tick's split (on another thread) the stop is left to the tick
// as recording.stop_request: 255 for 70, else the key, at once.
int StopRecording(int key);

// The tick's end of a split whose restart does not come: a viewer's stop
// (recording.stop_request) came into it, or the restart that was to move
// the recording to another disk found none. The recording ends with the
// first file finished already, and `key` shows its notice and summary (70).
// Returns what StopRecording would for that key.
int FinishSplitAsStop(int key);

// Deletes the files listed for the delete dialog (the side files too unless
// delete_mdb removed them at each stop; a side file whose path equals its
// .ts path is never deleted twice) and, when any file went, the recording's
// playlist; then shows message box 39. Failures are ignored; the list keeps
// the files that could not be deleted.
void DeleteRecentFiles();
