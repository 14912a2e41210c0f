// Labelled sheets of pictures: the contact sheet of a home folder's skin
// images and font sheets, and any set of pictures (the screen gallery), laid
// out in rows over a checkerboard so that transparency shows.
#include <SDL_image.h>
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/host/test_picture.h"
#include "sim/screen/png_file.h"
#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"

namespace sim {

namespace {

constexpr int kContactSheetWidth = 1400;
constexpr int kMargin = 12;
constexpr int kLabelHeight = 22;
constexpr int kLabelGlyphWidth = 12;

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

// An image file's pixels as RGBA (palette and grey images through their
// colours, alpha 255 where the image has none); false when it cannot be read.
bool LoadRgba(const std::string& path, const std::string& label, SheetPicture* picture) {
  SDL_Surface* image = IMG_Load(path.c_str());
  if (image == nullptr) return false;
  picture->label = label;
  picture->width = image->w;
  picture->height = image->h;
  picture->rgba.assign(static_cast<size_t>(image->w) * image->h * 4, 0);
  SDL_LockSurface(image);
  for (int y = 0; y < image->h; ++y) {
    for (int x = 0; x < image->w; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(image->pixels) + y * image->pitch + x * image->format->BytesPerPixel;
      uint8_t* out = &picture->rgba[(static_cast<size_t>(y) * image->w + x) * 4];
      out[3] = 255;
      switch (image->format->BytesPerPixel) {
        case 4: out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = p[3]; break;
        case 3: out[0] = p[0], out[1] = p[1], out[2] = p[2]; break;
        case 1:
          if (image->format->palette != nullptr && p[0] < image->format->palette->ncolors) {
            const SDL_Color& c = image->format->palette->colors[p[0]];
            out[0] = c.r, out[1] = c.g, out[2] = c.b;
          } else {
            out[0] = out[1] = out[2] = p[0];
          }
          break;
        default: out[3] = 0; break;
      }
    }
  }
  SDL_UnlockSurface(image);
  SDL_FreeSurface(image);
  return true;
}

// Blends one RGBA pixel over the sheet's pixel.
void BlendPixel(const uint8_t* in, uint8_t* out) {
  const unsigned a = in[3];
  for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((in[c] * a + out[c] * (255 - a)) / 255);
}

}  // namespace

bool WriteLabelledSheet(const std::vector<SheetPicture>& pictures, int sheet_width,
                        const std::string& label_font, const std::string& png_path, std::string* error) {
  if (pictures.empty() || sheet_width < 2 * kMargin + 1) {
    if (error) *error = "no pictures for " + png_path;
    return false;
  }
  for (const SheetPicture& picture : pictures) {
    if (picture.width < 0 || picture.height < 0 ||
        picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4) {
      if (error) *error = "picture \"" + picture.label + "\" does not hold its size in bytes";
      return false;
    }
  }
  // Flow layout: left to right, a new row when the next picture does not fit.
  struct Placed {
    int x, y;
  };
  std::vector<Placed> places;
  int x = kMargin, y = kMargin, row_height = 0;
  for (const SheetPicture& picture : pictures) {
    int w = std::max<int>(picture.width, kLabelGlyphWidth * static_cast<int>(picture.label.size()));
    if (x + w + kMargin > sheet_width && x > kMargin) {
      x = kMargin;
      y += row_height + kMargin;
      row_height = 0;
    }
    places.push_back({x, y});
    x += w + kMargin * 2;
    row_height = std::max(row_height, picture.height + kLabelHeight);
  }
  const int height = y + row_height + kMargin;
  std::vector<uint8_t> sheet(static_cast<size_t>(sheet_width) * height * 4);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < sheet_width; ++px) {
      uint8_t shade = ((px / 8 + py / 8) % 2) ? 90 : 60;
      uint8_t* p = &sheet[(static_cast<size_t>(py) * sheet_width + px) * 4];
      p[0] = p[1] = p[2] = shade;
      p[3] = 255;
    }
  }
  const std::shared_ptr<const LabelGlyphs> font = LoadLabelGlyphs(label_font);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const SheetPicture& picture = pictures[i];
    DrawLabel(sheet.data(), sheet_width, height, font.get(), places[i].x, places[i].y, 1, picture.label, 255, 255, 160);
    for (int iy = 0; iy < picture.height; ++iy) {
      const int sy = places[i].y + kLabelHeight + iy;
      for (int ix = 0; ix < picture.width && places[i].x + ix < sheet_width; ++ix) {
        BlendPixel(&picture.rgba[(static_cast<size_t>(iy) * picture.width + ix) * 4],
                   &sheet[(static_cast<size_t>(sy) * sheet_width + places[i].x + ix) * 4]);
      }
    }
  }
  return WritePng(png_path, sheet_width, height, 4, sheet.data(), sheet_width * 4, error);
}

bool WriteContactSheet(const std::string& home_dir, const std::string& png_path, std::string* error) {
  std::vector<SheetPicture> pictures;
  SheetPicture picture;
  for (const std::string& name : PngNames(home_dir + "/osd")) {
    if (LoadRgba(home_dir + "/osd/" + name, "osd/" + name, &picture)) pictures.push_back(std::move(picture));
  }
  for (const char* name : {"font32.png", "font118.png", "font218.png"}) {
    if (LoadRgba(home_dir + "/fonts/" + name, std::string("fonts/") + name, &picture)) {
      pictures.push_back(std::move(picture));
    }
  }
  if (pictures.empty()) {
    if (error) *error = "no images in " + home_dir;
    return false;
  }
  return WriteLabelledSheet(pictures, kContactSheetWidth, home_dir + "/fonts/font118.png", png_path, error);
}

}  // namespace sim
