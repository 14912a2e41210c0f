// Short-lived pictures over the TV picture: message boxes, the record and
// refused-key icons, and the delete dialog. Each returns the code for the
// host: 255 when it drew (or had nothing to draw), 122 or 123 when the
// display could not be used, so the key is not lost silently.
#pragma once

// Catalogue text `text` for 2.5 s; closes the display afterwards when
// `close` is non-zero.
int ShowMessageBox(int text, int close);
// The "no" icon for a second, then the record icon again.
int ShowRefusedIcon();
// The record icon.
int ShowRecordIcon();
// The two-button dialog with catalogue text `text`; opens the dialog state
// with the right button (the one that keeps the files) focused.
int OpenDeleteDialog(int text);
// Redraws the dialog's buttons with delete_choice focused.
void DrawDeleteDialogButtons();
// The notice after a stop: "recording finished", or "empty recording
// deleted" when `deleted` is 1. 255, or 125 when no display is open.
int ShowStopNotice(int deleted);
// The summary of the recording just stopped (duration, size, files).
void ShowStopSummary();
