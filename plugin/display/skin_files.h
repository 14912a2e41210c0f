// The skin's image files: PNG images in the home folder's "osd" folder,
// by name, and their loading. Drawing them is display/skin.h's.
#pragma once

#include <SDL.h>

#include <cstddef>

// Every skin image the screens draw, by name: the images of the home
// folder's "osd" folder.
inline constexpr const char* kSkinImages[] = {
    "bar_free",     "bar_full",      "button",         "button_focus",  "destmem",     "destnet",
    "destusb",      "icon_down",     "icon_enter",     "icon_exit",     "icon_left",   "icon_leftright",
    "icon_no",      "icon_rec",      "icon_red",       "icon_right",    "icon_script", "icon_stop",
    "icon_stoprec", "icon_up",       "icon_updown",    "infopane",      "toolbox_footer",
    "toolbox_frame", "toolbox_header", "warnbox",      "warnbox_ext"};

// Builds home_dir + "osd/" + name + ".png" into out (HomePathJoin). False,
// with out emptied, when it does not fit `size` or the name below home_dir
// takes 256 bytes or more.
bool SkinImagePath(char* out, size_t size, const char* name);

// Loads home_dir + "osd/" + name + ".png" (name not null); the caller frees
// it. Null when the path does not fit 256 bytes, the file cannot be loaded,
// or the image has neither 3 nor 4 bytes a pixel.
SDL_Surface* LoadSkinImage(const char* name);
