#include "display/image_file.h"

#include <SDL_image.h>

#include <cstring>

#include "display/file_stream.h"

SDL_Surface* LoadImageFile(const char* path) {
  SDL_RWops* stream = OpenFileStream(path);
  if (stream == nullptr) return nullptr;
  const char* extension = std::strrchr(path, '.');
  // The type matters only to formats without a signature; PNG has one.
  return IMG_LoadTyped_RW(stream, 1, const_cast<char*>(extension != nullptr ? extension + 1 : nullptr));
}
