// The file-name conversion over any title: the result fits its buffer and
// never holds a byte that the filter forbids. The first input byte picks
// transliteration; the rest are the title's units.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "supervision/title_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  bool transliterate = data[0] & 1;
  unsigned char units[2 * kRawTitleUnits] = {};
  std::memcpy(units, data + 1, size - 1 < sizeof units ? size - 1 : sizeof units);
  char out[kTitleTextSize + 1];
  out[kTitleTextSize] = 'X';
  TitleToFileName(units, kRawTitleUnits, out, kTitleTextSize, transliterate);
  if (out[kTitleTextSize] != 'X') std::abort();
  size_t length = strnlen(out, kTitleTextSize);
  if (length >= kTitleTextSize) std::abort();
  for (size_t i = 0; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(out[i]);
    bool allowed = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                   (byte >= 'a' && byte <= 'z') || std::strchr("-!$@&()_", byte) != nullptr;
    if (!allowed) std::abort();
  }
  return 0;
}
