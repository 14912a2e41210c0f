#include "display/glyph_tables.h"

namespace {

struct GlyphKey {
  uint16_t key;
  uint8_t index;
};

constexpr GlyphKey kGlyphKeys[] = {
    {0xC484, 1},  {0xC486, 2},  {0xC498, 3},  {0xC581, 4},  {0xC583, 5},  {0xC393, 6},
    {0xC59A, 7},  {0xC5B9, 8},  {0xC5BB, 9},  {0xC384, 10}, {0xC396, 11}, {0xC39C, 12},
    {0xC3A8, 13}, {0xC3A9, 14}, {0xC3AA, 15}, {0xC485, 17}, {0xC487, 18}, {0xC499, 19},
    {0xC582, 20}, {0xC584, 21}, {0xC3B3, 22}, {0xC59B, 23}, {0xC5BA, 24}, {0xC5BC, 25},
    {0xC3A4, 26}, {0xC3B6, 27}, {0xC3BC, 28}, {0xC39F, 29},
};

constexpr uint8_t kBigWidths[128] = {
    20, 20, 20, 15, 15, 17, 17, 18, 16, 16, 18, 16, 18, 20, 20, 20,  //
    20, 19, 18, 18, 13, 19, 18, 17, 14, 14, 16, 16, 17, 20, 20, 20,  //
    20, 12, 20, 20, 20, 20, 20, 14, 14, 14, 11, 20, 11, 12, 11, 16,  //
    20, 17, 19, 20, 20, 20, 20, 18, 20, 20, 11, 11, 20, 20, 20, 20,  //
    20, 20, 20, 20, 20, 15, 15, 20, 20, 11, 12, 20, 15, 24, 17, 17,  //
    17, 17, 17, 17, 17, 17, 20, 28, 20, 20, 16, 20, 20, 20, 20, 22,  //
    20, 19, 20, 19, 20, 19, 13, 20, 20, 11, 12, 18, 13, 28, 20, 19,  //
    20, 19, 14, 17, 14, 20, 19, 25, 18, 18, 14, 20, 20, 20, 20, 20,  //
};

constexpr std::array<GlyphEntry, 128> MakeTable(uint32_t row_step, uint32_t column_step, bool big) {
  std::array<GlyphEntry, 128> table{};
  for (int i = 0; i < 128; ++i) {
    table[i].offset = (i / 16) * row_step + (i % 16) * column_step;
    table[i].width = big ? kBigWidths[i] : 12;
  }
  return table;
}

}  // namespace

const std::array<GlyphEntry, 128> SmallGlyphTable = MakeTable(3456, 12, false);
const std::array<GlyphEntry, 128> BigGlyphTable = MakeTable(65536, 128, true);

int GlyphIndex(const char* unit) {
  unsigned key = static_cast<unsigned char>(unit[0]) * 256u + static_cast<unsigned char>(unit[1]);
  for (const GlyphKey& entry : kGlyphKeys) {
    if (entry.key == key) return entry.index;
  }
  return kMissingGlyph;
}

int NextGlyphUnit(const char** text) {
  const char* p = *text;
  unsigned char lead = static_cast<unsigned char>(*p);
  if (lead < 0x80) {
    *text = p + 1;
    return lead;
  }
  int glyph = GlyphIndex(p);
  *text = p[1] == '\0' ? p + 1 : p + 2;
  return glyph;
}

bool BitmapFontsDraw(const char* text) {
  if (text == nullptr) return true;
  while (*text != '\0') {
    const bool two_bytes = static_cast<unsigned char>(*text) >= 0x80;
    if (NextGlyphUnit(&text) == kMissingGlyph && two_bytes) return false;
  }
  return true;
}
