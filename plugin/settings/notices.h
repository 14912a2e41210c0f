// Short-lived screens over the TV picture: message boxes, the record, stop
// and refused-key icons, the summary after a stop, and the delete dialog.
// Each returns the code the key dispatcher passes on to the host: 255 when it
// drew (or had nothing to draw), 122, 123 or 125 when the display could not
// be used, so the key is not lost silently.
//
// Nothing is drawn while osd_opacity is 0 or the key-44 overlay is up
// (key44_count above 0); message boxes and the refused icon also need
// show_notices. Every draw-and-flip runs under the display lock, released
// for the waits, which block the calling thread (2.5 s, 1 s, 7 s on the
// system clock as SDL_Delay counts it). While the tick drives a stop
// (tick_stop_state non-zero) the screens clear the overlay instead of
// closing the display, and SDL's timer thread never closes it.
#pragma once

#include "host/recording_state.h"
#include "settings/screen_switches.h"

// Catalogue text `text` (3..102) in the warning box for 2.5 s; afterwards
// closes the display when close is 1 (clears it while the tick stops a
// recording). For text 39 a second line gives deleted_recording_count with
// text 41 (one) or 40 (more), when it is above 0; at 0 the box shows text
// 103 instead (no recording could be deleted). 255, or 123 when no display
// could be opened.
int ShowMessageBox(int text, int close);
// The "no" icon for 1 s, then the record icon again (or a cleared screen
// while the pane is hidden by key). 123 when the display is not open,
// else 255. While a recording runs the fonts stay open for the tick.
int ShowRefusedIcon();
// The record icon; the display stays open. 255 when it is on screen (or
// pictures are off), 122 when it could not be shown (display closed).
int ShowRecordIcon();
// The stop icon after a stop, then box 8 when deleted is 1 (the empty
// recording was removed), else a 1 s wait. 125 when the display is not open,
// else 255.
int ShowStopNotice(int deleted);
// The summary of the stopped recording for 7 s, from what its stop
// returned: duration since its start time, size, files, the folder and the
// last file's name (cut to 490 pixels at a character boundary, "..."
// appended). A recording that went to several disks lists, for each, its
// folder line with the device and its count of files, and its last file;
// the panel grows upwards by 44 rows for each disk after the first.
void ShowStopSummary(const StopOutcome& outcome);
// The end of a screen: the display closes; while a recording runs the
// overlay is cleared instead and the recording's pictures drawn again;
// while the tick drives a stop it only clears (the tick's thread never
// quits SDL; the next key closes the display).
void CloseScreen();
// The "no" icon for a key refused because a transition of the recording is
// under way. During a recording as ShowRefusedIcon; otherwise for 1 s over
// whatever shows (a notice, the summary), which stays. 255.
int ShowBusyIcon();
// The two-button dialog with catalogue text `text`; opens the dialog state
// with the right button (the one that keeps the files) focused. 255 (also
// when the dialog's image is missing: the dialog then stays closed), or 123
// when no display could be opened.
int OpenDeleteDialog(int text);
// Redraws the dialog's buttons with delete_choice focused, and flips.
void DrawDeleteDialogButtons();
