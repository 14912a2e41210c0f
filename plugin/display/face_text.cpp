#include "display/face_text.h"

#include <algorithm>
#include <cstring>

#include "display/glyph_tables.h"
#include "display/pixels.h"
#include "display/text_library.h"

namespace {

// Rows of the big font's lead and glyph rows, as DrawBigText writes them.
constexpr int kBigBlockRows = kBigLeadRows + kBigGlyphRows;

// Longer texts reach far past the screen's edge: what is cut off here would
// never be seen.
constexpr size_t kFaceTextBytes = 512;

// text as the face gets it: the drawn blanks as spaces, cut at a character
// boundary to the buffer.
void FaceText(const char* text, char (&out)[kFaceTextBytes]) {
  size_t n = 0;
  for (; text[n] != '\0' && n + 1 < sizeof out; ++n) out[n] = text[n] == kDrawnBlank ? ' ' : text[n];
  // Not the start of a character cut short.
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  out[n] = '\0';
}

// The face's rendering of text, white: its alpha is the coverage. Null when
// the library renders nothing, or nothing this code reads (only 32-bit
// renderings with an alpha channel are).
SDL_Surface* RenderCoverage(TTF_Font* face, const char* text) REQUIRES(font_mutex) {
  char converted[kFaceTextBytes];
  FaceText(text, converted);
  if (converted[0] == '\0') return nullptr;
  SDL_Surface* rendered = text_library.render_utf8_blended(face, converted, SDL_Color{255, 255, 255, 0});
  if (rendered != nullptr && (rendered->format->BytesPerPixel != 4 || rendered->format->Amask == 0)) {
    SDL_FreeSurface(rendered);
    return nullptr;
  }
  return rendered;
}

// Coverage of the rendered pixel (x, y) (inside the rendering).
uint8_t CoverageAt(const SDL_Surface* rendered, int x, int y) {
  const SDL_PixelFormat* format = rendered->format;
  const uint8_t* at = static_cast<const uint8_t*>(rendered->pixels) + y * rendered->pitch + x * format->BytesPerPixel;
  uint32_t pixel = 0;
  std::memcpy(&pixel, at, std::min<int>(format->BytesPerPixel, 4));
  return static_cast<uint8_t>((pixel & format->Amask) >> format->Ashift);
}

uint8_t Mix(uint8_t from, uint8_t to, int coverage) {
  return static_cast<uint8_t>(from + (to - from) * coverage / 255);
}

}  // namespace

bool FaceTextSize(TTF_Font* face, const char* text, int* width, int* height) {
  *width = *height = 0;
  if (text == nullptr || *text == '\0') return true;
  char converted[kFaceTextBytes];
  FaceText(text, converted);
  if (face != nullptr && text_library.size_utf8(face, converted, width, height) == 0) return true;
  *width = kNoFontWidth;
  *height = 0;
  return false;
}

int FaceTextWidth(TTF_Font* face, const char* text) {
  int width = 0, height = 0;
  FaceTextSize(face, text, &width, &height);
  return width;
}

void DrawFaceText(SDL_Surface* surface, TTF_Font* face, int x, int y, const char* text,
                  const uint32_t (&tinted)[256]) {
  LockedImage rendering(RenderCoverage(face, text));  // locked while read, freed after
  const SDL_Surface* rendered = rendering.get();
  if (rendered == nullptr) return;
  const Span columns = ClipSpan(x, rendered->w, surface->w);
  const Span rows = ClipSpan(y, rendered->h, surface->h);
  SurfaceLock lock(surface);
  for (int row = rows.first; row < rows.last; ++row) {
    uint8_t* out = PixelAt(surface, 0, row);
    for (int column = columns.first; column < columns.last; ++column) {
      const uint8_t coverage = CoverageAt(rendered, column - x, row - y);
      if (coverage != 0) std::memcpy(out + column * 4, &tinted[coverage], 4);
    }
  }
}

void DrawFaceBigText(SDL_Surface* surface, TTF_Font* face, int x, int y, const char* text,
                     const BigFontColours& colours, const uint8_t (&alpha_of)[256]) {
  LockedImage rendering(RenderCoverage(face, text));  // locked while read, freed after
  const SDL_Surface* rendered = rendering.get();
  if (rendered == nullptr) return;
  const Span columns = ClipSpan(x, rendered->w, surface->w);
  const Span rows = ClipSpan(y, kBigBlockRows, surface->h);
  SurfaceLock lock(surface);
  for (int row = rows.first; row < rows.last; ++row) {
    const int line_row = row - y - kBigLeadRows;  // the face's row; lead rows above it
    uint8_t* out = PixelAt(surface, 0, row);
    for (int column = columns.first; column < columns.last; ++column) {
      const int coverage = line_row >= 0 && line_row < rendered->h ? CoverageAt(rendered, column - x, line_row) : 0;
      const uint8_t* band = colours.band;
      const uint8_t* ink = colours.ink;
      uint8_t* pixel = out + column * 4;
      pixel[0] = Mix(band[2], ink[2], coverage);
      pixel[1] = Mix(band[1], ink[1], coverage);
      pixel[2] = Mix(band[0], ink[0], coverage);
      pixel[3] = alpha_of[Mix(band[3], ink[3], coverage)];
    }
  }
}
