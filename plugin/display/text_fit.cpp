#include "display/text_fit.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "display/face_text.h"
#include "display/glyph_tables.h"
#include "display/text.h"

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Bytes of the UTF-8 character that starts with lead (1 for a stray byte).
size_t CharacterBytes(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

int WidthIn(int font_id, const char* text) {
  return font_id == kBigFontId ? BigTextWidth(text) : TextWidth(font_id, text);
}

}  // namespace

int BigTextWidth(const char* text) {
  if (text == nullptr || *text == '\0') return 0;
  if (!BitmapFontsDraw(text)) {
    ScopedLock lock(font_mutex);
    if (TTF_Font* face = FallbackFace(kBigFontId, text)) return FaceTextWidth(face, text);
  }
  int width = 0;
  while (*text != '\0') width += BigGlyphTable[NextGlyphUnit(&text)].width;
  return width;
}

size_t CutToWidth(char* text, int font_id, int max_width) {
  if (text == nullptr) return 0;
  const size_t original = std::strlen(text);
  if (original == 0 || WidthIn(font_id, text) <= max_width) return 0;
  // The longest start of the text that ends at a character boundary and
  // fits. A text only grows wider as characters are added, so a binary
  // search over the boundaries finds it with about log2(n) measurements (the
  // pane cuts its title at every redraw) instead of one per character.
  size_t fits = 0;           // a boundary whose start fits (the empty text does)
  size_t wider = original;   // one whose start is too wide
  for (;;) {
    size_t mid = fits + (wider - fits) / 2;
    while (mid > fits && IsContinuation(static_cast<unsigned char>(text[mid]))) --mid;
    if (mid == fits) {  // no boundary before the middle: the first one after fits
      mid = fits + 1;
      while (mid < wider && IsContinuation(static_cast<unsigned char>(text[mid]))) ++mid;
      if (mid >= wider) break;
    }
    const char kept = text[mid];
    text[mid] = '\0';
    const bool narrow_enough = WidthIn(font_id, text) <= max_width;
    text[mid] = kept;
    (narrow_enough ? fits : wider) = mid;
  }
  text[fits] = '\0';
  return original - fits;
}

void CutToWidthWithDots(char* text, size_t size, int font_id, int max_width) {
  if (CutToWidth(text, font_id, max_width) == 0) return;
  size_t length = std::strlen(text);
  if (length + 4 <= size) std::memcpy(text + length, "...", 4);
}

size_t DropIncompleteTail(char* text) {
  size_t length = std::strlen(text);
  if (length == 0) return 0;
  size_t start = length - 1;
  // At most three continuation bytes belong to one character.
  while (start > 0 && length - start < 4 && IsContinuation(static_cast<unsigned char>(text[start]))) --start;
  unsigned char lead = static_cast<unsigned char>(text[start]);
  if (lead >= 0xC0 && CharacterBytes(lead) > length - start) {
    length = start;
    text[length] = '\0';
  }
  return length;
}

bool AppendFormat(char* buffer, size_t size, const char* format, ...) {
  if (size == 0) return false;
  size_t used = strnlen(buffer, size);
  if (used >= size) {
    buffer[size - 1] = '\0';
    DropIncompleteTail(buffer);
    return false;
  }
  va_list arguments;
  va_start(arguments, format);
  int n = std::vsnprintf(buffer + used, size - used, format, arguments);
  va_end(arguments);
  if (n < 0) {
    buffer[used] = '\0';
    return false;
  }
  if (static_cast<size_t>(n) < size - used) return true;
  DropIncompleteTail(buffer);
  return false;
}
