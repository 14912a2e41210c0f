#include "display/text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "display/face_text.h"
#include "display/font_images.h"
#include "display/fonts.h"
#include "display/glyph_pen.h"
#include "display/glyph_tables.h"
#include "display/image_file.h"
#include "display/osd_surface.h"
#include "display/pixels.h"
#include "display/text_library.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"

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

// The pixel ink value d gives in colour: blue, green, red scaled by the
// ink, alpha 255.
uint32_t Tinted(const Colour& colour, int d) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(d * colour.blue / 255), static_cast<uint8_t>(d * colour.green / 255),
                            static_cast<uint8_t>(d * colour.red / 255), 255};
  uint32_t word;
  std::memcpy(&word, bytes, 4);
  return word;
}

// Bitmap text: 12 x 18 glyphs of ink intensity, tinted with the colour: a
// pixel of ink d becomes tinted[d] (set for the inks the font holds), ink 0
// leaves the surface's pixel. Only the columns with ink are visited.
// `font` is the cached font: it stays while font_mutex is held.
void DrawBitmapText(SDL_Surface* surface, const SmallFontImage& font, int x, int y, const char* text,
                    const uint32_t (&tinted)[256]) REQUIRES(font_mutex) {
  SurfaceLock surface_lock(surface);
  SurfaceLock font_lock(font.image);
  const auto* ink = static_cast<const uint8_t*>(font.image->pixels);
  const long pitch = font.image->pitch;
  while (*text != '\0') {
    int width = 0;
    const int glyph = NextPenGlyph(&text, SmallGlyphTable, kSmallGlyphRows, &x, &y, &width);
    const Span columns = ClipSpan(x, width, surface->w);
    if (glyph != ' ' && !columns.empty() && y < surface->h) {
      // The glyph's columns on the surface, as bits.
      const unsigned visible = ((1u << (columns.last - x)) - 1) & ~((1u << (columns.first - x)) - 1);
      const int rows = std::min(kSmallGlyphRows, surface->h - y);
      const uint16_t* row_columns = font.ink_columns[glyph];
      const long first_ink = SmallGlyphTable[glyph].offset;
      uint8_t* out = PixelAt(surface, x, y);
      for (int row = 0; row < rows; ++row, out += surface->pitch) {
        unsigned bits = row_columns[row] & visible;
        if (bits == 0) continue;
        // The ink of these columns lies in the image (font_images.h).
        const uint8_t* in = ink + first_ink + row * pitch;
        do {
          const int column = std::countr_zero(bits);
          bits &= bits - 1;
          std::memcpy(out + column * 4, &tinted[in[column]], 4);
        } while (bits != 0);
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

const SmallFontImage* CachedSmallFont(int font_id) {
  SmallFontImage& font = font_id == 218 ? FontImageCache.font218 : FontImageCache.font118;
  if (font.image == nullptr) {
    char path[256];
    if (FontImagePath(path, sizeof path, font_id == 218 ? 218 : 118)) MakeSmallFontImage(LoadImageFile(path), &font);
  }
  return font.image != nullptr ? &font : nullptr;
}

const BigFontImage* CachedBigFont() {
  BigFontImage& font = FontImageCache.font32;
  if (!font.loaded()) {
    char path[256];
    if (FontImagePath(path, sizeof path, kBigFontId)) MakeBigFontImage(LoadImageFile(path), &font);
  }
  return font.loaded() ? &font : nullptr;
}

bool FontImagePath(char* out, size_t size, int font_id) {
  char number[12];
  const auto written = std::to_chars(number, number + sizeof number - 1, font_id);
  *written.ptr = '\0';
  return HomePathJoin(out, size, {"fonts/font", number, ".png"});
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
  int rows = 0;
  return BitmapTextWidth(font_id, text, &rows);
}

int BitmapTextWidth(int font_id, const char* text, int* rows) {
  *rows = kSmallGlyphRows;
  if (text == nullptr || *text == '\0') return 0;
  if (!BitmapFontsDraw(text)) {
    ScopedLock lock(font_mutex);
    if (TTF_Font* face = FallbackFace(font_id, text)) {
      int width = 0, height = 0;
      FaceTextSize(face, text, &width, &height);  // kNoFontWidth when it cannot be measured
      *rows = std::max(height, kSmallGlyphRows);
      return width;
    }
  }
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
  const Colour& tint = ColourTable[colour];
  uint32_t tinted[256];
  ScopedLock lock(font_mutex);
  if (TTF_Font* face = FallbackFace(font_id, text)) {
    for (int d = 0; d < 256; ++d) tinted[d] = Tinted(tint, d);
    DrawFaceText(surface, face, x, y, text, tinted);
    return;
  }
  const SmallFontImage* font = CachedSmallFont(font_id);
  if (font == nullptr) return;
  for (int i = 0; i < font->ink_count; ++i) tinted[font->inks[i]] = Tinted(tint, font->inks[i]);
  DrawBitmapText(surface, *font, x, y, text, tinted);
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
