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
// The code the stop-timer line puts for each of its blanks: the big font
// draws it as its glyph 16 (an empty band cell 20 pixels wide) where a space
// would be skipped.
inline constexpr char kDrawnBlank = 16;

// The big font of the status band has no font id of its own; it goes by 32,
// after its image font32.png, where a font id is asked for.
inline constexpr int kBigFontId = 32;

// A text that holds a letter the bitmap fonts lack (a two-byte unit that
// would draw the replacement glyph, the start of a longer character) is drawn
// in their place with the TrueType face, at a size whose line is as high as
// their cells:
// - 15 points for fonts 118 and 218: a line of 18 rows, the 12 x 18 cells;
// - 26 points for the big font: a line of 32 rows, its glyph rows, with the
//   baseline on their row 25 where the big font's letters stand.
inline constexpr int kSmallFallbackSize = 15;
inline constexpr int kBigFallbackSize = 26;

// Glyph index 1..29 of a two-byte unit; kMissingGlyph for any unit not in the table.
int GlyphIndex(const char* unit);
// Glyph index of the unit at text; advances text past the unit. A lone lead
// byte before the terminator forms a unit with it and leaves text on it.
int NextGlyphUnit(const char** text);
// True when the bitmap fonts have a glyph for every unit of text (null and
// the empty text included): no unit of two bytes draws kMissingGlyph.
bool BitmapFontsDraw(const char* text);
