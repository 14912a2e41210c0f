#include "display/skin_files.h"

#include "display/image_file.h"
#include "settings/settings_record.h"

namespace {

bool SkinBytesPerPixel(const SDL_Surface* image) {
  int bytes = image->format->BytesPerPixel;
  return bytes == 3 || bytes == 4;
}

}  // namespace

bool SkinImagePath(char* out, size_t size, const char* name) {
  return HomePathJoin(out, size, {"osd/", name, ".png"});
}

SDL_Surface* LoadSkinImage(const char* name) {
  char path[256];
  if (!SkinImagePath(path, sizeof path, name)) return nullptr;
  SDL_Surface* image = LoadImageFile(path);
  if (image != nullptr && !SkinBytesPerPixel(image)) {
    SDL_FreeSurface(image);
    return nullptr;
  }
  return image;
}
