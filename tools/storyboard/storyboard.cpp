#include "storyboard.h"

#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "captions.h"
#include "sim/screen/png_file.h"

namespace storyboard {
namespace {

constexpr int kMargin = 14;
constexpr int kCaptionGap = 6;            // between a picture and its caption
constexpr size_t kCaptionBytes = 1024;    // "N. caption" before it is laid out
constexpr uint8_t kBackground[3] = {28, 28, 32};
constexpr uint8_t kMissingTile[3] = {96, 24, 24};
constexpr SDL_Color kCaptionColour = {235, 235, 225, 255};

// Opens TTF once for the program; the font is closed by its owner.
bool TtfReady() {
  static const bool ready = TTF_WasInit() != 0 || TTF_Init() == 0;
  return ready;
}

struct Canvas {
  int width, height;
  uint8_t* rgba;
};

void Fill(const Canvas& canvas, int x, int y, int w, int h, const uint8_t* colour) {
  for (int py = std::max(y, 0); py < std::min(y + h, canvas.height); ++py)
    for (int px = std::max(x, 0); px < std::min(x + w, canvas.width); ++px) {
      uint8_t* p = canvas.rgba + (static_cast<size_t>(py) * canvas.width + px) * 4;
      p[0] = colour[0], p[1] = colour[1], p[2] = colour[2], p[3] = 255;
    }
}

// Blends pixel (r, g, b, a) into the canvas at (x, y), clipped.
void Blend(const Canvas& canvas, int x, int y, unsigned r, unsigned g, unsigned b, unsigned a) {
  if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
  uint8_t* p = canvas.rgba + (static_cast<size_t>(y) * canvas.width + x) * 4;
  p[0] = static_cast<uint8_t>((r * a + p[0] * (255 - a)) / 255);
  p[1] = static_cast<uint8_t>((g * a + p[1] * (255 - a)) / 255);
  p[2] = static_cast<uint8_t>((b * a + p[2] * (255 - a)) / 255);
}

// Draws one line of text with its top left at (x, y), clipped to the canvas.
void DrawText(const Canvas& canvas, TTF_Font* font, const char* text, int x, int y) {
  if (text[0] == '\0') return;
  SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text, kCaptionColour);
  if (rendered == nullptr) return;
  SDL_LockSurface(rendered);
  for (int ty = 0; ty < rendered->h; ++ty) {
    const auto* row = reinterpret_cast<const Uint32*>(static_cast<const uint8_t*>(rendered->pixels) +
                                                      ty * rendered->pitch);
    for (int tx = 0; tx < rendered->w; ++tx) {
      Uint8 r, g, b, a;
      SDL_GetRGBA(row[tx], rendered->format, &r, &g, &b, &a);
      if (a != 0) Blend(canvas, x + tx, y + ty, r, g, b, a);
    }
  }
  SDL_UnlockSurface(rendered);
  SDL_FreeSurface(rendered);
}

// Draws a picture of pw x ph RGBA pixels scaled into the box (x, y, w, h),
// keeping its shape and centred: each pixel the average of the pixels it covers.
void DrawScaled(const Canvas& canvas, const std::vector<uint8_t>& picture, int pw, int ph, int x,
                int y, int w, int h) {
  int dw = w, dh = static_cast<int>(static_cast<long>(ph) * w / pw);
  if (dh > h) dw = static_cast<int>(static_cast<long>(pw) * h / ph), dh = h;
  dw = std::max(dw, 1), dh = std::max(dh, 1);
  x += (w - dw) / 2, y += (h - dh) / 2;
  for (int dy = 0; dy < dh; ++dy) {
    int sy0 = static_cast<int>(static_cast<long>(dy) * ph / dh);
    int sy1 = std::max(sy0 + 1, static_cast<int>(static_cast<long>(dy + 1) * ph / dh));
    for (int dx = 0; dx < dw; ++dx) {
      int sx0 = static_cast<int>(static_cast<long>(dx) * pw / dw);
      int sx1 = std::max(sx0 + 1, static_cast<int>(static_cast<long>(dx + 1) * pw / dw));
      unsigned long sum[4] = {0, 0, 0, 0};
      for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
          for (int c = 0; c < 4; ++c) sum[c] += picture[(static_cast<size_t>(sy) * pw + sx) * 4 + c];
      const unsigned long n = static_cast<unsigned long>(sy1 - sy0) * (sx1 - sx0);
      Blend(canvas, x + dx, y + dy, sum[0] / n, sum[1] / n, sum[2] / n, sum[3] / n);
    }
  }
}

// Ends text, which snprintf may have cut inside a character, on a whole one.
void DropPartialCharacter(char* text) {
  size_t end = std::strlen(text);
  size_t lead = end;
  while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
  if (lead == 0) return;
  const auto first = static_cast<unsigned char>(text[lead - 1]);
  const size_t need = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  if (end - (lead - 1) < need) text[lead - 1] = '\0';
}

}  // namespace

