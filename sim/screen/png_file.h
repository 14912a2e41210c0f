// Writes 8-bit RGBA or grey PNG files with libpng (the screen's frames, the
// contact sheet and the generated skin and fonts), and reads any PNG as RGBA
// (the storyboard's screenshots).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// rows: height rows of width * channels bytes, pitch bytes apart.
// channels: 1 (grey), 3 (RGB) or 4 (RGBA). Returns false with error set.
bool WritePng(const std::string& path, int width, int height, int channels, const uint8_t* rows,
              int pitch, std::string* error);

// Reads the PNG file at path, of any colour type and depth, as 8-bit RGBA:
// *width x *height pixels, 4 bytes each, rows without padding, into *rgba.
// Returns false with error set (the file is missing, not a PNG, or larger
// than kMaxReadPngPixels), leaving the outputs unspecified.
inline constexpr long kMaxReadPngPixels = 16L << 20;
bool ReadPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgba,
             std::string* error);

}  // namespace sim
