// The generated bitmap fonts' accented letters, read from the images of the
// build's home folder: each differs visibly from its base letter and from
// the other accented forms of that letter, and its mark stands apart from
// the letter, in one piece, or in two for a diaeresis (two dots, not a bar).
#include <SDL_image.h>

#include <functional>
#include <string>
#include <vector>

#include "display_test_support.h"

namespace display_test {
namespace {

// A glyph cell's ink: 1 where the image's pixel is inked.
struct Cell {
  int w = 0, h = 0;
  std::vector<bool> ink;
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && ink[y * w + x]; }
};

// The cells of a font image: 16 x 8 of cell_w x cell_h, read every `step`
// pixels (2 for the small fonts: their dots or blocks, each at its top left
// pixel); a pixel is inked when its first byte (grey ink, or red on the
// band) is 128 or more.
std::vector<Cell> ReadCells(const std::string& name, int cell_w, int cell_h, int step) {
  std::vector<Cell> cells;
  SDL_Surface* image = IMG_Load((BuildHome() + "/fonts/" + name).c_str());
  if (image == nullptr) return cells;
  SDL_LockSurface(image);
  for (int glyph = 0; glyph < 128; ++glyph) {
    Cell cell{cell_w / step, cell_h / step, std::vector<bool>(cell_w / step * (cell_h / step))};
    for (int y = 0; y < cell.h; ++y) {
      for (int x = 0; x < cell.w; ++x) {
        const auto* p = static_cast<const uint8_t*>(image->pixels) +
                        ((glyph / 16) * cell_h + y * step) * image->pitch +
                        ((glyph % 16) * cell_w + x * step) * image->format->BytesPerPixel;
        cell.ink[y * cell.w + x] = p[0] >= 128;
      }
    }
    cells.push_back(cell);
  }
  SDL_UnlockSurface(image);
  SDL_FreeSurface(image);
  return cells;
}

int Differing(const Cell& a, const Cell& b) {
  int count = 0;
  for (size_t i = 0; i < a.ink.size(); ++i) count += a.ink[i] != b.ink[i];
  return count;
}

// Inked pieces (8-connected) among the cell's rows [top, bottom).
int Pieces(const Cell& cell, int top, int bottom) {
  std::vector<bool> seen(cell.ink.size());
  int pieces = 0;
  std::function<void(int, int)> fill = [&](int x, int y) {
    if (y < top || y >= bottom || !cell.At(x, y) || seen[y * cell.w + x]) return;
    seen[y * cell.w + x] = true;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) fill(x + dx, y + dy);
    }
  };
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < cell.w; ++x) {
      if (cell.At(x, y) && !seen[y * cell.w + x]) ++pieces, fill(x, y);
    }
  }
  return pieces;
}

bool RowInked(const Cell& cell, int y) {
  for (int x = 0; x < cell.w; ++x)
    if (cell.At(x, y)) return true;
  return false;
}

enum Above { kNothing, kOnePiece, kTwoPieces };

struct Accented {
  int glyph;
  int base;  // the letter it is made from
  Above above;
};

// The 28 accented letters (ß against the B it could be taken for).
constexpr Accented kAccented[] = {
    {1, 'A', kNothing},    {2, 'C', kOnePiece},   {3, 'E', kNothing},     {4, 'L', kNothing},
    {5, 'N', kOnePiece},   {6, 'O', kOnePiece},   {7, 'S', kOnePiece},    {8, 'Z', kOnePiece},
    {9, 'Z', kOnePiece},   {10, 'A', kTwoPieces}, {11, 'O', kTwoPieces},  {12, 'U', kTwoPieces},
    {13, 'e', kOnePiece},  {14, 'e', kOnePiece},  {15, 'e', kOnePiece},   {17, 'a', kNothing},
    {18, 'c', kOnePiece},  {19, 'e', kNothing},   {20, 'l', kNothing},    {21, 'n', kOnePiece},
    {22, 'o', kOnePiece},  {23, 's', kOnePiece},  {24, 'z', kOnePiece},   {25, 'z', kOnePiece},
    {26, 'a', kTwoPieces}, {27, 'o', kTwoPieces}, {28, 'u', kTwoPieces},  {29, 'B', kNothing},
};

struct FontImage {
  const char* name;
  int cell_w, cell_h;
  int step;     // pixels a dot or block
  int visible;  // dots (pixels of the big font) that make a visible difference
};

TEST(GeneratedFonts, AccentedLettersAreLegibleAndDistinct) {
  for (const FontImage& font : {FontImage{"font32.png", 32, 32, 1, 6}, FontImage{"font118.png", 12, 18, 2, 2},
                                FontImage{"font218.png", 12, 18, 2, 2}}) {
    SCOPED_TRACE(font.name);
    const std::vector<Cell> cells = ReadCells(font.name, font.cell_w, font.cell_h, font.step);
    ASSERT_EQ(cells.size(), 128u);
    for (const Accented& letter : kAccented) {
      SCOPED_TRACE(letter.glyph);
      const Cell& cell = cells[letter.glyph];
      EXPECT_GE(Differing(cell, cells[letter.base]), font.visible) << "looks like its base letter";
      for (const Accented& other : kAccented) {
        if (other.base == letter.base && other.glyph != letter.glyph) {
          EXPECT_GE(Differing(cell, cells[other.glyph]), font.visible) << "looks like glyph " << other.glyph;
        }
      }
      if (letter.above == kNothing) continue;
      // The mark: the rows above the first free row under the top, with the
      // letter below that row. The big font's marks stay clear of the
      // cell's top (the small fonts' start at it).
      int top = 0;
      while (top < cell.h && !RowInked(cell, top)) ++top;
      int gap = top;
      while (gap < cell.h && RowInked(cell, gap)) ++gap;
      ASSERT_LT(gap, cell.h);
      if (font.step == 1) {
        EXPECT_GT(top, 0) << "the mark reaches the cell's top";
      }
      int letter_top = gap;
      while (letter_top < cell.h && !RowInked(cell, letter_top)) ++letter_top;
      EXPECT_LT(letter_top, cell.h) << "nothing under the mark";
      EXPECT_EQ(Pieces(cell, top, gap), letter.above == kTwoPieces ? 2 : 1) << "pieces of the mark";
    }
  }
}

}  // namespace
}  // namespace display_test
