// The settings screen's words. Only the key thread opens, moves and closes
// the toolbox; the tick reads toolbox_open.
#pragma once

#include <atomic>

extern std::atomic<int> toolbox_open;       // the settings screen is shown
extern std::atomic<int> toolbox_item;       // 0..26, the item under the cursor
extern std::atomic<int> toolbox_row;        // 0..8, the visible row the cursor is on
extern std::atomic<int> toolbox_scroll;     // 0..18, the item shown in row 0

// Closed, cursor on item 0 in row 0, not scrolled.
void ResetToolboxState();
