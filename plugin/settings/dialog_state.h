// The delete dialog's words, written and read on the key thread only.
#pragma once

#include <atomic>

extern std::atomic<int> delete_dialog_open;
// Focused button: 1 the left one (the only choice that deletes), 0 the right
// one; -1 right after the dialog opened, drawn and treated like 0.
extern std::atomic<int> delete_choice;
// How many recordings the last confirmed deletion actually removed (files
// that could not be deleted are not counted, and those deleted leave the
// recent list). DeleteRecentFiles sets it before it shows box 39, which
// reports this number; 0 until a deletion ran.
extern std::atomic<int> deleted_recording_count;

// Closed, right button focused, no deletion counted.
void ResetDialogState();
