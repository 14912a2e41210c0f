// The bitmap fonts' images in the forms their drawing uses, made once when
// an image is loaded:
// - fonts 118 and 218: the decoded image, whose bytes are the ink, and for
//   each glyph row the columns that have ink, so that drawing visits only
//   those and tints only the ink values the font has;
// - the big font: one byte a pixel, the pixel's entry in a palette of its
//   colours, when the image has 4 bytes a pixel and at most 256 colours
//   (the generated font has one colour over the band: 128 KiB instead of
//   the 512 KiB of its 32-bit pixels); any other image stays as decoded.
// Both read the image exactly as its glyph table's byte offsets address it,
// and a byte beyond the image's end is never read: drawing from them gives
// the pixels drawing from the decoded image gives.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

#include "display/glyph_tables.h"

// The status band's own colour (red, green, blue, alpha): the pixel the big
// font's drawing starts from, and its lead rows' colour before any glyph.
inline constexpr std::array<uint8_t, 4> kBandColour = {8, 8, 8, 128};

struct SmallFontImage {
  SDL_Surface* image = nullptr;  // as decoded; null while not loaded
  // Bit c of [glyph][row]: the glyph's row has ink (a byte above 0 within
  // the image) in column c.
  uint16_t ink_columns[128][kSmallGlyphRows] = {};
  uint8_t inks[255] = {};  // the ink values above 0 that the glyphs hold
  int ink_count = 0;
};

struct BigFontImage {
  SDL_Surface* image = nullptr;  // as decoded, when the palette form cannot hold it
  uint8_t* entries = nullptr;    // palette form: each pixel's entry, row after row
  long pixels = 0;               // pixels of the palette form
  long pitch = 0;                // bytes of a decoded row, as the glyph table counts them
  uint8_t palette[256][4] = {};  // red, green, blue, alpha
  // The letters' full colour (red, green, blue, alpha): of the pixels the
  // most opaque and, among those, the brightest.
  std::array<uint8_t, 4> ink = {};
  bool loaded() const { return image != nullptr || entries != nullptr; }
};

// Takes over `image` (decoded): false, with *font empty and the image freed,
// when image is null.
bool MakeSmallFontImage(SDL_Surface* image, SmallFontImage* font);
bool MakeBigFontImage(SDL_Surface* image, BigFontImage* font);

// Frees what the forms hold and empties them.
void FreeSmallFontImage(SmallFontImage* font);
void FreeBigFontImage(BigFontImage* font);

// Bytes of pixels the form holds.
long FontImageBytes(const SmallFontImage& font);
long FontImageBytes(const BigFontImage& font);
