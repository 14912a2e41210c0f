// The settings screen's items: the 27 of the settings record, then those of
// the second settings file; which field each edits, how its value is shown,
// how the left and right keys step it, and when it is disabled.
#pragma once

#include <cstddef>

inline constexpr int kRecordToolboxItems = 27;
inline constexpr int kToolboxItems = 28;
inline constexpr int kToolboxFirstLabel = 50;  // item N < 27 is labelled with text 50 + N
// The label of item 27 (failover).
inline constexpr int kFailoverLabelText = 108;

// The catalogue text that labels `item`; 0 for no item.
int ToolboxItemLabel(int item);

// 1 when the item labelled `label` (ToolboxItemLabel) is disabled (drawn
// grey and skipped by the cursor), else 0; 0 for a label of no item.
int ToolboxItemDisabled(int label);

// Steps item `item`'s value one step forward (direction +1) or back (-1),
// wrapping; a stored value out of range steps into range. The destination
// items also copy the newly named device table entry into dest1 / dest2.
// An item outside 0..kToolboxItems-1 is ignored.
void StepToolboxItem(int item, int direction);

// The value text of `item` as the screen shows it, into `out` (`size` bytes,
// always terminated, cut when it does not fit). Values outside their table
// show the row the using code acts on (row 0, or the clamped number).
// Destination values come shortened to 135 pixels in font 20 with "..."
// appended. Returns the colour index: 2 when disabled, 3 for an NTFS
// destination, else 8. An item outside 0..kToolboxItems-1 gives "" and
// colour 8.
int ToolboxValueText(int item, char* out, size_t size);
