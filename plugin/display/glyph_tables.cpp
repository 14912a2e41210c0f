#include "display/glyph_tables.h"

namespace {

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
