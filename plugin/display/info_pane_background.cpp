// The information pane's background at the bottom of the screen: its
// slide-in and fade-out, and the clear of the warning box's band.
#include <algorithm>
#include <cstring>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/pane_canvas.h"
#include "display/pixels.h"
#include "display/skin.h"
#include "display/skin_images.h"
#include "settings/settings_record.h"

namespace {

// The pane's area on the screen for an image of width w and height h.
struct PaneArea {
  Span columns;
  Span rows;
};

PaneArea PaneAreaFor(const SDL_Surface* surface, int w, int h) {
  return {ClipSpan((kOsdWidth - w) / 2, w, surface->w), ClipSpan(kOsdHeight - h, h, surface->h)};
}

// The step of the slide-in for frame value k of an image of h rows.
int SlideStep(int k, int h) {
  if (k > h - 4) return 1;
  if (k > h - 8) return 2;
  if (k >= h - 16) return 4;
  return 16;
}

}  // namespace

int DrawInfoPaneBackground(int animate, DestinationIcon icon) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  int w = 0, h = 0;
  {
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    if (!KeepPaneImage(&w, &h)) return 0;
  }
  for (int k = animate ? 16 : h - 1; k < h;) {
    int step = SlideStep(k, h);
    // The lock is released between frames, and the other thread may have
    // let the kept image go meanwhile: it is kept again if need be.
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    SDL_LockSurface(surface);
    const bool drawn = PutPaneBackground(surface, k + 1, icon, -1);
    if (drawn) SDL_Flip(surface);
    k += step;
    SDL_UnlockSurface(surface);
    if (!drawn) break;
  }
  InfoPaneShown.store(1, std::memory_order_relaxed);
  return 1;
}

int HideInfoPaneBackground() {
  InfoPaneShown.store(0, std::memory_order_relaxed);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  int w = 0, h = 0;
  {
    DisplayLock lock(display_mutex);
    const bool known = surface != nullptr && PaneSize(&w, &h);
    ReleaseSkinImages(SkinScreen::kPane);  // the pane goes: its images too
    if (!known) return 0;
  }
  PaneArea area = PaneAreaFor(surface, w, h);
  auto for_each_pixel = [&](auto change) {
    DisplayLock lock(display_mutex);
    SDL_LockSurface(surface);
    for (int row = area.rows.first; row < area.rows.last; ++row) {
      uint8_t* out = PixelAt(surface, 0, row);
      for (int column = area.columns.first; column < area.columns.last; ++column) change(out + column * 4);
    }
    SDL_UnlockSurface(surface);
    SDL_Flip(surface);
  };
  if (settings.pane_animation.load(std::memory_order_relaxed)) {
    for (int frame = 0; frame < 32; ++frame) {
      for_each_pixel([](uint8_t* pixel) { pixel[3] = pixel[3] <= 8 ? 0 : pixel[3] - 8; });
    }
  }
  for_each_pixel([](uint8_t* pixel) { std::memset(pixel, 0, 4); });
  return 1;
}

void ClearWarnBand() {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return;
  DisplayLock lock(display_mutex);
  int w = 0, h = 0;
  if (!SkinImageSize("warnbox", &w, &h)) return;
  Span rows = ClipSpan((kOsdHeight - h) / 2, h, surface->h);
  const int bytes = std::min(kOsdRowBytes, surface->w * 4);
  SDL_LockSurface(surface);
  for (int row = rows.first; row < rows.last; ++row) std::memset(PixelAt(surface, 0, row), 0, bytes);
  SDL_UnlockSurface(surface);
  SDL_Flip(surface);
}
