#include "assets/raster.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>

void Coverage::Bounds(int* x0, int* y0, int* x1, int* y1) const {
  *x0 = w, *y0 = h, *x1 = 0, *y1 = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (ink[y * w + x] == 0) continue;
      *x0 = std::min(*x0, x), *y0 = std::min(*y0, y), *x1 = std::max(*x1, x + 1), *y1 = std::max(*y1, y + 1);
    }
  }
  if (*x1 == 0) *x0 = *y0 = 0;
}

namespace {

// Adds coverage to the pixels of the box x0..x1, y0..y1 (clipped to the
// coverage) whose 4 x 4 samples `inside` takes.
template <typename Inside>
void AddShape(Coverage* coverage, double x0, double y0, double x1, double y1, Inside inside) {
  const int left = std::max(0, static_cast<int>(std::floor(x0))), right = std::min(coverage->w, static_cast<int>(std::ceil(x1)));
  const int top = std::max(0, static_cast<int>(std::floor(y0))), bottom = std::min(coverage->h, static_cast<int>(std::ceil(y1)));
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      int count = 0;
      for (int s = 0; s < 16; ++s) count += inside(x + (s % 4 + 0.5) / 4, y + (s / 4 + 0.5) / 4);
      uint8_t& ink = coverage->ink[y * coverage->w + x];
      ink = std::max<uint8_t>(ink, static_cast<uint8_t>(count * 255 / 16));
    }
  }
}

}  // namespace

void Coverage::Box(double x0, double y0, double x1, double y1) {
  AddShape(this, x0, y0, x1, y1, [&](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; });
}

void Coverage::Stroke(double x0, double y0, double x1, double y1, double width) {
  const double r = width / 2, dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
  AddShape(this, std::min(x0, x1) - r, std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r,
           [&](double x, double y) {
             double t = length2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / length2, 0.0, 1.0) : 0;
             double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
             return ex * ex + ey * ey <= r * r;
           });
}

Coverage RenderCoverage(TTF_Font* font, const char* utf8) {
  Coverage coverage;
  coverage.ascent = TTF_FontAscent(font);
  SDL_Surface* surface = TTF_RenderUTF8_Blended(font, utf8, SDL_Color{255, 255, 255, 0});
  if (surface == nullptr) return coverage;
  coverage.w = surface->w, coverage.h = surface->h;
  coverage.ink.resize(coverage.w * coverage.h);
  SDL_LockSurface(surface);
  for (int y = 0; y < surface->h; ++y) {
    const auto* row = reinterpret_cast<const Uint32*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < surface->w; ++x) {
      Uint8 r, g, b, a;
      SDL_GetRGBA(row[x], surface->format, &r, &g, &b, &a);
      coverage.ink[y * coverage.w + x] = a;
    }
  }
  SDL_UnlockSurface(surface);
  SDL_FreeSurface(surface);
  return coverage;
}

Image::Image(int width, int height, Rgba fill) : w(width), h(height), rgba(width * height * 4) {
  FillRect(0, 0, w, h, fill);
}

void Image::Set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= w || y >= h) return;
  uint8_t* p = &rgba[(y * w + x) * 4];
  p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = c.a;
}

void Image::Blend(int x, int y, Rgba c, int coverage) {
  if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0) return;
  uint8_t* p = &rgba[(y * w + x) * 4];
  auto mix = [coverage](int from, int to) { return static_cast<uint8_t>(from + (to - from) * coverage / 255); };
  p[0] = mix(p[0], c.r), p[1] = mix(p[1], c.g), p[2] = mix(p[2], c.b), p[3] = mix(p[3], c.a);
}

void Image::FillRect(int x, int y, int width, int height, Rgba c) {
  for (int yy = y; yy < y + height; ++yy) {
    for (int xx = x; xx < x + width; ++xx) Set(xx, yy, c);
  }
}

namespace {

// Coverage of pixel (x, y) by a rounded box, 0..255 (4x4 samples).
int RoundedCoverage(int x, int y, int bx, int by, int bw, int bh, int radius) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy) {
    for (int sx = 0; sx < 4; ++sx) {
      double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
      if (px < bx || py < by || px > bx + bw || py > by + bh) continue;
      double cx = std::clamp(px, bx + radius + 0.0, bx + bw - radius + 0.0);
      double cy = std::clamp(py, by + radius + 0.0, by + bh - radius + 0.0);
      if ((px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius) ++inside;
    }
  }
  return inside * 255 / 16;
}

}  // namespace

