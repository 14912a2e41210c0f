// Every screen of the plug-in as the gallery shows it: icons, message boxes,
// the stop summary, the delete dialog, the status band's notices and the
// stop-timer line, the information pane and the settings screen's pages.
#pragma once

#include <vector>

namespace gallery {

// One screen: caption is what the sheet labels it with (ASCII, at most 48
// letters); show puts the plug-in's state in place and calls the plug-in's
// drawing code, which flips one or more times; the gallery keeps the frame
// of flip number keep_flip (1 = the first flip of that call), each pixel
// magnify times as wide and high on the sheet.
struct GalleryScreen {
  const char* caption;
  int keep_flip;
  void (*show)();
  int magnify = 1;
};

// All screens, in the order of the sheet. Each show starts from the state
// PrepareScreen leaves.
const std::vector<GalleryScreen>& GalleryScreens();

// The state every screen starts from: default settings with home_dir (the
// gallery's home folder, with its trailing "/"), no recording, every
// subsystem's words reset, the display closed, notices and pictures on
// without animation, the fixed entries of the device table. Returns false
// when home_dir does not fit the settings record's home_dir field (256 bytes
// with its terminator); nothing else fails.
bool PrepareScreen(const char* home_dir);

}  // namespace gallery
