// A small rasteriser for the asset generator: RGBA and grey images, shapes,
// and glyph coverage from a TrueType face.
#pragma once

#include <cstdint>
#include <vector>

struct _TTF_Font;
typedef struct _TTF_Font TTF_Font;

struct Rgba {
  uint8_t r, g, b, a;
};

enum Direction { kLeft, kRight, kUp, kDown };

// A glyph's ink, 0..255, as rendered by the face.
struct Coverage {
  int w = 0, h = 0, ascent = 0;
  std::vector<uint8_t> ink;
  int At(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0 : ink[y * w + x]; }
  // The box that holds all ink.
  void Bounds(int* x0, int* y0, int* x1, int* y1) const;
  // Adds ink, anti-aliased (4 x 4 samples a pixel), where it covers more:
  // a box, and a stroke along a segment of the given width.
  void Box(double x0, double y0, double x1, double y1);
  void Stroke(double x0, double y0, double x1, double y1, double width);
};
Coverage RenderCoverage(TTF_Font* font, const char* utf8);

// The marks that make the 28 accented letters of the bitmap fonts from
// their base letters.
enum class Mark { kNone, kAcute, kGrave, kCircumflex, kDot, kDiaeresis, kOgonek, kStroke };

// The ink of a big-font cell: 32 rows, `width` columns, the glyph centred
// and its baseline on row 25.
Coverage BandCell(const Coverage& glyph, int width);
// Draws mark on the letter in a big-font cell, sized for its 32 rows: above
// the letter (acute, grave, circumflex, dot, diaeresis), below its right end
// (ogonek) or across its stem (stroke).
void MarkBandCell(Coverage* cell, Mark mark);

// The dot grid the small fonts are drawn from: 6 columns, 9 rows.
struct DotGrid {
  bool dot[9][6] = {};
};
// The grid of a glyph: a dot where its average ink over the cell is 70 or
// more, the cell spanning its advance and line.
DotGrid SampleDots(const Coverage& glyph);
// The capitals that take a mark above (A, C, N, O, S, U, Z), drawn four rows
// high from the fourth row down to the baseline, as the small letters are,
// so that two rows for the mark and a free one between fit above them:
// sampled capitals are five or six rows high. false for any other letter.
bool SmallCapital(char letter, DotGrid* grid);
// Sets the dots of mark on the letter of grid: the marks above in the two
// rows over the free row above the letter, the ogonek in the two rows below
// its bottom at its right end, the stroke as a slash across its stem.
void MarkDots(DotGrid* grid, Mark mark);

struct Image {
  int w, h;
  std::vector<uint8_t> rgba;
  Image(int width, int height, Rgba fill = Rgba{0, 0, 0, 0});
  void Set(int x, int y, Rgba c);
  // Draws c over the pixel with coverage 0..255.
  void Blend(int x, int y, Rgba c, int coverage);
  void FillRect(int x, int y, int w, int h, Rgba c);
  void VerticalGradient(int x, int y, int w, int h, Rgba top, Rgba bottom, int corner);
  void RoundedRect(int x, int y, int w, int h, int radius, Rgba fill, Rgba border, int border_width);
  void Disc(double cx, double cy, double radius, Rgba c);
  void Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgba c);
  void Arrow(int x, int y, int w, int h, Direction direction, Rgba c);
  // Text with its box's top-left at (x, y); -1 centres on that axis.
  void Text(TTF_Font* font, const char* utf8, Rgba c, int x, int y);
  void ReplaceTransparentWith(Rgba c);
  // A big-font cell's ink (BandCell) at (x, y): each pixel the band colour
  // mixed towards the ink by the coverage.
  void PaintCell(const Coverage& cell, int x, int y, Rgba band, Rgba ink);
};

struct Grey {
  int w, h;
  std::vector<uint8_t> ink;
  Grey(int width, int height) : w(width), h(height), ink(width * height) {}
  void Paste(const Grey& cell, int x, int y);
  void ReplacementMark();
  void DotMatrix(const DotGrid& grid);
  void Segments(const DotGrid& grid);
  void SevenSegment(int digit);
};