void Image::VerticalGradient(int x, int y, int width, int height, Rgba top, Rgba bottom, int corner) {
  for (int yy = y; yy < y + height; ++yy) {
    int t = height > 1 ? (yy - y) * 255 / (height - 1) : 0;
    auto mix = [t](int a, int b) { return static_cast<uint8_t>(a + (b - a) * t / 255); };
    Rgba c{mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), mix(top.a, bottom.a)};
    for (int xx = x; xx < x + width; ++xx) {
      int coverage = corner > 0 ? RoundedCoverage(xx, yy, x, y, width, height + corner * 2, corner) : 255;
      if (coverage == 255) Set(xx, yy, c);
      else Blend(xx, yy, c, coverage);
    }
  }
}

void Image::RoundedRect(int x, int y, int width, int height, int radius, Rgba fill, Rgba border, int border_width) {
  for (int yy = std::max(y, 0); yy < std::min(y + height, h); ++yy) {
    for (int xx = std::max(x, 0); xx < std::min(x + width, w); ++xx) {
      int outer = RoundedCoverage(xx, yy, x, y, width, height, radius);
      if (outer == 0) continue;
      int inner = RoundedCoverage(xx, yy, x + border_width, y + border_width, width - 2 * border_width,
                                  height - 2 * border_width, std::max(radius - border_width, 0));
      Rgba c = inner == 255 ? fill : border;
      if (inner > 0 && inner < 255) {
        auto mix = [inner](int a, int b) { return static_cast<uint8_t>(a + (b - a) * inner / 255); };
        c = Rgba{mix(border.r, fill.r), mix(border.g, fill.g), mix(border.b, fill.b), mix(border.a, fill.a)};
      }
      c.a = static_cast<uint8_t>(c.a * outer / 255);
      Set(xx, yy, c);
    }
  }
}

void Image::Disc(double cx, double cy, double radius, Rgba c) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int inside = 0;
      for (int s = 0; s < 16; ++s) {
        double px = x + (s % 4 + 0.5) / 4 - cx, py = y + (s / 4 + 0.5) / 4 - cy;
        if (px * px + py * py <= radius * radius) ++inside;
      }
      Blend(x, y, c, inside * 255 / 16);
    }
  }
}

void Image::Triangle(double x0, double y0, double x1, double y1, double x2, double y2, Rgba c) {
  auto edge = [](double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
  };
  double area = edge(x0, y0, x1, y1, x2, y2);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int inside = 0;
      for (int s = 0; s < 16; ++s) {
        double px = x + (s % 4 + 0.5) / 4, py = y + (s / 4 + 0.5) / 4;
        double e0 = edge(x0, y0, x1, y1, px, py) * area, e1 = edge(x1, y1, x2, y2, px, py) * area,
               e2 = edge(x2, y2, x0, y0, px, py) * area;
        if (e0 >= 0 && e1 >= 0 && e2 >= 0) ++inside;
      }
      Blend(x, y, c, inside * 255 / 16);
    }
  }
}

void Image::Arrow(int x, int y, int width, int height, Direction direction, Rgba c) {
  double l = x + 1, r = x + width - 1, t = y + 1, b = y + height - 1, mx = x + width / 2.0, my = y + height / 2.0;
  switch (direction) {
    case kLeft: Triangle(r, t, r, b, l, my, c); break;
    case kRight: Triangle(l, t, r, my, l, b, c); break;
    case kUp: Triangle(l, b, mx, t, r, b, c); break;
    case kDown: Triangle(l, t, r, t, mx, b, c); break;
  }
}

void Image::Text(TTF_Font* font, const char* utf8, Rgba c, int x, int y) {
  Coverage glyphs = RenderCoverage(font, utf8);
  int x0, y0, x1, y1;
  glyphs.Bounds(&x0, &y0, &x1, &y1);
  int left = x >= 0 ? x - x0 : (w - (x1 - x0)) / 2 - x0;
  int top = y >= 0 ? y - y0 : (h - (y1 - y0)) / 2 - y0;
  for (int gy = y0; gy < y1; ++gy) {
    for (int gx = x0; gx < x1; ++gx) Blend(left + gx, top + gy, c, glyphs.At(gx, gy));
  }
}

void Image::ReplaceTransparentWith(Rgba c) {
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (rgba[(y * w + x) * 4 + 3] == 0) Set(x, y, c);
    }
  }
}

void Image::PaintCell(const Coverage& cell, int x, int y, Rgba band, Rgba ink) {
  for (int row = 0; row < cell.h; ++row) {
    for (int column = 0; column < cell.w; ++column) {
      int coverage = cell.At(column, row);
      auto mix = [coverage](int a, int b) { return static_cast<uint8_t>(a + (b - a) * coverage / 255); };
      Set(x + column, y + row, Rgba{mix(band.r, ink.r), mix(band.g, ink.g), mix(band.b, ink.b), mix(band.a, ink.a)});
    }
  }
}

