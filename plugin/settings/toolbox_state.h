// The settings screen's words. Only the key thread opens, moves and closes
// the toolbox; the tick reads toolbox_open.
#pragma once

#include <atomic>

extern std::atomic<int> toolbox_open;       // the settings screen is shown
extern std::atomic<int> toolbox_item;       // 0..27, the item under the cursor
extern std::atomic<int> toolbox_row;        // 0..8, the visible row the cursor is on
extern std::atomic<int> toolbox_scroll;     // 0..19, the item shown in row 0

// The position after the last successful move: where a move that finds no
// enabled item returns to. setup does not reset it.
extern std::atomic<int> toolbox_saved_item;
extern std::atomic<int> toolbox_saved_row;
extern std::atomic<int> toolbox_saved_scroll;

// Closed, cursor (and saved position) on item 0 in row 0, not scrolled.
void ResetToolboxState();
