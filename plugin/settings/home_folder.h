// The home folder's reach: every file of the plug-in's own is home_dir
// followed by a relative name, built into a path buffer of 256 bytes, and a
// home folder too long for a path leaves that file out of reach (a skin
// image not drawn, the settings never saved).
//
// The check, once at init_config, builds every path the plug-in builds from
// home_dir, each with the very builder its user calls and into a buffer of
// that size: the skin images, the font images and the face, the text
// library, the catalogue files, the scripts folder and the key scripts, the
// settings file and its temporary file. When one does not fit, it says so
// in the debug log and has the settings screen show message box 105 when it
// opens next: the settings screen is the first a too long home folder
// spoils (its skin images have the longest names, 22 bytes below home_dir)
// and the one that saves the settings. The box itself needs the text
// library, the face, the "warnbox" image and the catalogue, so it shows for
// home folders of up to 239 bytes; beyond that the debug log alone tells.
//
// Device scripts are named after the device and are not checked here: one
// whose path does not fit is not run, as one that does not exist.
#pragma once

// The catalogue text of the box: the home folder path is too long.
inline constexpr int kHomeFolderText = 105;

// Builds every path from home_dir and returns how many do not fit their
// buffers. When some do not, logs one line (the home folder's length, the
// longest one that reaches every file, and the first file out of reach) and
// arms the box; otherwise disarms it. Reads home_dir within its 256 bytes.
int CheckHomeFolder();

// Shows message box 105 when the last check armed it, once: the box is
// disarmed as it is shown (or skipped, when notices are off). Blocks for
// the box's 2.5 s and closes the display afterwards.
void ShowHomeFolderNotice();