namespace {

constexpr int kBandRows = 32;
constexpr int kBandBaseline = 25;

// The first run of ink of 128 or more on row y: [*first, *last).
bool InkRun(const Coverage& cell, int y, int* first, int* last) {
  int x = 0;
  while (x < cell.w && cell.At(x, y) < 128) ++x;
  if (x == cell.w) return false;
  *first = x;
  while (x < cell.w && cell.At(x, y) >= 128) ++x;
  *last = x;
  return true;
}

}  // namespace

Coverage BandCell(const Coverage& glyph, int width) {
  Coverage cell;
  cell.w = width, cell.h = kBandRows, cell.ascent = kBandBaseline;
  cell.ink.assign(static_cast<size_t>(width) * kBandRows, 0);
  int x0, y0, x1, y1;
  glyph.Bounds(&x0, &y0, &x1, &y1);
  const int shift = (width - (x1 - x0)) / 2 - x0;
  for (int gy = y0; gy < y1; ++gy) {
    const int row = gy - glyph.ascent + kBandBaseline;
    if (row < 0 || row >= kBandRows) continue;
    for (int gx = x0; gx < x1; ++gx) {
      const int column = gx + shift;
      if (column >= 0 && column < width) cell.ink[row * width + column] = static_cast<uint8_t>(glyph.At(gx, gy));
    }
  }
  return cell;
}

void MarkBandCell(Coverage* cell, Mark mark) {
  int x0, y0, x1, y1;
  cell->Bounds(&x0, &y0, &x1, &y1);
  const double cx = (x0 + x1) / 2.0, top = y0;
  switch (mark) {
    case Mark::kNone:
      break;
    case Mark::kAcute:
      cell->Stroke(cx - 1.5, top - 2, cx + 2.5, top - 6, 3);
      break;
    case Mark::kGrave:
      cell->Stroke(cx + 1.5, top - 2, cx - 2.5, top - 6, 3);
      break;
    case Mark::kCircumflex:
      cell->Stroke(cx - 4, top - 1.8, cx, top - 5.8, 2.8);
      cell->Stroke(cx, top - 5.8, cx + 4, top - 1.8, 2.8);
      break;
    case Mark::kDot:
      cell->Box(cx - 1.75, top - 5, cx + 1.75, top - 1.5);
      break;
    case Mark::kDiaeresis:
      cell->Box(cx - 5, top - 4.5, cx - 2, top - 1.5);
      cell->Box(cx + 2, top - 4.5, cx + 5, top - 1.5);
      break;
    case Mark::kOgonek:
      cell->Stroke(x1 - 2, kBandBaseline - 0.5, x1 - 4, kBandBaseline + 2.5, 2.2);
      cell->Stroke(x1 - 4, kBandBaseline + 2.5, x1 - 2.5, kBandBaseline + 4.5, 2.2);
      cell->Stroke(x1 - 2.5, kBandBaseline + 4.5, x1, kBandBaseline + 4.5, 2.0);
      break;
    case Mark::kStroke: {
      const int mid = (y0 + kBandBaseline) / 2;
      int first, last;
      if (InkRun(*cell, mid, &first, &last)) cell->Stroke(first - 3, mid + 2.5, last + 3, mid - 2.5, 2.4);
      break;
    }
  }
}

void Grey::Paste(const Grey& cell, int x, int y) {
  for (int yy = 0; yy < cell.h; ++yy) {
    for (int xx = 0; xx < cell.w; ++xx) ink[(y + yy) * w + x + xx] = cell.ink[yy * cell.w + xx];
  }
}

void Grey::ReplacementMark() {
  for (int y = 2; y <= 15; ++y) {
    for (int x = 1; x <= 10; ++x) {
      bool edge = y == 2 || y == 15 || x == 1 || x == 10;
      if (edge) ink[y * w + x] = 200;
    }
  }
  for (int y = 6; y <= 11; ++y) {
    for (int x = 4; x <= 7; ++x) ink[y * w + x] = 255;
  }
}

namespace {

// The grid row of a dot: the average ink of the glyph's rows y0..y1 over the
// six columns spanning its advance.
void SampleRow(const Coverage& glyph, int y0, int y1, bool (&dots)[6]) {
  for (int i = 0; i < 6; ++i) {
    int sum = 0, count = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = i * glyph.w / 6; x < (i + 1) * glyph.w / 6; ++x, ++count) sum += glyph.At(x, y);
    }
    dots[i] = count > 0 && sum / count >= 70;
  }
}

// The rows of grid that hold dots: [*top, *bottom]; false when none.
bool DotRows(const DotGrid& grid, int* top, int* bottom) {
  *top = 9, *bottom = -1;
  for (int j = 0; j < 9; ++j) {
    for (bool dot : grid.dot[j]) {
      if (dot) *top = std::min(*top, j), *bottom = std::max(*bottom, j);
    }
  }
  return *bottom >= 0;
}