bool ParseList(const std::string& text, std::vector<Step>* steps, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) {
      *error = "line " + std::to_string(number) +
               (tab == 0 ? ": no picture before the tab" : ": no tab between picture and caption");
      return false;
    }
    if (steps->size() == kMaxSteps) {
      *error = "line " + std::to_string(number) + ": more than " + std::to_string(kMaxSteps) + " steps";
      return false;
    }
    steps->push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  if (steps->empty()) {
    *error = "no steps in the list";
    return false;
  }
  return true;
}

bool PicturePath(const std::string& list_folder, const std::string& picture, std::string* path) {
  char joined[kPathBytes];
  const bool own = picture[0] == '/' || list_folder.empty();
  int written = own ? std::snprintf(joined, sizeof joined, "%s", picture.c_str())
                    : std::snprintf(joined, sizeof joined, "%s/%s", list_folder.c_str(), picture.c_str());
  if (written < 0 || static_cast<size_t>(written) >= sizeof joined) return false;
  *path = joined;
  return true;
}

bool ComposeSheet(const std::vector<Step>& steps, const std::string& list_folder,
                  const std::string& font_file, const Layout& layout, Sheet* sheet,
                  std::string* error) {
  if (layout.columns < 1 || layout.columns > kMaxColumns || layout.tile_width < kMinTileWidth ||
      layout.tile_width > kMaxTileWidth || steps.empty() || steps.size() > kMaxSteps) {
    *error = "columns must be 1.." + std::to_string(kMaxColumns) + ", the tile width " +
             std::to_string(kMinTileWidth) + ".." + std::to_string(kMaxTileWidth) + ", the steps 1.." +
             std::to_string(kMaxSteps);
    return false;
  }
  if (!TtfReady()) {
    *error = std::string("cannot start the font library: ") + TTF_GetError();
    return false;
  }
  TTF_Font* font = TTF_OpenFont(font_file.c_str(), layout.font_size);
  if (font == nullptr) {
    *error = "cannot open font " + font_file + ": " + TTF_GetError();
    return false;
  }
  const int lines = std::clamp(layout.caption_lines, 1, kMaxCaptionLines);
  const int picture_height = layout.tile_width * 9 / 16;
  const int line_skip = TTF_FontLineSkip(font);
  const int tile_height = picture_height + kCaptionGap + lines * line_skip;
  const int columns = std::min<int>(layout.columns, static_cast<int>(steps.size()));
  const int rows = static_cast<int>((steps.size() + columns - 1) / columns);
  sheet->width = kMargin + columns * (layout.tile_width + kMargin);
  sheet->height = kMargin + rows * (tile_height + kMargin);
  sheet->rgba.assign(static_cast<size_t>(sheet->width) * sheet->height * 4, 0);
  sheet->problems.clear();
  const Canvas canvas{sheet->width, sheet->height, sheet->rgba.data()};
  Fill(canvas, 0, 0, sheet->width, sheet->height, kBackground);

  for (size_t i = 0; i < steps.size(); ++i) {
    const int x = kMargin + static_cast<int>(i % columns) * (layout.tile_width + kMargin);
    const int y = kMargin + static_cast<int>(i / columns) * (tile_height + kMargin);
    std::string path, reason;
    std::vector<uint8_t> picture;
    int pw = 0, ph = 0;
    if (!PicturePath(list_folder, steps[i].picture, &path)) {
      path = steps[i].picture;
      reason = "path longer than " + std::to_string(kPathBytes - 1) + " bytes";
    } else if (sim::ReadPng(path, &pw, &ph, &picture, &reason)) {
      DrawScaled(canvas, picture, pw, ph, x, y, layout.tile_width, picture_height);
    }
    if (!reason.empty()) {
      sheet->problems.push_back("step " + std::to_string(i + 1) + ": cannot read " + path + ": " + reason);
      Fill(canvas, x, y, layout.tile_width, picture_height, kMissingTile);
      char missing[kCaptionLineBytes];
      std::snprintf(missing, sizeof missing, "missing: %s", path.c_str());
      DropPartialCharacter(missing);
      char shown[kCaptionLineBytes];
      CutToWidth(font, missing, layout.tile_width - 2 * kMargin, shown, sizeof shown);
      DrawText(canvas, font, shown, x + kMargin, y + (picture_height - line_skip) / 2);
    }
    char caption[kCaptionBytes];
    std::snprintf(caption, sizeof caption, "%zu. %s", i + 1, steps[i].caption.c_str());
    DropPartialCharacter(caption);
    CaptionLines laid_out;
    WrapCaption(font, caption, layout.tile_width, lines, &laid_out);
    for (int l = 0; l < laid_out.count; ++l)
      DrawText(canvas, font, laid_out.line[l], x, y + picture_height + kCaptionGap + l * line_skip);
  }
  TTF_CloseFont(font);
  return true;
}

}  // namespace storyboard
