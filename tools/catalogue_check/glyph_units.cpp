#include "glyph_units.h"

namespace {

struct GlyphPair {
  unsigned key;  // first byte * 256 + second byte
  int index;
};

// The 28 accented letters of the bitmap fonts, as UTF-8 byte pairs.
constexpr GlyphPair AccentedGlyphs[] = {
    {0xC484, 1},  {0xC486, 2},  {0xC498, 3},  {0xC581, 4},  {0xC583, 5},  {0xC393, 6},
    {0xC59A, 7},  {0xC5B9, 8},  {0xC5BB, 9},  {0xC384, 10}, {0xC396, 11}, {0xC39C, 12},
    {0xC3A8, 13}, {0xC3A9, 14}, {0xC3AA, 15}, {0xC485, 17}, {0xC487, 18}, {0xC499, 19},
    {0xC582, 20}, {0xC584, 21}, {0xC3B3, 22}, {0xC59B, 23}, {0xC5BA, 24}, {0xC5BC, 25},
    {0xC3A4, 26}, {0xC3B6, 27}, {0xC3BC, 28}, {0xC39F, 29},
};

}  // namespace

const unsigned char BigFontWidths[128] = {
    20, 20, 20, 15, 15, 17, 17, 18, 16, 16, 18, 16, 18, 20, 20, 20,  //
    20, 19, 18, 18, 13, 19, 18, 17, 14, 14, 16, 16, 17, 20, 20, 20,  //
    20, 12, 20, 20, 20, 20, 20, 14, 14, 14, 11, 20, 11, 12, 11, 16,  //
    20, 17, 19, 20, 20, 20, 20, 18, 20, 20, 11, 11, 20, 20, 20, 20,  //
    20, 20, 20, 20, 20, 15, 15, 20, 20, 11, 12, 20, 15, 24, 17, 17,  //
    17, 17, 17, 17, 17, 17, 20, 28, 20, 20, 16, 20, 20, 20, 20, 22,  //
    20, 19, 20, 19, 20, 19, 13, 20, 20, 11, 12, 18, 13, 28, 20, 19,  //
    20, 19, 14, 17, 14, 20, 19, 25, 18, 18, 14, 20, 20, 20, 20, 20,  //
};

int UnitGlyphIndex(const unsigned char* unit) {
  unsigned key = unit[0] * 256u + unit[1];
  for (const GlyphPair& pair : AccentedGlyphs)
    if (pair.key == key) return pair.index;
  return kReplacementGlyph;
}

int NextUnit(const unsigned char** text) {
  const unsigned char* at = *text;
  if (at[0] < 0x80) {
    *text = at + 1;
    return at[0];
  }
  int index = UnitGlyphIndex(at);
  *text = at[1] == 0 ? at + 1 : at + 2;
  return index;
}
