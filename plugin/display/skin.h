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

// Lays the skin image `name` over what the surface shows at (x, y): alpha
// A * osd_opacity / 100 (255 for 3-byte images), mixed source-over with the
// surface's pixel, so a button's rounded corners show the box under it, not
// the TV picture. Clipped to the surface; no flip. 1 drawn, 0 no surface or
// no image.
int BlendSkinPanel(int x, int y, const char* name);
void SetAlphaRect(int x, int y, int width, int height, uint8_t alpha);
int ShowMessageImage(const char* name);

// The screens' switches: pictures are off while osd_opacity is 0 or the
// key-44 overlay is up; notices also when show_notices is 0.
bool PicturesOff();
bool NoticesOff();
// Loads skin image name and copies it, colours and alpha as they are, to
// x = floor((960 - width) / 2) + x_offset, y = floor((540 - height) / 2),
// clipped to the surface whatever the image's size. Returns 1 with that
// position in *x, *y; 0 with *x, *y = 0 when there is no surface or the image
// cannot be loaded (nothing copied). Does not flip. With first_row > 0 only
// the image's rows from first_row on are copied (to their usual place).
int CopyCentredSkinImage(const char* name, int x_offset, int* x, int* y, int first_row = 0);
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
