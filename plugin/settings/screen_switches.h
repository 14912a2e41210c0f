// What the screens may show, decided from the settings, the key-44 overlay
// (a dispatcher word) and the recording's destination: the drawing toolkit
// (display/) reads none of these, its callers ask here and pass it on.
//
// ShowMessageImage and ShowInfoPaneBackground are the two skin draws the key
// dispatcher and the recording call with the switches applied.
#pragma once

#include "display/skin.h"

// Pictures are off while osd_opacity is 0 or the key-44 overlay is up
// (key44_count above 0).
bool PicturesOff();
// Notices are off while pictures are off or show_notices is 0.
bool NoticesOff();
// The opacity the settings screen draws at: osd_opacity, or full (100) when
// that is 0. Opacity 0 switches every other screen off; this one stays, so
// that the viewer can set it back.
int SettingsScreenOpacity();

// The icon of the destination the recording goes to: the internal memory
// before a network share (memory_dest, network_dest), else USB.
DestinationIcon RecordingDestinationIcon();

// DrawMessageImage(name) unless pictures are off: then 1, nothing drawn
// or flipped.
int ShowMessageImage(const char* name);

// DrawInfoPaneBackground(animate) with the recording's destination icon.
int ShowInfoPaneBackground(int animate);
