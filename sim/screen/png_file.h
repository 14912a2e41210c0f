// Writes 8-bit RGBA or grey PNG files with libpng (the screen's frames, the
// contact sheet and the generated skin and fonts).
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// rows: height rows of width * channels bytes, pitch bytes apart.
// channels: 1 (grey), 3 (RGB) or 4 (RGBA). Returns false with error set.
bool WritePng(const std::string& path, int width, int height, int channels, const uint8_t* rows,
              int pitch, std::string* error);

}  // namespace sim
