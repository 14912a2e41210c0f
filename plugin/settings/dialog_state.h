// The delete dialog's words, written and read on the key thread only.
#pragma once

#include <atomic>

extern std::atomic<int> delete_dialog_open;
// Focused button: 1 the left one (the only choice that deletes), 0 the right
// one; -1 right after the dialog opened, drawn and treated like 0.
extern std::atomic<int> delete_choice;

// Closed, right button focused.
void ResetDialogState();
