#include "text_measure.h"

#include <SDL_ttf.h>

#include "display/glyph_tables.h"

namespace {

constexpr int kTrueTypeSizes[3] = {18, 20, 26};

// The UTF-8 character starting at text (at least one byte, at most the
// sequence its lead byte announces, never past the terminator) and its code
// point, -1 when malformed.
int DecodeUtf8(const unsigned char* text, int* length) {
  int extra = text[0] < 0x80 ? 0 : text[0] >= 0xF0 ? 3 : text[0] >= 0xE0 ? 2 : text[0] >= 0xC0 ? 1 : -1;
  if (extra < 0) {
    *length = 1;
    return -1;
  }
  int code = extra == 0 ? text[0] : text[0] & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    if ((text[i] & 0xC0) != 0x80) {
      *length = i;
      return -1;
    }
    code = code << 6 | (text[i] & 0x3F);
  }
  *length = extra + 1;
  return code;
}

class FontMeasure final : public TextMeasure {
 public:
  ~FontMeasure() override {
    for (TTF_Font* font : fonts_)
      if (font != nullptr) TTF_CloseFont(font);
    TTF_Quit();
  }
  bool Open(const char* path, std::string* error) {
    if (TTF_Init() != 0) {
      *error = TTF_GetError();
      return false;
    }
    for (int i = 0; i < 3; ++i) {
      fonts_[i] = TTF_OpenFont(path, kTrueTypeSizes[i]);
      if (fonts_[i] == nullptr) {
        *error = std::string("cannot open ") + path + ": " + TTF_GetError();
        return false;
      }
    }
    return true;
  }
  int Width(int font_id, const char* text) override {
    if (text[0] == '\0') return 0;
    TTF_Font* font = Font(font_id);
    if (font == nullptr) return BitmapWidth(font_id, text);
    int width = 0, height = 0;
    return TTF_SizeUTF8(font, text, &width, &height) == 0 ? width : 961;
  }
  std::string MissingGlyph(int font_id, const char* text) override {
    TTF_Font* font = Font(font_id);
    if (font == nullptr) return BitmapMissingGlyph(text);
    const auto* at = reinterpret_cast<const unsigned char*>(text);
    while (*at != 0) {
      int length = 0;
      int code = DecodeUtf8(at, &length);
      // SDL_ttf 2.0 takes 16-bit characters; anything beyond is missing.
      if (code < 0 || code > 0xFFFF || (code >= 0x20 && !TTF_GlyphIsProvided(font, code)) ||
          code < 0x20)
        return std::string(reinterpret_cast<const char*>(at), length);
      at += length;
    }
    return {};
  }

 private:
  TTF_Font* Font(int font_id) {
    for (int i = 0; i < 3; ++i)
      if (kTrueTypeSizes[i] == font_id) return fonts_[i];
    return nullptr;
  }
  TTF_Font* fonts_[3] = {};
};

}  // namespace

int BitmapWidth(int font_id, const char* text) {
  if (text[0] == '\0') return 0;
  if (font_id != 118 && font_id != 218 && font_id != kBigFontId) return 961;
  const auto& table = font_id == kBigFontId ? BigGlyphTable : SmallGlyphTable;
  int width = 0;
  while (*text != '\0') width += table[NextGlyphUnit(&text)].width;
  return width;
}

std::string BitmapMissingGlyph(const char* text) {
  while (*text != '\0') {
    const auto* unit = reinterpret_cast<const unsigned char*>(text);
    int index = NextGlyphUnit(&text);
    bool drawable = unit[0] >= 0x80 ? index != kMissingGlyph : (index >= 0x20 && index < 0x7F);
    if (!drawable) {
      // Report the whole character the unit starts, for a readable message.
      int length = 0;
      DecodeUtf8(unit, &length);
      return std::string(reinterpret_cast<const char*>(unit), length);
    }
  }
  return {};
}

std::unique_ptr<TextMeasure> OpenFontMeasure(const char* ttf_path, std::string* error) {
  auto measure = std::make_unique<FontMeasure>();
  if (!measure->Open(ttf_path, error)) return nullptr;
  return measure;
}
