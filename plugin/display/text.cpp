#include "display/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/fonts.h"
#include "display/glyph_tables.h"
#include "display/image_file.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/text_library.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"

#include <SDL_image.h>

const Colour ColourTable[10] = {
    {0, 255, 255, 0},   {128, 128, 128, 0}, {82, 82, 82, 0},    {255, 41, 41, 0},
    {255, 163, 163, 0}, {255, 255, 0, 0},   {128, 128, 0, 0},   {230, 230, 230, 0},
    {200, 200, 200, 0}, {255, 255, 255, 0},
};

namespace {

int TrueTypeSlot(int font_id) {
  switch (font_id) {
    case 18: return 0;
    case 20: return 1;
    case 26: return 2;
    default: return -1;
  }
}

// Bitmap text: 12 x 18 glyphs of ink intensity, tinted with the colour.
// `font` is a cached font image: it stays while font_mutex is held.
void DrawBitmapText(SDL_Surface* surface, SDL_Surface* font, int x, int y, const char* text,
                    const Colour& colour) REQUIRES(font_mutex) {
  SurfaceLock surface_lock(surface);
  SurfaceLock font_lock(font);
  const auto* ink = static_cast<const uint8_t*>(font->pixels);
  const long ink_size = static_cast<long>(font->pitch) * font->h;
  // The pixel each ink value gives, and what of the surface's pixel stays:
  // all of it for ink 0 (left out), nothing otherwise. A pixel is then one
  // look-up and no branch.
  uint32_t tinted[256];
  uint32_t kept[256];
  for (int d = 0; d < 256; ++d) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(d * colour.blue / 255), static_cast<uint8_t>(d * colour.green / 255),
                              static_cast<uint8_t>(d * colour.red / 255), 255};
    std::memcpy(&tinted[d], bytes, 4);
    kept[d] = 0;
  }
  tinted[0] = 0;
  kept[0] = ~0u;
  while (*text != '\0') {
    int glyph = NextGlyphUnit(&text);
    int width = SmallGlyphTable[glyph].width;
    if (x > kOsdWidth - width) {
      x = 0;
      y += kSmallGlyphRows;
    }
    if (y > kOsdHeight) y = 0;
    if (glyph != ' ') {
      Span columns = ClipSpan(x, width, surface->w);
      for (int row = 0; row < kSmallGlyphRows && y + row < surface->h; ++row) {
        const long base = SmallGlyphTable[glyph].offset + static_cast<long>(row) * font->pitch;
        // Reads stop at the font image's end.
        const long last = std::min<long>(columns.last, x + (ink_size - base));
        uint8_t* out = PixelAt(surface, 0, y + row);
        for (long column = columns.first; column < last; ++column) {
          const unsigned d = ink[base + (column - x)];
          uint32_t pixel;
          std::memcpy(&pixel, out + column * 4, 4);
          pixel = (pixel & kept[d]) | tinted[d];
          std::memcpy(out + column * 4, &pixel, 4);
        }
      }
    }
    x += width;
  }
}

void DrawTrueTypeText(SDL_Surface* surface, int slot, int x, int y, const char* text,
                      const Colour& colour) {
  SDL_Surface* rendered = nullptr;
  {
    ScopedLock lock(font_mutex);
    if (StandardFont[slot] == nullptr) return;
    SDL_Color sdl_colour{colour.red, colour.green, colour.blue, colour.unused};
    rendered = text_library.render_utf8_blended(StandardFont[slot], text, sdl_colour);
  }
  if (rendered == nullptr) return;
  // SDL clips the blit to the surface; it blends the colours and keeps the
  // surface's alpha.
  SDL_Rect target{static_cast<Sint16>(x), static_cast<Sint16>(y),
                  static_cast<Uint16>(kOsdWidth - x), static_cast<Uint16>(kOsdHeight - y)};
  SDL_UpperBlit(rendered, nullptr, surface, &target);
  SDL_FreeSurface(rendered);
}

}  // namespace

SDL_Surface* CachedFontImage(int font_id) {
  SDL_Surface** slot = font_id == 118   ? &FontImageCache.font118
                       : font_id == 218 ? &FontImageCache.font218
                                        : &FontImageCache.font32;
  if (*slot == nullptr) {
    char path[256];
    if (FontImagePath(path, sizeof path, font_id)) *slot = LoadImageFile(path);
  }
  return *slot;
}

bool FontImagePath(char* out, size_t size, int font_id) {
  return HomePathFormat(out, size, "fonts/font%d.png", font_id);
}

int TextWidth(int font_id, const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  int slot = TrueTypeSlot(font_id);
  if (slot >= 0) {
    ScopedLock lock(font_mutex);
    int width = 0, height = 0;
    if (StandardFont[slot] == nullptr) return kNoFontWidth;
    if (text_library.size_utf8(StandardFont[slot], text, &width, &height) != 0) return kNoFontWidth;
    return width;
  }
  if (font_id != 118 && font_id != 218) return kNoFontWidth;
  int width = 0;
  while (*text != '\0') width += SmallGlyphTable[NextGlyphUnit(&text)].width;
  return width;
}

void DrawText(int font_id, int x, int y, const char* text, int colour) {
  DrawTextOn(OsdSurface.load(std::memory_order_relaxed), font_id, x, y, text, colour);
}

