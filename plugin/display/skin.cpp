#include "display/skin.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/display_lock.h"
#include "display/image_file.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/screen_opacity.h"
#include "display/skin_images.h"
#include "settings/settings_record.h"

namespace {

// Puts image row `row` on surface row y from column x: a converted row is
// copied as it is, a decoded one converted with alpha_of on its way. With
// skip_black, pure black pixels are left out.
void PutImageRow(SDL_Surface* surface, const SkinPixels& image, int row, int x, int y, bool skip_black,
                 const uint8_t (&alpha_of)[256]) {
  if (y < 0 || y >= surface->h) return;
  const Span columns = ClipSpan(x, image.w, surface->w);
  if (columns.empty()) return;
  const int n = columns.last - columns.first;
  const uint8_t* in = image.pixels + row * image.pitch + (columns.first - x) * image.bytes;
  uint8_t* out = PixelAt(surface, columns.first, y);
  if (!image.converted) {
    ConvertSkinRow(in, image.bytes, n, out, alpha_of, skip_black);
  } else if (!skip_black) {
    std::memcpy(out, in, static_cast<size_t>(n) * 4);
  } else {
    for (int i = 0; i < n; ++i, in += 4, out += 4) {
      if ((in[0] | in[1] | in[2]) != 0) std::memcpy(out, in, 4);
    }
  }
}

// Calls put(source, pixel) for each pixel of (decoded) image row `row` that
// lands on surface row `y` when the row starts at column x: the image's
// bytes (3 or 4) and the surface's blue-green-red-alpha word.
template <typename Put>
void ForEachRowPixel(SDL_Surface* surface, const SkinPixels& image, int row, int x, int y, Put put) {
  if (y < 0 || y >= surface->h) return;
  const int bytes = image.bytes;
  Span columns = ClipSpan(x, image.w, surface->w);
  const uint8_t* in = image.pixels + row * image.pitch;
  uint8_t* out = PixelAt(surface, 0, y);
  for (int column = columns.first; column < columns.last; ++column) put(in + (column - x) * bytes, out + column * 4);
}

// Lays image row `row` over surface row `y` from column x (source over, the
// surface's alpha not premultiplied): where the image is transparent the
// surface keeps its pixel, where it is opaque the image's pixel replaces it,
// and in between the two mix. Alpha of the image from alpha_of.
void BlendImageRow(SDL_Surface* surface, const SkinPixels& image, int row, int x, int y,
                   const uint8_t (&alpha_of)[256]) {
  const bool four = image.bytes == 4;
  ForEachRowPixel(surface, image, row, x, y, [&](const uint8_t* source, uint8_t* pixel) {
    const int top = alpha_of[four ? source[3] : 255];
    const int under = pixel[3] * (255 - top) / 255;  // what shows of the surface
    const int alpha = top + under;
    if (alpha == 0) return;
    for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>((source[2 - c] * top + pixel[c] * under) / alpha);
    pixel[3] = static_cast<uint8_t>(alpha);
  });
}

// The alpha table of a form for an image as it is held: a converted one
// needs none.
void AlphaTableFor(const SkinPixels& image, SkinForm form, int opacity, int percent, uint8_t (&table)[256]) {
  if (!image.converted) FillSkinAlphaTable(form, image.bytes, opacity, percent, table);
}

}  // namespace

int DrawSkinPanel(int x, int y, const char* name, int repeat) {
  DisplayLock display(display_mutex);  // the kept images are shared with the other thread
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  const int opacity = DrawingOpacity();
  SkinImage held(name, SkinForm::kPanel, opacity);
  const SkinPixels* image = held.get();
  if (image == nullptr) return 0;
  uint8_t alpha_of[256];
  AlphaTableFor(*image, SkinForm::kPanel, opacity, 0, alpha_of);
  const int half = image->h / 2;
  SurfaceLock lock(surface);
  long out_row = y;
  auto copy_row = [&](int row) {
    if (out_row >= 0 && out_row < surface->h) {
      PutImageRow(surface, *image, row, x, static_cast<int>(out_row), repeat == -1, alpha_of);
    }
    ++out_row;
  };
  for (int row = 0; row < image->h; ++row) {
    copy_row(row);
    if (row != half || repeat <= 0) continue;
    // The middle row again, repeat more times; rows above the surface are
    // skipped at once and the copies stop at its last row.
    long extra = repeat;
    if (out_row < 0) {
      long skipped = std::min(extra, -out_row);
      out_row += skipped;
      extra -= skipped;
    }
    // The row is converted once; its further copies are the same bytes.
    const Span columns = ClipSpan(x, image->w, surface->w);
    long converted = -1;  // a surface row that holds the converted middle row
    for (; extra > 0 && out_row < surface->h; --extra) {
      if (converted < 0 || columns.empty()) {
        converted = out_row;
        copy_row(row);
        continue;
      }
      std::memcpy(PixelAt(surface, columns.first, static_cast<int>(out_row)),
                  PixelAt(surface, columns.first, static_cast<int>(converted)),
                  static_cast<size_t>(columns.last - columns.first) * 4);
      ++out_row;
    }
    out_row += extra;
  }
  return 1;
}

