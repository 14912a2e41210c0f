// Loads an image file (PNG skin images, bitmap font sheets) for SDL.
#pragma once

#include <SDL.h>

// The image at `path`, decoded by SDL_image as IMG_Load would (its type taken
// from the name's extension), or null when it cannot be opened or decoded.
// The file is opened close-on-exec and closed before returning, so that a
// script the key thread starts while another thread loads an image never
// inherits it.
SDL_Surface* LoadImageFile(const char* path);
