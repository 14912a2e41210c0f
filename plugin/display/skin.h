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
int HideInfoPaneBackground();
void ClearWarnBand();
