#include "display/glyph_cells.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "display/fonts.h"
#include "display/pixels.h"
#include "display/text.h"
#include "display/text_library.h"

namespace {

constexpr int kCharacters = sizeof kCellCharacters - 1;
// Every ordered pair of kCellCharacters in one line (a de Bruijn sequence),
// its first character again at its end.
constexpr int kPairLine = kCharacters * kCharacters + 1;

// The cells of one font: each character's width, its coverage (its alpha,
// width x height bytes) and each row's ink (its first column with alpha and
// one past its last: two bytes a row), all in one block.
struct FontCells {
  const TTF_Font* font = nullptr;  // the font they were made with; null: none
  bool refused = false;            // its lines are not their cells side by side
  int height = 0;
  uint8_t widths[128] = {};  // each ASCII character's width, 0 for those without a cell
  const uint8_t* alpha[kCharacters] = {};
  const uint8_t* ink[kCharacters] = {};
  uint8_t* block = nullptr;
  long bytes = 0;
  uint32_t masks[4] = {};        // the renders' red, green, blue and alpha masks
  uint16_t colours_fit = 0;      // a bit for each colour checked and fit
  uint16_t colours_refused = 0;  // a bit for each colour checked and not
};

constinit FontCells cells[3] GUARDED_BY(display_mutex);

// Each ASCII character's place in kCellCharacters, -1 for those not there.
constexpr std::array<int8_t, 128> kPlaceOf = [] {
  std::array<int8_t, 128> place{};
  place.fill(-1);
  for (int i = 0; i < kCharacters; ++i) place[static_cast<unsigned char>(kCellCharacters[i])] = static_cast<int8_t>(i);
  return place;
}();

int CharacterIndex(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < kPlaceOf.size() ? kPlaceOf[u] : -1;
}

// The width of the character at place i of kCellCharacters.
int Width(const FontCells& font, int i) { return font.widths[static_cast<unsigned char>(kCellCharacters[i])]; }

void Forget(FontCells& font) {
  std::free(font.block);
  font = FontCells{};
}

uint32_t PixelOf(const SDL_Surface* surface, int x, int y) {
  uint32_t word;
  std::memcpy(&word, static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * 4, 4);
  return word;
}

// The colour's pixel in `format` with alpha a.
uint32_t ColourWord(const SDL_PixelFormat* format, const Colour& colour, unsigned a) {
  return static_cast<uint32_t>(colour.red) << format->Rshift | static_cast<uint32_t>(colour.green) << format->Gshift |
         static_cast<uint32_t>(colour.blue) << format->Bshift | a << format->Ashift;
}

// SDL's blend of a per-pixel-alpha source over a 32-bit target whose alpha
// is the top byte: each colour d + (s - d) * a / 256, red and blue in one
// step, the target's alpha kept.
[[gnu::always_inline]] inline uint32_t Blend(uint32_t s, uint32_t d, uint32_t a) {
  if (a == 255) return (s & 0xffffff) | (d & 0xff000000);
  uint32_t rb = d & 0xff00ff;
  rb = (rb + (((s & 0xff00ff) - rb) * a >> 8)) & 0xff00ff;
  uint32_t g = d & 0xff00;
  g = (g + (((s & 0xff00) - g) * a >> 8)) & 0xff00;
  return rb | g | (d & 0xff000000);
}

SDL_Surface* Render(int slot, const char* text, const Colour& colour) REQUIRES(font_mutex) {
  if (StandardFont[slot] == nullptr) return nullptr;
  SDL_Color sdl_colour{colour.red, colour.green, colour.blue, colour.unused};
  return text_library.render_utf8_blended(StandardFont[slot], text, sdl_colour);
}

// The checks run once a font and colour while the pane shows: compiled for
// size (the set's library has little room), not speed.

// Whether `text` (of kCellCharacters) renders in the colour as its cells
// side by side: the same alpha everywhere, the colour wherever it is not 0.
[[gnu::cold]] bool RendersAsCells(int slot, const char* text, const Colour& colour) REQUIRES(display_mutex, font_mutex) {
  const FontCells& font = cells[slot];
  LockedImage locked(Render(slot, text, colour));
  const SDL_Surface* render = locked.get();
  if (render == nullptr) return false;
  const SDL_PixelFormat* format = render->format;
  if (format->BytesPerPixel != 4 || format->Amask == 0 || render->h != font.height) return false;
  const uint32_t pixel = ColourWord(format, colour, 0);
  int x = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    const int i = CharacterIndex(*c);
    if (i < 0) return false;
    const int width = Width(font, i);
    if (x + width > render->w) return false;
    const uint8_t* alpha = font.alpha[i];
    for (int r = 0; r < font.height; ++r) {
      for (int column = 0; column < width; ++column, ++alpha) {
        const uint32_t word = PixelOf(render, x + column, r);
        const uint32_t a = (word & format->Amask) >> format->Ashift;
        if (a != *alpha || (a != 0 && (word & ~format->Amask) != pixel)) return false;
      }
    }
    x += width;
  }
  return x == render->w;
}

