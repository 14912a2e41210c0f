// The information pane's background at the bottom of the screen: its
// slide-in and fade-out, and the clear of the warning box's band.
#include <algorithm>
#include <cstring>

#include "display/display_lock.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/skin.h"
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

void PutInfoPaneImage(SDL_Surface* surface, const SDL_Surface* image, int rows) {
  if (rows > image->h) rows = image->h;
  const int opacity = OsdOpacity();
  const int percent = ImageAlphaPercent();
  const int left = (kOsdWidth - image->w) / 2;
  Span columns = ClipSpan(left, image->w, std::min(surface->w, kOsdWidth));
  const int bottom = std::min(surface->h, kOsdHeight);
  for (int row = 0; row < rows; ++row) {
    int y = kOsdHeight - rows + row;
    if (y < 0 || y >= bottom) continue;
    const uint8_t* in = static_cast<const uint8_t*>(image->pixels) + row * image->pitch;
    uint8_t* out = PixelAt(surface, 0, y);
    for (int column = columns.first; column < columns.last; ++column) {
      const uint8_t* s = in + (column - left) * 4;
      uint8_t* pixel = out + column * 4;
      pixel[0] = s[2];
      pixel[1] = s[1];
      pixel[2] = s[0];
      pixel[3] = static_cast<uint8_t>(opacity * (s[3] * percent / 100) / 100);
    }
  }
}

int DrawInfoPaneBackground(int animate, DestinationIcon icon) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  SDL_Surface* loaded = LoadSkinImage("infopane");
  if (loaded == nullptr) return 0;
  if (loaded->format->BytesPerPixel != 4) {
    SDL_FreeSurface(loaded);
    return 0;
  }
  DrawDestinationIcon(loaded, icon);
  LockedImage image(loaded);
  const int h = loaded->h;
  for (int k = animate ? 16 : h - 1; k < h;) {
    int step = SlideStep(k, h);
    DisplayLock lock(display_mutex);
    SDL_LockSurface(surface);
    PutInfoPaneImage(surface, loaded, k + 1);
    SDL_Flip(surface);
    k += step;
    SDL_UnlockSurface(surface);
  }
  InfoPaneShown.store(1, std::memory_order_relaxed);
  return 1;
}

int HideInfoPaneBackground() {
  InfoPaneShown.store(0, std::memory_order_relaxed);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  SDL_Surface* image = LoadSkinImage("infopane");
  if (image == nullptr) return 0;
  PaneArea area = PaneAreaFor(surface, image->w, image->h);
  SDL_FreeSurface(image);
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
  SDL_Surface* image = LoadSkinImage("warnbox");
  if (image == nullptr) return;
  const int h = image->h;
  Span rows = ClipSpan((kOsdHeight - h) / 2, h, surface->h);
  const int bytes = std::min(kOsdRowBytes, surface->w * 4);
  DisplayLock lock(display_mutex);
  SDL_LockSurface(surface);
  for (int row = rows.first; row < rows.last; ++row) std::memset(PixelAt(surface, 0, row), 0, bytes);
  SDL_UnlockSurface(surface);
  SDL_Flip(surface);
  SDL_FreeSurface(image);
}