[[gnu::noinline]] void DrawTextOn(SDL_Surface* surface, int font_id, int x, int y, const char* text, int colour) {
  if (x < 0 || y < 0 || text == nullptr || *text == '\0' || surface == nullptr) return;
  if (colour < 0 || colour > 9) return;
  int slot = TrueTypeSlot(font_id);
  if (slot >= 0) {
    if (x < kOsdWidth && y < kOsdHeight) DrawTrueTypeText(surface, slot, x, y, text, ColourTable[colour]);
    return;
  }
  if (font_id != 118 && font_id != 218) return;
  ScopedLock lock(font_mutex);
  SDL_Surface* font = CachedFontImage(font_id);
  if (font == nullptr) return;
  DrawBitmapText(surface, font, x, y, text, ColourTable[colour]);
}

void DrawBigText(int x, int y, const char* text) {
  SDL_Surface* surface = OsdSurface.load(std::memory_order_relaxed);
  if (x < 0 || y < 0 || text == nullptr || *text == '\0' || surface == nullptr) return;
  ScopedLock lock(font_mutex);
  SDL_Surface* font = CachedFontImage(32);
  if (font == nullptr) return;
  const int bytes = font->format->BytesPerPixel;
  if (bytes < 3) return;
  const int opacity = OsdOpacity();
  const int percent = ImageAlphaPercent();
  SurfaceLock surface_lock(surface);
  SurfaceLock font_lock(font);
  const auto* image = static_cast<const uint8_t*>(font->pixels);
  const long image_size = static_cast<long>(font->pitch) * font->h;
  // The alpha written for each source alpha, scaled by both percentages.
  uint8_t alpha_of[256];
  for (int a = 0; a < 256; ++a) alpha_of[a] = static_cast<uint8_t>(percent * (a * opacity / 100) / 100);
  // The carried pixel: red, green, blue, source alpha. A glyph pixel that
  // lies outside the font image repeats the pixel before it.
  uint8_t carried[4] = {8, 8, 8, 128};
  auto take = [&](long at) {
    if (at + bytes > image_size) return;
    carried[0] = image[at];
    carried[1] = image[at + 1];
    carried[2] = image[at + 2];
    if (bytes >= 4) carried[3] = image[at + 3];
  };
  auto put = [&](uint8_t* pixel) {
    pixel[0] = carried[2];
    pixel[1] = carried[1];
    pixel[2] = carried[0];
    pixel[3] = alpha_of[carried[3]];
  };
  while (*text != '\0') {
    int glyph = NextGlyphUnit(&text);
    int width = BigGlyphTable[glyph].width;
    if (x > kOsdWidth - width) {
      x = 0;
      y += kBigGlyphRows;
    }
    if (y > kOsdHeight) y = 0;
    if (glyph != ' ') {
      // Columns of the glyph that lie on the surface; the rest is only read.
      const int visible = std::max(0, std::min(width, surface->w - x));
      for (int row = 0; row < kBigLeadRows && y + row < surface->h; ++row) {
        uint8_t* out = PixelAt(surface, x, y + row);
        for (int column = 0; column < visible; ++column) put(out + column * 4);
      }
      for (int row = 0; row < kBigGlyphRows; ++row) {
        const long base = BigGlyphTable[glyph].offset + static_cast<long>(row) * font->pitch;
        const int target_row = y + kBigLeadRows + row;
        int column = 0;
        if (target_row < surface->h) {
          uint8_t* out = PixelAt(surface, x, target_row);
          if (base + static_cast<long>(visible) * bytes <= image_size) {
            // The whole visible run lies in the image: no per-pixel check.
            const uint8_t* in = image + base;
            if (bytes == 4) {
              for (; column < visible; ++column, in += 4) {
                out[column * 4] = in[2];
                out[column * 4 + 1] = in[1];
                out[column * 4 + 2] = in[0];
                out[column * 4 + 3] = alpha_of[in[3]];
              }
            } else {
              const uint8_t alpha = alpha_of[carried[3]];
              for (; column < visible; ++column, in += bytes) {
                out[column * 4] = in[2];
                out[column * 4 + 1] = in[1];
                out[column * 4 + 2] = in[0];
                out[column * 4 + 3] = alpha;
              }
            }
            if (visible > 0) take(base + static_cast<long>(visible - 1) * bytes);
          } else {
            for (; column < visible; ++column) {
              take(base + static_cast<long>(column) * bytes);
              put(out + column * 4);
            }
          }
        }
        // Pixels off the surface are not drawn, but the last of them that
        // lies in the image is what the next pixel repeats.
        for (int last = width - 1; last >= column; --last) {
          const long at = base + static_cast<long>(last) * bytes;
          if (at + bytes <= image_size) {
            take(at);
            break;
          }
        }
      }
    }
    x += width;
  }
}

namespace {

void DrawCatalogueChoice(int x, int y, int text, int colour) {
  const char* message = mess[text];
  if (message != nullptr) DrawText(20, x, y, message, colour);
}

}  // namespace

void DrawOnOffText(int x, int y, int flag, int colour) { DrawCatalogueChoice(x, y, flag ? 14 : 15, colour); }

void DrawFlagPairText(int x, int y, int flag, int colour) {
  DrawCatalogueChoice(x, y, flag ? 16 : 17, colour);
}
