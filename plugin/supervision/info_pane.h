// The information pane at the bottom of the screen while a recording runs.
#pragma once

// Composes and draws the pane from the tick's latest figures. No result;
// draws nothing when no display is open.
void DrawInfoPane();
