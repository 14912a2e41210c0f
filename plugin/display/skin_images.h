// Skin images kept decoded while a screen shows. A screen redrawn again and
// again (the information pane every second, the settings screen at every
// key, the delete dialog at every move) would otherwise decode the same PNG
// files each time. While a screen draws inside a SkinScreenScope, the skin
// images it asks for are kept, each in the form its drawing uses: as decoded,
// or already converted to the surface's blue-green-red-alpha bytes. They are
// freed when that screen closes (ReleaseSkinImages), and all of them when the
// overlay is cleared or the display closes: nothing is kept between screens.
// Outside a scope an image is decoded for its one use and freed after it.
//
// Both drawing threads use the kept images: every call here runs under the
// display lock (display/display_lock.h), and an image handed out stays valid
// only while the caller holds it.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "display/display_lock.h"

// The screens whose images are kept while they show.
enum class SkinScreen : unsigned {
  kNone = 0,
  kPane = 1,        // the information pane (and its slide-in)
  kToolbox = 2,     // the settings screen
  kDialog = 4,      // the delete dialog
  kMessageBox = 8,  // a message box
};

// How an image is held.
enum class SkinForm {
  kDecoded,  // as SDL_image decoded it: R G B (A), 3 or 4 bytes a pixel
  kPanel,    // B G R A, alpha A * opacity / 100 (255 for 3-byte images)
  kCopy,     // B G R A, alpha as decoded (255 for 3-byte images)
  kPane,     // B G R A, alpha opacity * (A * percent / 100) / 100
};

// An image ready to draw: `pixels` rows of `pitch` bytes, `bytes` a pixel
// (3 or 4 decoded, 4 converted).
struct SkinPixels {
  int w = 0;
  int h = 0;
  int pitch = 0;
  int bytes = 0;
  const uint8_t* pixels = nullptr;
  bool converted = false;  // in the form asked for; else as decoded
};

// Marks the images asked for in its scope as the screen's. Nests: the inner
// screen wins. Cannot fail.
class SkinScreenScope {
 public:
  explicit SkinScreenScope(SkinScreen screen) REQUIRES(display_mutex);
  ~SkinScreenScope() REQUIRES(display_mutex);
  SkinScreenScope(const SkinScreenScope&) = delete;
  SkinScreenScope& operator=(const SkinScreenScope&) = delete;

 private:
  SkinScreen outer_;
};

// Skin image `name` in `form` (opacity and percent as the form uses them).
// Holds the image for its scope: a kept one, converted, when a screen is
// current; else one decoded for this use (not converted: the drawing
// converts it on its way) and freed at the end of the scope. Empty (null
// pixels) when the image cannot be loaded; a 3-byte image asked for as kPane
// is refused (the pane needs its alpha).
class SkinImage {
 public:
  SkinImage(const char* name, SkinForm form, int opacity = 0, int percent = 0) REQUIRES(display_mutex);
  ~SkinImage();
  SkinImage(const SkinImage&) = delete;
  SkinImage& operator=(const SkinImage&) = delete;
  const SkinPixels* get() const { return pixels_.pixels != nullptr ? &pixels_ : nullptr; }

 private:
  SkinPixels pixels_;
  SDL_Surface* owned_ = nullptr;  // decoded for this use only
};

// The size of skin image `name`: from a kept image of any form, else decoded
// for it (and not kept). false when it cannot be loaded.
bool SkinImageSize(const char* name, int* w, int* h) REQUIRES(display_mutex);

// Something another unit keeps for a screen while it shows (the composed
// pane, display/pane_canvas.h): freed when that screen's images are and
// counted with them. Both calls run with the display lock held.
struct SkinScreenKeeper {
  SkinScreen screen;
  void (*release)();
  long (*bytes)();
};
// Registers keeper, a static object (one keeper; registering it again
// changes nothing). Cannot fail.
void AddSkinScreenKeeper(const SkinScreenKeeper* keeper) REQUIRES(display_mutex);

// Frees the images kept for `screen` (those another screen also uses stay),
// and what its keeper keeps.
void ReleaseSkinImages(SkinScreen screen) REQUIRES(display_mutex);
// Frees every kept image.
void ReleaseAllSkinImages() REQUIRES(display_mutex);

// Bytes of pixels kept now (the pane's included), and skin images decoded
// here so far (for tests and measurements).
long KeptSkinImageBytes() REQUIRES(display_mutex);
long SkinImageDecodes() REQUIRES(display_mutex);

// Fills table with the alpha `form` gives each decoded alpha A of an image
// of `bytes` a pixel (entry 255 for a 3-byte image's pixels).
void FillSkinAlphaTable(SkinForm form, int bytes, int opacity, int percent, uint8_t (&table)[256]);

// Converts n pixels of a decoded row (3 or 4 bytes a pixel, R G B (A)) to
// B G R A words with alpha alpha_of[A] (alpha_of[255] for 3-byte pixels).
// With skip_black, pure black pixels leave `out` unchanged.
void ConvertSkinRow(const uint8_t* in, int bytes, int n, uint8_t* out, const uint8_t (&alpha_of)[256],
                    bool skip_black);