// Renders each character alone in the colour and keeps its coverage.
[[gnu::cold]] bool MakeCells(int slot, const Colour& colour) REQUIRES(display_mutex, font_mutex) {
  FontCells& font = cells[slot];
  SDL_Surface* renders[kCharacters] = {};
  bool made = true;
  long bytes = 0;
  for (int i = 0; i < kCharacters && made; ++i) {
    const char text[2] = {kCellCharacters[i], '\0'};
    renders[i] = Render(slot, text, colour);
    made = renders[i] != nullptr && renders[i]->format->BytesPerPixel == 4 && renders[i]->format->Amask != 0 &&
           renders[i]->w < 256 && (i == 0 || renders[i]->h == renders[0]->h);
    if (made) bytes += static_cast<long>(renders[i]->w + 2) * renders[i]->h;
  }
  font.block = made ? static_cast<uint8_t*>(std::malloc(bytes)) : nullptr;
  made = made && font.block != nullptr;
  uint8_t* next = font.block;
  for (int i = 0; i < kCharacters; ++i) {
    SDL_Surface* render = renders[i];
    if (render == nullptr) continue;
    if (made && SDL_LockSurface(render) == 0) {
      font.widths[static_cast<unsigned char>(kCellCharacters[i])] = static_cast<uint8_t>(render->w);
      font.height = render->h;
      font.masks[0] = render->format->Rmask;
      font.masks[1] = render->format->Gmask;
      font.masks[2] = render->format->Bmask;
      font.masks[3] = render->format->Amask;
      font.alpha[i] = next;
      for (int r = 0; r < render->h; ++r) {
        for (int c = 0; c < render->w; ++c) {
          *next++ = static_cast<uint8_t>((PixelOf(render, c, r) & render->format->Amask) >> render->format->Ashift);
        }
      }
      font.ink[i] = next;
      for (const uint8_t* row = font.alpha[i]; row < font.ink[i]; row += render->w) {
        int first = 0, end = render->w;
        while (first < end && row[first] == 0) ++first;
        while (end > first && row[end - 1] == 0) --end;
        *next++ = static_cast<uint8_t>(first);
        *next++ = static_cast<uint8_t>(end);
      }
      SDL_UnlockSurface(render);
    } else {
      made = false;
    }
    SDL_FreeSurface(render);
  }
  if (!made) {
    const TTF_Font* made_with = font.font;
    Forget(font);
    font.font = made_with;
    return false;
  }
  font.bytes = bytes;
  return true;
}

// Whether Blend gives what SDL's blit of a render (of `masks`) gives onto
// `format`: every alpha of the colour over backgrounds from black to white
// and mixed.
[[gnu::cold]] bool BlendsAsSdl(const uint32_t (&masks)[4], const SDL_PixelFormat* format, const Colour& colour) {
  constexpr int kRows = 6;
  constexpr uint32_t kBackgrounds[kRows] = {0x00000000, 0xffffffff, 0x80808080, 0xff102030, 0x7fe0c0a0, 0x01ff00ff};
  SDL_Surface* source = SDL_CreateRGBSurface(SDL_SWSURFACE, 256, kRows, 32, masks[0], masks[1], masks[2], masks[3]);
  SDL_Surface* target =
      SDL_CreateRGBSurface(SDL_SWSURFACE, 256, kRows, 32, format->Rmask, format->Gmask, format->Bmask, format->Amask);
  bool same = source != nullptr && target != nullptr;
  for (int r = 0; same && r < kRows; ++r) {
    for (int a = 0; a < 256; ++a) {
      const uint32_t s = ColourWord(source->format, colour, static_cast<unsigned>(a));
      std::memcpy(static_cast<uint8_t*>(source->pixels) + r * source->pitch + a * 4, &s, 4);
      std::memcpy(static_cast<uint8_t*>(target->pixels) + r * target->pitch + a * 4, &kBackgrounds[r], 4);
    }
  }
  same = same && SDL_UpperBlit(source, nullptr, target, nullptr) == 0;
  const uint32_t word = same ? ColourWord(format, colour, 0) : 0;
  for (int r = 0; same && r < kRows; ++r) {
    same = PixelOf(target, 0, r) == kBackgrounds[r];
    for (unsigned a = 1; same && a < 256; ++a) same = PixelOf(target, a, r) == Blend(word, kBackgrounds[r], a);
  }
  if (source != nullptr) SDL_FreeSurface(source);
  if (target != nullptr) SDL_FreeSurface(target);
  return same;
}