int BlendSkinPanel(int x, int y, const char* name) {
  DisplayLock display(display_mutex);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  SkinImage held(name, SkinForm::kDecoded);
  const SkinPixels* image = held.get();
  if (image == nullptr) return 0;
  uint8_t alpha_of[256];
  FillSkinAlphaTable(SkinForm::kPanel, image->bytes, DrawingOpacity(), 0, alpha_of);
  SurfaceLock lock(surface);
  for (int row = 0; row < image->h; ++row) BlendImageRow(surface, *image, row, x, y + row, alpha_of);
  return 1;
}

void SetAlphaRect(int x, int y, int width, int height, uint8_t alpha) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return;
  Span columns = ClipSpan(x, width, surface->w);
  Span rows = ClipSpan(y, height, surface->h);
  SurfaceLock lock(surface);
  for (int row = rows.first; row < rows.last; ++row) {
    uint8_t* out = PixelAt(surface, 0, row);
    for (int column = columns.first; column < columns.last; ++column) out[column * 4 + 3] = alpha;
  }
}

int DrawMessageImage(const char* name) {
  DisplayLock lock(display_mutex);  // a whole draw and flip: the tick may be drawing
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  SkinImage held(name, SkinForm::kDecoded);
  const SkinPixels* image = held.get();
  if (image == nullptr) return 0;
  int percent = DrawingOpacity() * ImageAlphaPercent();
  if (std::strcmp(name, "icon_stoprec") == 0) percent /= 2;
  uint8_t alpha_of[256];
  for (int a = 0; a < 256; ++a) alpha_of[a] = static_cast<uint8_t>(percent * a / 10000);
  {
    SurfaceLock lock(surface);
    for (int row = 0; row < image->h; ++row) PutImageRow(surface, *image, row, 10, 10 + row, false, alpha_of);
  }
  SDL_Flip(surface);
  return 1;
}

int CopyCentredSkinImage(const char* name, int x_offset, int* x, int* y, int first_row) {
  *x = 0;
  *y = 0;
  DisplayLock display(display_mutex);
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (surface == nullptr) return 0;
  SkinImage held(name, SkinForm::kCopy);
  const SkinPixels* image = held.get();
  if (image == nullptr) return 0;
  uint8_t alpha_of[256];
  AlphaTableFor(*image, SkinForm::kCopy, 0, 0, alpha_of);
  *x = FloorHalf(kOsdWidth - image->w) + x_offset;
  *y = FloorHalf(kOsdHeight - image->h);
  SurfaceLock lock(surface);
  for (int row = first_row < 0 ? 0 : first_row; row < image->h; ++row) {
    PutImageRow(surface, *image, row, *x, *y + row, false, alpha_of);
  }
  return 1;
}

void BlendSkinImage(SDL_Surface* target, const char* name, int x, int y, int first_row) {
  if (target == nullptr || target->format->BytesPerPixel != 4) return;
  LockedImage image(LoadSkinImage(name));
  if (image.get() == nullptr) return;
  const SDL_Surface* source = image.get();
  const int bytes = source->format->BytesPerPixel;
  Span columns = ClipSpan(x, source->w, target->w);
  SurfaceLock lock(target);
  for (int row = first_row < 0 ? 0 : first_row; row < source->h; ++row) {
    if (y + row < 0 || y + row >= target->h) continue;
    const uint8_t* in = static_cast<const uint8_t*>(source->pixels) + row * source->pitch;
    uint8_t* out = PixelAt(target, 0, y + row);
    for (int column = columns.first; column < columns.last; ++column) {
      const uint8_t* s = in + (column - x) * bytes;
      if (s[0] + s[1] + s[2] == 0) continue;
      unsigned a = bytes == 4 ? s[3] : 255;
      uint8_t* t = out + column * 4;
      for (int i = 0; i < 3; ++i) t[i] = static_cast<uint8_t>((s[i] * a + t[i] * (255 - a)) >> 9);
    }
  }
}

const char* DestinationIconName(DestinationIcon icon) {
  return icon == DestinationIcon::kMemory    ? "destmem"
         : icon == DestinationIcon::kNetwork ? "destnet"
                                             : "destusb";
}

void DrawDestinationIcon(SDL_Surface* target, DestinationIcon icon) {
  BlendSkinImage(target, DestinationIconName(icon), 20, 24, 0);
}
