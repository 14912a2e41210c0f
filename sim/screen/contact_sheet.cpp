// The contact sheet: every skin image and font sheet of a home folder on one
// PNG, labelled, over a checkerboard so that transparency shows.
#include <SDL_image.h>
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/screen/png_file.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"

namespace sim {

namespace {

constexpr int kSheetWidth = 1400;
constexpr int kMargin = 12;
constexpr int kLabelHeight = 22;

struct Entry {
  std::string label;
  SDL_Surface* image;
};

std::vector<std::string> PngNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The colour of image pixel (x, y) as RGBA over the sheet's background.
void BlendImagePixel(const SDL_Surface* image, int x, int y, uint8_t* out) {
  const uint8_t* p = static_cast<const uint8_t*>(image->pixels) + y * image->pitch + x * image->format->BytesPerPixel;
  uint8_t r, g, b, a = 255;
  switch (image->format->BytesPerPixel) {
    case 4: r = p[0], g = p[1], b = p[2], a = p[3]; break;
    case 3: r = p[0], g = p[1], b = p[2]; break;
    case 1:
      if (image->format->palette != nullptr && p[0] < image->format->palette->ncolors) {
        const SDL_Color& c = image->format->palette->colors[p[0]];
        r = c.r, g = c.g, b = c.b;
      } else {
        r = g = b = p[0];
      }
      break;
    default: return;
  }
  out[0] = static_cast<uint8_t>((r * a + out[0] * (255 - a)) / 255);
  out[1] = static_cast<uint8_t>((g * a + out[1] * (255 - a)) / 255);
  out[2] = static_cast<uint8_t>((b * a + out[2] * (255 - a)) / 255);
}

}  // namespace

bool WriteContactSheet(const std::string& home_dir, const std::string& png_path, std::string* error) {
  std::vector<Entry> entries;
  for (const std::string& name : PngNames(home_dir + "/osd")) {
    if (SDL_Surface* image = IMG_Load((home_dir + "/osd/" + name).c_str())) entries.push_back({"osd/" + name, image});
  }
  for (const char* name : {"font32.png", "font118.png", "font218.png"}) {
    if (SDL_Surface* image = IMG_Load((home_dir + "/fonts/" + name).c_str())) {
      entries.push_back({std::string("fonts/") + name, image});
    }
  }
  if (entries.empty()) {
    if (error) *error = "no images in " + home_dir;
    return false;
  }
  SDL_Surface* font = IMG_Load((home_dir + "/fonts/font118.png").c_str());
  // Flow layout: left to right, a new row when the next image does not fit.
  struct Placed {
    int x, y;
  };
  std::vector<Placed> places;
  int x = kMargin, y = kMargin, row_height = 0;
  for (const Entry& entry : entries) {
    int w = std::max<int>(entry.image->w, 12 * static_cast<int>(entry.label.size()));
    if (x + w + kMargin > kSheetWidth && x > kMargin) {
      x = kMargin;
      y += row_height + kMargin;
      row_height = 0;
    }
    places.push_back({x, y});
    x += w + kMargin * 2;
    row_height = std::max(row_height, entry.image->h + kLabelHeight);
  }
  const int height = y + row_height + kMargin;
  std::vector<uint8_t> sheet(static_cast<size_t>(kSheetWidth) * height * 4);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < kSheetWidth; ++px) {
      uint8_t shade = ((px / 8 + py / 8) % 2) ? 90 : 60;
      uint8_t* p = &sheet[(static_cast<size_t>(py) * kSheetWidth + px) * 4];
      p[0] = p[1] = p[2] = shade;
      p[3] = 255;
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    SDL_Surface* image = entries[i].image;
    DrawLabel(sheet.data(), kSheetWidth, height, font, places[i].x, places[i].y, 1, entries[i].label, 255, 255, 160);
    SDL_LockSurface(image);
    for (int iy = 0; iy < image->h; ++iy) {
      for (int ix = 0; ix < image->w && places[i].x + ix < kSheetWidth; ++ix) {
        int sy = places[i].y + kLabelHeight + iy;
        BlendImagePixel(image, ix, iy, &sheet[(static_cast<size_t>(sy) * kSheetWidth + places[i].x + ix) * 4]);
      }
    }
    SDL_UnlockSurface(image);
    SDL_FreeSurface(image);
  }
  if (font != nullptr) SDL_FreeSurface(font);
  return WritePng(png_path, kSheetWidth, height, 4, sheet.data(), kSheetWidth * 4, error);
}

}  // namespace sim