// Whether the font's characters render as their cells side by side: a line
// holding every ordered pair of them (a de Bruijn sequence: each
// character, then it before each one after it), its first character again
// at its end.
[[gnu::cold]] bool PairsRenderAsCells(int slot, const Colour& colour) REQUIRES(display_mutex, font_mutex) {
  char pairs[kPairLine + 1];
  int n = 0;
  for (int i = 0; i < kCharacters; ++i) {
    pairs[n++] = kCellCharacters[i];
    for (int j = i + 1; j < kCharacters; ++j) {
      pairs[n++] = kCellCharacters[i];
      pairs[n++] = kCellCharacters[j];
    }
  }
  pairs[n++] = kCellCharacters[0];
  pairs[n] = '\0';
  return RendersAsCells(slot, pairs, colour);
}

}  // namespace

bool IsCellCharacter(char c) { return CharacterIndex(c) >= 0; }

bool KeepGlyphCells(int slot, int colour, const SDL_PixelFormat* target) {
  if (slot < 0 || slot > 2 || colour < 0 || colour > 9) return false;
  if (target->BytesPerPixel != 4 || target->Amask != 0xff000000 || target->Gmask != 0xff00) return false;
  ScopedLock lock(font_mutex);
  FontCells& font = cells[slot];
  if (StandardFont[slot] == nullptr) return false;
  const Colour& ink = ColourTable[colour];
  if (font.font != StandardFont[slot]) {  // the layout, once a font: in the first colour asked
    Forget(font);
    font.font = StandardFont[slot];
    font.refused = !MakeCells(slot, ink) || !PairsRenderAsCells(slot, ink);
  }
  const uint16_t bit = static_cast<uint16_t>(1u << colour);
  if (font.refused || (font.colours_refused & bit) != 0) return false;
  if ((font.colours_fit & bit) == 0) {  // each colour: its pixels and its blend
    if (!RendersAsCells(slot, kCellCharacters, ink) || !BlendsAsSdl(font.masks, target, ink)) {
      font.colours_refused |= bit;
      return false;
    }
    font.colours_fit |= bit;
  }
  return true;
}

const uint8_t* GlyphCellWidths(int slot) {
  return slot >= 0 && slot <= 2 && cells[slot].block != nullptr ? cells[slot].widths : nullptr;
}

void ReplaceGlyphCell(int slot, int colour, const SDL_PixelFormat* target, char was, char c, uint8_t* at, int pitch,
                      const uint8_t* under, int under_pitch, int columns, int rows) {
  const int i = CharacterIndex(c), old = CharacterIndex(was);
  const FontCells& font = cells[slot];
  if (i < 0 || old < 0 || i == old || font.block == nullptr) return;
  const int width = Width(font, i);
  columns = columns < width ? columns : width;
  rows = rows < font.height ? rows : font.height;
  const uint32_t word = ColourWord(target, ColourTable[colour], 0);
  const uint8_t* alpha = font.alpha[i];
  const uint8_t* ink = font.ink[i];
  const uint8_t* old_ink = font.ink[old];
  for (int r = 0; r < rows; ++r, at += pitch, under += under_pitch, alpha += width, ink += 2, old_ink += 2) {
    const int first = ink[0] < old_ink[0] ? ink[0] : old_ink[0];
    int end = ink[1] > old_ink[1] ? ink[1] : old_ink[1];
    end = end < columns ? end : columns;
    if (first >= end) continue;
    std::memcpy(at + first * 4, under + first * 4, static_cast<size_t>(end - first) * 4);
    const int last = ink[1] < columns ? ink[1] : columns;
    for (int x = ink[0]; x < last; ++x) {
      if (alpha[x] == 0) continue;
      uint32_t d;
      std::memcpy(&d, at + x * 4, 4);
      d = Blend(word, d, alpha[x]);
      std::memcpy(at + x * 4, &d, 4);
    }
  }
}

void ReleaseGlyphCells() {
  for (FontCells& font : cells) Forget(font);
}

long KeptGlyphCellBytes() {
  long bytes = 0;
  for (const FontCells& font : cells) bytes += font.bytes;
  return bytes;
}
