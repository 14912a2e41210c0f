// The settings screen: its items (settings/toolbox_items.h), nine visible
// at a time, a cursor moved by the up and down keys over the enabled items,
// values stepped by the left and right keys. Every key the screen handles redraws it whole. Key thread only.
#pragma once

#include "settings/toolbox_items.h"

inline constexpr int kToolboxRows = 9;
// The scroll offset with the last item in the last row.
inline constexpr int kToolboxLastScroll = kToolboxItems - kToolboxRows;

// Draws the whole screen (frame, legend, title, cursor, nine rows) from the
// toolbox state and the settings record, then flips. Does nothing without a
// display surface; images that cannot be loaded are left out. Holds the
// display lock for the whole sequence.
void DrawToolbox();

// Moves the cursor to the previous / next enabled item (key 96 / 97),
// scrolling the list; item 0 up wraps to the last item in the last row,
// the last item down wraps to item 0. When no enabled item lies that way the last
// successful position comes back. Redraws; returns 255.
int ToolboxUp();
int ToolboxDown();

// Steps the value under the cursor forward / back (key 98 / 101), wrapping,
// also when the item is disabled. Redraws; returns 255.
int ToolboxNext();
int ToolboxPrevious();
