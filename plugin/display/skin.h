// The skin: PNG images in the home folder's "osd" folder, put onto the
// display (panels, icons, message icons, the information pane's background)
// or blended into another image. Every operation loads its image afresh and
// frees it after drawing. Nothing is ever written outside the surface or the
// target image: images reaching beyond it are clipped.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "display/display_state.h"

// Loads home_dir + "osd/" + name + ".png"; null when it cannot be loaded.
SDL_Surface* LoadSkinImage(const char* name);

int DrawSkinPanel(int x, int y, const char* name, int repeat);
void SetAlphaRect(int x, int y, int width, int height, uint8_t alpha);
int ShowMessageImage(const char* name);
void BlendSkinImage(SDL_Surface* target, const char* name, int x, int y, int first_row);
void DrawDestinationIcon(SDL_Surface* target);
int ShowInfoPaneBackground(int animate);
// Copies the first `rows` rows of the pane image (32-bit, R G B A bytes) onto
// the surface, centred horizontally, its last copied row on the bottom row;
// colours to B G R and alpha scaled by osd_opacity and image_alpha_percent.
// Clipped to the surface and to 960x540 whatever the image's size. The
// caller holds the surface locked.
void PutInfoPaneImage(SDL_Surface* surface, const SDL_Surface* image, int rows);
int HideInfoPaneBackground();
void ClearWarnBand();
