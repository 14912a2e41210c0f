#include "display/fonts.h"

#include <unistd.h>

#include <cstdio>

#include "display/glyph_tables.h"
#include "display/text_library.h"
#include "settings/settings_record.h"

AnnotatedMutex<std::mutex> font_mutex;
TTF_Font* StandardFont[3] = {};
TTF_Font* FallbackFont = nullptr;
FontImages FontImageCache{};

bool HomeFontPath(char* out, size_t size, const char* name) {
  return HomePathJoin(out, size, {"fonts/", name});
}

TTF_Font* OpenFontFile(const char* name, int size) {
  char path[256];
  int n = std::snprintf(path, sizeof path, "%s/%s", kTvFontFolder, name);
  bool in_tv_folder = n > 0 && static_cast<size_t>(n) < sizeof path && access(path, F_OK) == 0;
  if (!in_tv_folder && !HomeFontPath(path, sizeof path, name)) return nullptr;
  return text_library.open_font(path, size);
}

namespace {

void FreeFontImages() REQUIRES(font_mutex) {
  FreeBigFontImage(&FontImageCache.font32);
  FreeSmallFontImage(&FontImageCache.font118);
  FreeSmallFontImage(&FontImageCache.font218);
}

}  // namespace

void OpenTrueTypeFonts() {
  ScopedLock lock(font_mutex);
  // Normally the CloseOsd before freed the images; one that another thread
  // loaded since then is freed here rather than forgotten.
  FreeFontImages();
  // Only while the library runs: a font opened in a library that has quit
  // fails, and the library keeps the file it opened for it.
  if (!TextLibraryBound.load(std::memory_order_acquire) || text_library.was_init() == 0) return;
  for (int i = 0; i < 3; ++i) {
    if (StandardFont[i] == nullptr) StandardFont[i] = OpenFontFile(kTrueTypeFace, kStandardFontSizes[i]);
  }
}

void ReleaseFonts() {
  ScopedLock lock(font_mutex);
  FreeFontImages();
  for (TTF_Font** font : {&StandardFont[0], &StandardFont[1], &StandardFont[2], &FallbackFont}) {
    if (*font != nullptr) {
      text_library.close_font(*font);
      *font = nullptr;
    }
  }
  if (TextLibraryBound.load(std::memory_order_acquire) && text_library.was_init() != 0) {
    text_library.quit();
  }
}

static_assert(kBigFallbackSize == kStandardFontSizes[2], "the big font's face is the standard size 26");

TTF_Font* FallbackFace(int font_id, const char* text) {
  if (BitmapFontsDraw(text)) return nullptr;
  if (font_id == kBigFontId) return StandardFont[2];
  if (font_id != 118 && font_id != 218) return nullptr;
  // Only while the library runs: after the display closed its fonts (a
  // draw on the kept display) the bitmap font draws.
  if (FallbackFont == nullptr && TextLibraryBound.load(std::memory_order_acquire) && text_library.was_init() != 0) {
    FallbackFont = OpenFontFile(kTrueTypeFace, kSmallFallbackSize);
  }
  return FallbackFont;
}
