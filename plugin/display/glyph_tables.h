// Where each glyph of the bitmap fonts lies in its font image and how wide it is.
#pragma once

#include <array>
#include <cstdint>

struct GlyphEntry {
  uint32_t offset;  // byte offset of the glyph's top-left pixel in the image
  uint8_t width;    // pixels
  uint8_t padding[3];
};

inline constexpr int kSmallGlyphRows = 18;
inline constexpr int kBigGlyphRows = 32;
inline constexpr int kBigLeadRows = 3;

// Fonts 118 and 218: 16 x 8 cells of 12 x 18 pixels, 8 bits per pixel.
extern const std::array<GlyphEntry, 128> SmallGlyphTable;
// The big font: 16 x 8 cells of 32 x 32 pixels, 4 bytes per pixel.
extern const std::array<GlyphEntry, 128> BigGlyphTable;

// The glyph drawn for a letter the fonts lack (in the big font an empty band cell).
inline constexpr int kMissingGlyph = 16;

// Glyph index 1..29 of a two-byte unit; kMissingGlyph for any unit not in the table.
int GlyphIndex(const char* unit);
// Glyph index of the unit at text; advances text past the unit. A lone lead
// byte before the terminator forms a unit with it and leaves text on it.
int NextGlyphUnit(const char** text);
