// The information pane's background at the bottom of the screen: its
// slide-in and fade-out, and the clear of the warning box's band.
#include <algorithm>
#include <cstring>

#include "display/display_lock.h"
#include "display/osd_surface.h"
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

namespace {

// Where the pane's image rows land when its first `rows` rows show: image
// row r on surface row top + r, image column c on surface column left + c,
// inside the surface's columns and rows clipped to 960x540.
struct PanePlace {
  int left;
  int top;
  Span columns;
  int bottom;  // first surface row not drawn
};

PanePlace PlacePane(const SDL_Surface* surface, int w, int rows) {
  const int left = (kOsdWidth - w) / 2;
  return {left, kOsdHeight - rows, ClipSpan(left, w, std::min(surface->w, kOsdWidth)),
          std::min(surface->h, kOsdHeight)};
}

// Blends skin image `name` into the pane where it shows on the surface, as
// BlendSkinImage does into the pane's image at (x, y) from image row
// first_row on: each colour (s * a + t * (255 - a)) >> 9, pure black left
// out, alpha kept. The surface holds the pane's colours in the other byte
// order, so the image's byte i mixes with the surface's byte 2 - i.
void BlendIntoPane(SDL_Surface* surface, const PanePlace& place, int pane_w, int rows, const char* name, int x,
                   int y, int first_row) REQUIRES(display_mutex) {
  SkinImage held(name, SkinForm::kDecoded);
  const SkinPixels* image = held.get();
  if (image == nullptr) return;
  const int bytes = image->bytes;
  const Span columns = ClipSpan(x, image->w, pane_w);
  for (int row = first_row < 0 ? 0 : first_row; row < image->h; ++row) {
    const int pane_row = y + row;
    if (pane_row < 0 || pane_row >= rows) continue;
    const int surface_row = place.top + pane_row;
    if (surface_row < 0 || surface_row >= place.bottom) continue;
    const uint8_t* in = image->pixels + row * image->pitch;
    uint8_t* out = PixelAt(surface, 0, surface_row);
    for (int column = columns.first; column < columns.last; ++column) {
      const int surface_column = place.left + column;
      if (surface_column < place.columns.first || surface_column >= place.columns.last) continue;
      const uint8_t* s = in + (column - x) * bytes;
      if (s[0] + s[1] + s[2] == 0) continue;
      const unsigned a = bytes == 4 ? s[3] : 255;
      uint8_t* t = out + surface_column * 4;
      for (int i = 0; i < 3; ++i) t[2 - i] = static_cast<uint8_t>((s[i] * a + t[2 - i] * (255 - a)) >> 9);
    }
  }
}

const char* DestinationIconName(DestinationIcon icon) {
  return icon == DestinationIcon::kMemory    ? "destmem"
         : icon == DestinationIcon::kNetwork ? "destnet"
                                             : "destusb";
}

}  // namespace

void PutInfoPane(SDL_Surface* surface, const SkinPixels& pane, int rows, DestinationIcon icon, int gauge) {
  if (rows > pane.h) rows = pane.h;
  const PanePlace place = PlacePane(surface, pane.w, rows);
  uint8_t alpha_of[256];
  if (!pane.converted) FillSkinAlphaTable(SkinForm::kPane, 4, OsdOpacity(), ImageAlphaPercent(), alpha_of);
  const int n = place.columns.last - place.columns.first;
  for (int row = 0; row < rows && n > 0; ++row) {
    const int y = place.top + row;
    if (y < 0 || y >= place.bottom) continue;
    const uint8_t* in = pane.pixels + row * pane.pitch + (place.columns.first - place.left) * 4;
    uint8_t* out = PixelAt(surface, place.columns.first, y);
    if (pane.converted) {
      std::memcpy(out, in, static_cast<size_t>(n) * 4);
    } else {
      ConvertSkinRow(in, 4, n, out, alpha_of, false);
    }
  }
  BlendIntoPane(surface, place, pane.w, rows, DestinationIconName(icon), 20, 24, 0);
  if (gauge != -1) {
    BlendIntoPane(surface, place, pane.w, rows, "bar_free", 44, 80, 0);
    BlendIntoPane(surface, place, pane.w, rows, "bar_full", 44, 80, gauge);
  }
}

int DrawInfoPaneBackground(int animate, DestinationIcon icon) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  int h = 0;
  {
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    SkinImage pane("infopane", SkinForm::kPane, OsdOpacity(), ImageAlphaPercent());
    if (pane.get() == nullptr) return 0;
    h = pane.get()->h;
  }
  for (int k = animate ? 16 : h - 1; k < h;) {
    int step = SlideStep(k, h);
    // The lock is released between frames, and the other thread may have
    // let the kept image go meanwhile: it is asked for at every frame.
    DisplayLock lock(display_mutex);
    SkinScreenScope screen(SkinScreen::kPane);
    SkinImage pane("infopane", SkinForm::kPane, OsdOpacity(), ImageAlphaPercent());
    if (pane.get() == nullptr) break;
    SDL_LockSurface(surface);
    PutInfoPane(surface, *pane.get(), k + 1, icon, -1);
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
  int w = 0, h = 0;
  {
    DisplayLock lock(display_mutex);
    const bool known = surface != nullptr && SkinImageSize("infopane", &w, &h);
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
