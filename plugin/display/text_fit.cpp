#include "display/text_fit.h"

#include <cstring>

#include "display/text.h"

size_t CutToWidth(char* text, int font_id, int max_width) {
  size_t length = std::strlen(text);
  const size_t original = length;
  while (length > 0 && TextWidth(font_id, text) > max_width) {
    // Back over the continuation bytes (10xxxxxx) to the character's first byte.
    --length;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    text[length] = '\0';
  }
  return original - length;
}

void CutToWidthWithDots(char* text, size_t size, int font_id, int max_width) {
  if (CutToWidth(text, font_id, max_width) == 0) return;
  size_t length = std::strlen(text);
  if (length + 4 <= size) std::memcpy(text + length, "...", 4);
}
