#include "sim/screen/png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sim {

bool WritePng(const std::string& path, int width, int height, int channels, const uint8_t* rows,
              int pitch, std::string* error) {
  int colour_type = channels == 1   ? PNG_COLOR_TYPE_GRAY
                    : channels == 3 ? PNG_COLOR_TYPE_RGB
                    : channels == 4 ? PNG_COLOR_TYPE_RGBA
                                    : -1;
  if (colour_type < 0 || width <= 0 || height <= 0) {
    if (error) *error = "bad image format";
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "wbe");
  if (file == nullptr) {
    if (error) *error = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> row_pointers(height);
  for (int y = 0; y < height; ++y) row_pointers[y] = const_cast<png_bytep>(rows + static_cast<size_t>(y) * pitch);
  bool ok = png != nullptr && info != nullptr;
  if (ok && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, row_pointers.data());
    png_write_end(png, nullptr);
  } else {
    ok = false;
  }
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) ok = false;
  if (!ok && error) *error = "cannot write " + path;
  return ok;
}

bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgba,
             std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    if (error) *error = image.message[0] != '\0' ? image.message : "cannot read";
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  if (image.width == 0 || image.height == 0 ||
      static_cast<uint64_t>(image.width) * image.height > static_cast<uint64_t>(kMaxReadPngPixels)) {
    png_image_free(&image);
    if (error) *error = "picture too large";
    return false;
  }
  rgba->resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr) == 0) {
    if (error) *error = image.message[0] != '\0' ? image.message : "cannot decode";
    return false;
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return true;
}

}  // namespace sim
