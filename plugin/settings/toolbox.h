// The settings screen: 27 items, nine visible at a time. The key handlers
// return the code for the host.
#pragma once

// Draws the whole screen at the cursor's position.
void DrawToolbox();
// Move the cursor up / down (key 96 / 97); 255.
int ToolboxUp();
int ToolboxDown();
// Step the value under the cursor forward / back (key 98 / 101); 255.
int ToolboxNext();
int ToolboxPrevious();
