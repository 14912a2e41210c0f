#include "sim/host/test_picture.h"

#include <SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "display/glyph_tables.h"

namespace sim {
namespace {

constexpr int kGlyphWidth = 12;
constexpr int kGlyphHeight = 18;
constexpr int kGlyphsPerRow = 16;
constexpr int kFullWidth = 960;
constexpr int kFullHeight = 540;
constexpr int kBoxSize = 80;
constexpr int kBoxTop = 230;
constexpr size_t kProgrammeBytes = 24;

std::mutex glyphs_mutex;
std::shared_ptr<const LabelGlyphs> picture_glyphs;  // guarded by glyphs_mutex

int ScaleX(int x, int width) { return x * width / kFullWidth; }
int ScaleY(int y, int height) { return y * height / kFullHeight; }

void Fill(uint8_t* rgba, int width, int height, int x0, int y0, int w, int h, uint8_t r, uint8_t g,
          uint8_t b) {
  for (int y = std::max(y0, 0); y < std::min(y0 + h, height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x0 + w, width); ++x) {
      uint8_t* p = rgba + (static_cast<size_t>(y) * width + x) * 4;
      p[0] = r;
      p[1] = g;
      p[2] = b;
      p[3] = 255;
    }
  }
}

}  // namespace

std::shared_ptr<const LabelGlyphs> LoadLabelGlyphs(const std::string& png_path) {
  SDL_Surface* image = IMG_Load(png_path.c_str());
  if (image == nullptr) return nullptr;
  std::shared_ptr<LabelGlyphs> glyphs;
  if (image->format->BytesPerPixel == 1) {
    glyphs = std::make_shared<LabelGlyphs>();
    glyphs->width = image->w;
    glyphs->height = image->h;
    glyphs->ink.resize(static_cast<size_t>(image->w) * image->h);
    SDL_LockSurface(image);
    for (int y = 0; y < image->h; ++y) {
      const auto* row = static_cast<const uint8_t*>(image->pixels) + y * image->pitch;
      std::copy(row, row + image->w, glyphs->ink.begin() + static_cast<ptrdiff_t>(y) * image->w);
    }
    SDL_UnlockSurface(image);
  }
  SDL_FreeSurface(image);
  return glyphs;
}

void SetPictureGlyphs(std::shared_ptr<const LabelGlyphs> glyphs) {
  std::lock_guard lock(glyphs_mutex);
  picture_glyphs = std::move(glyphs);
}

std::shared_ptr<const LabelGlyphs> PictureGlyphs() {
  std::lock_guard lock(glyphs_mutex);
  return picture_glyphs;
}

void DrawLabel(uint8_t* rgba, int width, int height, const LabelGlyphs* glyphs, int x, int y, int scale,
               const std::string& text, uint8_t r, uint8_t g, uint8_t b) {
  if (glyphs == nullptr) return;
  // UTF-8 units as the plug-in's bitmap fonts see them (28 accented letters).
  for (const char* at = text.c_str(); *at != '\0';) {
    int glyph = NextGlyphUnit(&at);
    if (glyph != ' ') {
      for (int row = 0; row < kGlyphHeight * scale; ++row) {
        for (int column = 0; column < kGlyphWidth * scale; ++column) {
          int gx = (glyph % kGlyphsPerRow) * kGlyphWidth + column / scale;
          int gy = (glyph / kGlyphsPerRow) * kGlyphHeight + row / scale;
          if (gx >= glyphs->width || gy >= glyphs->height) continue;
          unsigned ink = glyphs->ink[static_cast<size_t>(gy) * glyphs->width + gx];
          int px = x + column, py = y + row;
          if (ink == 0 || px < 0 || py < 0 || px >= width || py >= height) continue;
          uint8_t* p = rgba + (static_cast<size_t>(py) * width + px) * 4;
          p[0] = static_cast<uint8_t>((r * ink + p[0] * (255 - ink)) / 255);
          p[1] = static_cast<uint8_t>((g * ink + p[1] * (255 - ink)) / 255);
          p[2] = static_cast<uint8_t>((b * ink + p[2] * (255 - ink)) / 255);
          p[3] = 255;
        }
      }
    }
    x += kGlyphWidth * scale;
  }
}

void DrawTestBox(uint8_t* rgba, int width, int height, int box_x) {
  Fill(rgba, width, height, ScaleX(box_x, width), ScaleY(kBoxTop, height), ScaleX(kBoxSize, width),
       ScaleY(kBoxSize, height), 250, 250, 250);
}

void DrawTestPicture(uint8_t* rgba, int width, int height, const TestPictureContent& content,
                     const LabelGlyphs* glyphs) {
  static const uint8_t kBars[8][3] = {{192, 192, 192}, {192, 192, 0}, {0, 192, 192}, {0, 192, 0},
                                      {192, 0, 192},   {192, 0, 0},   {0, 0, 192},   {40, 40, 40}};
  // Which bar each column shows: the same on every row.
  const int shift = ScaleX(content.bar_shift, width);
  std::vector<uint8_t> bar_of_column(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) bar_of_column[x] = static_cast<uint8_t>(((x + shift) % width) / (width / 8));
  for (int y = 0; y < height; ++y) {
    const int shade = 70 + 30 * y / height;  // a gentle gradient from top to bottom
    uint8_t* p = rgba + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, p += 4) {
      const uint8_t* bar = kBars[bar_of_column[x]];
      p[0] = static_cast<uint8_t>(bar[0] * shade / 100);
      p[1] = static_cast<uint8_t>(bar[1] * shade / 100);
      p[2] = static_cast<uint8_t>(bar[2] * shade / 100);
      p[3] = 255;
    }
  }
  DrawTestBox(rgba, width, height, content.box_x);
  // Captions on a black box: the channel at twice the glyph size (the glyph
  // size when the picture is small), the title under it at the glyph size.
  const int large = std::max(1, 2 * width / kFullWidth);
  const int channel_y = ScaleY(68, height);
  const int title_y = channel_y + kGlyphHeight * large + std::max(1, ScaleY(2, height));
  if (content.channel >= 1) {
    char channel[32];
    std::snprintf(channel, sizeof channel, "CH %d", content.channel);
    const int box_y = ScaleY(64, height);
    const int text_width = std::max(12 * large, static_cast<int>(kProgrammeBytes)) * kGlyphWidth;
    Fill(rgba, width, height, ScaleX(14, width), box_y, text_width + ScaleX(12, width),
         title_y + kGlyphHeight + ScaleY(6, height) - box_y, 0, 0, 0);
    DrawLabel(rgba, width, height, glyphs, ScaleX(20, width), channel_y, large, channel, 255, 255, 255);
  }
  DrawLabel(rgba, width, height, glyphs, ScaleX(20, width), title_y, 1,
            content.programme.substr(0, kProgrammeBytes), 255, 255, 0);
  if (content.frozen)
    DrawLabel(rgba, width, height, glyphs, ScaleX(800, width), channel_y, large, "FREEZE", 255, 64, 64);
}

}  // namespace sim
