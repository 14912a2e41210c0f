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

void Image::BandGlyph(const Coverage& glyph, int x, int y, int width, Rgba band, Rgba ink) {
  constexpr int kBaseline = 25;
  int x0, y0, x1, y1;
  glyph.Bounds(&x0, &y0, &x1, &y1);
  int shift = (width - (x1 - x0)) / 2 - x0;
  for (int gy = y0; gy < y1; ++gy) {
    int row = gy - glyph.ascent + kBaseline;
    if (row < 0 || row >= 32) continue;
    for (int gx = x0; gx < x1; ++gx) {
      int column = gx + shift;
      if (column < 0 || column >= width) continue;
      int coverage = glyph.At(gx, gy);
      auto mix = [coverage](int a, int b) { return static_cast<uint8_t>(a + (b - a) * coverage / 255); };
      Set(x + column, y + row, Rgba{mix(band.r, ink.r), mix(band.g, ink.g), mix(band.b, ink.b), mix(band.a, ink.a)});
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

// Average ink of the glyph over a 6 x 9 grid spanning its advance and line.
void SampleGrid(const Coverage& glyph, int grid[9][6]) {
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      int sum = 0, count = 0;
      for (int y = j * glyph.h / 9; y < (j + 1) * glyph.h / 9; ++y) {
        for (int x = i * glyph.w / 6; x < (i + 1) * glyph.w / 6; ++x, ++count) sum += glyph.At(x, y);
      }
      grid[j][i] = count > 0 ? sum / count : 0;
    }
  }
}

}  // namespace

void Grey::DotMatrix(const Coverage& glyph) {
  int grid[9][6];
  SampleGrid(glyph, grid);
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      if (grid[j][i] < 70) continue;
      // A round dot: bright centre, dim rim, dark corner between dots.
      ink[(j * 2) * w + i * 2] = 255;
      ink[(j * 2) * w + i * 2 + 1] = 140;
      ink[(j * 2 + 1) * w + i * 2] = 140;
    }
  }
}

void Grey::Segments(const Coverage& glyph) {
  int grid[9][6];
  SampleGrid(glyph, grid);
  for (int j = 0; j < 9; ++j) {
    for (int i = 0; i < 6; ++i) {
      if (grid[j][i] < 70) continue;
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
