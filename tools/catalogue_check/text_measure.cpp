#include "text_measure.h"

#include <SDL_ttf.h>

#include <cstdint>
#include <vector>

#include "display/glyph_tables.h"

namespace {

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

// Every character of text that the face lacks (SDL_ttf 2.0 takes 16-bit
// characters, and draws control codes as a box too), as its UTF-8 bytes, in
// order; stops after `limit` of them.
std::vector<std::string> FaceMissing(TTF_Font* font, const char* text, size_t limit) {
  std::vector<std::string> missing;
  const auto* at = reinterpret_cast<const unsigned char*>(text);
  while (*at != 0 && missing.size() < limit) {
    int length = 0;
    int code = DecodeUtf8(at, &length);
    if (code < 0x20 || code > 0xFFFF || !TTF_GlyphIsProvided(font, static_cast<Uint16>(code)))
      missing.emplace_back(reinterpret_cast<const char*>(at), length);
    at += length;
  }
  return missing;
}

// The text the face gets in the big font's place: the stop-timer line's
// drawn blanks are spaces.
std::string FaceText(const char* text) {
  std::string converted(text);
  for (char& c : converted)
    if (c == kDrawnBlank) c = ' ';
  return converted;
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
    for (int i = 0; i < kSizes; ++i) {
      fonts_[i] = TTF_OpenFont(path, kFaceSizes[i]);
      if (fonts_[i] == nullptr) {
        *error = std::string("cannot open ") + path + ": " + TTF_GetError();
        return false;
      }
    }
    return true;
  }
  int Width(int font_id, const char* text) override {
    if (text[0] == '\0') return 0;
    TTF_Font* font = Face(font_id, text);
    if (font == nullptr) return BitmapWidth(font_id, text);
    int width = 0, height = 0;
    return TTF_SizeUTF8(font, FaceText(text).c_str(), &width, &height) == 0 ? width : 961;
  }
  std::string MissingGlyph(int font_id, const char* text) override {
    TTF_Font* font = Face(font_id, text);
    if (font == nullptr) return BitmapMissingGlyph(text);
    std::vector<std::string> missing = FaceMissing(font, FaceText(text).c_str(), 1);
    return missing.empty() ? std::string() : missing.front();
  }
  int ReplacementGlyphs(int font_id, const char* text) override {
    TTF_Font* font = Face(font_id, text);
    if (font != nullptr) return static_cast<int>(FaceMissing(font, FaceText(text).c_str(), SIZE_MAX).size());
    int count = 0;
    while (*text != '\0') {
      const bool two_bytes = static_cast<unsigned char>(*text) >= 0x80;
      count += NextGlyphUnit(&text) == kMissingGlyph && two_bytes;
    }
    return count;
  }

 private:
  static constexpr int kSizes = 4;
  static constexpr int kFaceSizes[kSizes] = {18, 20, 26, kSmallFallbackSize};
  // The face that draws text in font_id's place, as the plug-in chooses it;
  // null when a bitmap font draws it.
  TTF_Font* Face(int font_id, const char* text) {
    if (font_id == 118 || font_id == 218 || font_id == kBigFontId) {
      if (BitmapFontsDraw(text)) return nullptr;
      font_id = font_id == kBigFontId ? kBigFallbackSize : kSmallFallbackSize;
    }
    for (int i = 0; i < kSizes; ++i)
      if (kFaceSizes[i] == font_id) return fonts_[i];
    return nullptr;
  }
  TTF_Font* fonts_[kSizes] = {};
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
