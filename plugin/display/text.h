// Text on the display: TrueType text through the text library (font ids 18,
// 20, 26), bitmap fonts cut from PNG images (ids 118 and 218) and the big
// font of the status band. Text is UTF-8; the bitmap fonts know ASCII and 28
// accented letters.
#pragma once

#include <cstdint>

inline constexpr int kNoFontWidth = 961;

struct Colour {
  uint8_t red, green, blue, unused;
};
extern const Colour ColourTable[10];

int TextWidth(int font_id, const char* text);
void DrawText(int font_id, int x, int y, const char* text, int colour);
void DrawBigText(int x, int y, const char* text);
// Catalogue text 14 ("yes") when flag is set, else 15, in font 20.
void DrawOnOffText(int x, int y, int flag, int colour);
// Catalogue text 16 ("on") when flag is set, else 17, in font 20.
void DrawFlagPairText(int x, int y, int flag, int colour);

// The font image of a bitmap font id (118, 218), or of the big font (32),
// loaded into the cache on first use. Call with font_mutex held.
struct SDL_Surface;
SDL_Surface* CachedFontImage(int font_id);
