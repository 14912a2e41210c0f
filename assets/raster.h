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
};
Coverage RenderCoverage(TTF_Font* font, const char* utf8);

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
  // A glyph of the big font into the cell at (x, y), within width pixels.
  void BandGlyph(const Coverage& glyph, int x, int y, int width, Rgba band, Rgba ink);
};

struct Grey {
  int w, h;
  std::vector<uint8_t> ink;
  Grey(int width, int height) : w(width), h(height), ink(width * height) {}
  void Paste(const Grey& cell, int x, int y);
  void ReplacementMark();
  void DotMatrix(const Coverage& glyph);
  void Segments(const Coverage& glyph);
  void SevenSegment(int digit);
};
