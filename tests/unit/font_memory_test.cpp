// What the fonts keep in memory while the display is open: the three bitmap
// fonts as their drawing holds them, and the TrueType face that draws in
// their places with its glyph cache full. Measured as the heap in use
// (malloc's own count, all arenas, mapped blocks included) before and after
// they are loaded and used; the figures are printed for the record.
#include <malloc.h>

#include <cstdio>
#include <string>

#include "display/glyph_tables.h"
#include "display/text.h"
#include "display_test_support.h"

namespace display_test {
namespace {

long HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>(info.uordblks + info.hblkhd);
}

// UTF-8 of the code points first..last.
std::string Letters(char32_t first, char32_t last) {
  std::string text;
  for (char32_t c = first; c <= last; ++c) {
    if (c < 0x800) {
      text += static_cast<char>(0xC0 | c >> 6);
    } else {
      text += static_cast<char>(0xE0 | c >> 12);
      text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    text += static_cast<char>(0x80 | (c & 0x3F));
  }
  return text;
}

class FontMemoryTest : public DisplayTest {};

TEST_F(FontMemoryTest, FontsResidentStayUnderHalfAMebibyte) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers keep their own heap: malloc's count says nothing";
#endif
  const long closed = HeapInUse();
  OpenCleared();
  const long open = HeapInUse();
  // Every glyph of the three bitmap fonts drawn once: their images loaded.
  std::string ascii;
  for (char c = ' '; c < 0x7F; ++c) ascii += c;
  for (int id : {118, 218}) DrawText(id, 0, 100, ascii.c_str(), 9);
  DrawBigText(0, 300, ascii.c_str());
  const long bitmap = HeapInUse() - open;
  // Cyrillic, Greek and the Latin letters of Extended-A: more letters than
  // the face's glyph cache has room for, at both of the face's sizes.
  const std::string letters[] = {Letters(0x400, 0x45F), Letters(0x391, 0x3C9), Letters(0x100, 0x17F)};
  for (const std::string& text : letters) {
    for (size_t from = 0; from < text.size(); from += 60) {
      const std::string line = text.substr(from, 60);
      DrawText(118, 0, 100, line.c_str(), 9);
      DrawBigText(0, 300, line.c_str());
    }
  }
  const long resident = HeapInUse() - open;
  std::printf("fonts resident: %ld KiB (bitmap fonts %ld KiB, the face in their places %ld KiB); "
              "opening the display (SDL, its surface, the standard faces): %ld KiB\n",
              resident / 1024, bitmap / 1024, (resident - bitmap) / 1024, (open - closed) / 1024);
  EXPECT_LT(resident, 512 * 1024);
}

}  // namespace
}  // namespace display_test