// The row of a letter's top under a mark: two rows for the mark and one
// free row between.
constexpr int kMarkedTop = 3;

}  // namespace

DotGrid SampleDots(const Coverage& glyph) {
  // Average ink of the glyph over a 6 x 9 grid spanning its advance and line.
  DotGrid grid;
  for (int j = 0; j < 9; ++j) SampleRow(glyph, j * glyph.h / 9, (j + 1) * glyph.h / 9, grid.dot[j]);
  return grid;
}

bool SmallCapital(char letter, DotGrid* grid) {
  // Rows 3 to 6, columns 1 to 4: a free column keeps them apart.
  struct Capital {
    char letter;
    const char* rows[4];
  };
  static const Capital kCapitals[] = {
      {'A', {"..##..", ".#..#.", ".####.", ".#..#."}}, {'C', {"..###.", ".#....", ".#....", "..###."}},
      {'N', {".#..#.", ".##.#.", ".#.##.", ".#..#."}}, {'O', {"..##..", ".#..#.", ".#..#.", "..##.."}},
      {'S', {"..###.", ".##...", "...##.", ".###.."}}, {'U', {".#..#.", ".#..#.", ".#..#.", "..##.."}},
      {'Z', {".####.", "...#..", "..#...", ".####."}},
  };
  for (const Capital& capital : kCapitals) {
    if (capital.letter != letter) continue;
    *grid = DotGrid{};
    for (int j = 0; j < 4; ++j) {
      for (int i = 0; i < 6; ++i) grid->dot[kMarkedTop + j][i] = capital.rows[j][i] == '#';
    }
    return true;
  }
  return false;
}

void MarkDots(DotGrid* grid, Mark mark) {
  int top, bottom;
  if (!DotRows(*grid, &top, &bottom)) return;
  int left = 6, right = -1;
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      if (grid->dot[j][i]) left = std::min(left, i), right = std::max(right, i);
    }
  }
  auto set = [grid](int i, int j) {
    if (i >= 0 && i < 6 && j >= 0 && j < 9) grid->dot[j][i] = true;
  };
  // Marks above take the two rows over the free row above the letter.
  const int centre = (left + right) / 2, upper = top - 3, lower = top - 2;
  switch (mark) {
    case Mark::kNone:
      break;
    case Mark::kAcute:
      set(centre + 1, upper), set(centre, lower);
      break;
    case Mark::kGrave:
      set(centre, upper), set(centre + 1, lower);
      break;
    case Mark::kCircumflex:
      set(centre - 1, lower), set(centre, upper), set(centre + 1, upper), set(centre + 2, lower);
      break;
    case Mark::kDot:
      set(centre, upper), set(centre + 1, upper), set(centre, lower), set(centre + 1, lower);
      break;
    case Mark::kDiaeresis:
      set(centre - 1, lower), set(centre + 2, lower);
      break;
    case Mark::kOgonek:
      set(right, bottom + 1), set(right + 1 < 6 ? right + 1 : right - 1, bottom + 2);
      break;
    case Mark::kStroke: {
      // A slash through the stem at half its height.
      const int mid = (top + bottom) / 2;
      int first = 0;
      while (first < 6 && !grid->dot[mid][first]) ++first;
      int last = first;
      while (last + 1 < 6 && grid->dot[mid][last + 1]) ++last;
      set(first - 1, mid + 1), set(first - 2, mid + 2), set(last + 1, mid - 1), set(last + 2, mid - 2);
      break;
    }
  }
}

void Grey::DotMatrix(const DotGrid& grid) {
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      if (!grid.dot[j][i]) continue;
      // A round dot: bright centre, dim rim, dark corner between dots.
      ink[(j * 2) * w + i * 2] = 255;
      ink[(j * 2) * w + i * 2 + 1] = 140;
      ink[(j * 2 + 1) * w + i * 2] = 140;
    }
  }
}

void Grey::Segments(const DotGrid& grid) {
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      if (!grid.dot[j][i]) continue;
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) ink[(j * 2 + y) * w + i * 2 + x] = 230;
      }
    }
  }
}

void Grey::SevenSegment(int digit) {
  // Segments a..g as bits 0..6.
  static const uint8_t kDigits[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  struct Box {
    int x, y, w, h;
  };
  static const Box kSegments[7] = {{3, 1, 6, 2},  {9, 3, 2, 5}, {9, 10, 2, 5}, {3, 15, 6, 2},
                                   {1, 10, 2, 5}, {1, 3, 2, 5}, {3, 8, 6, 2}};
  for (int s = 0; s < 7; ++s) {
    if (!(kDigits[digit] & (1 << s))) continue;
    const Box& box = kSegments[s];
    for (int y = box.y; y < box.y + box.h; ++y) {
      for (int x = box.x; x < box.x + box.w; ++x) ink[y * w + x] = 255;
    }
  }
}
