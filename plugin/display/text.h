// Text on the display: TrueType text through the text library (font ids 18,
// 20, 26), bitmap fonts cut from PNG images (ids 118 and 218) and the big
// font of the status band. Text is UTF-8; the bitmap fonts know ASCII and 28
// accented letters, and a text with any other letter is drawn in their place
// with the TrueType face (fonts.h, FallbackFace; display/face_text.h), and
// measured with it.
#pragma once

#include <cstdint>

#include "display/fonts.h"

struct Colour {
  uint8_t red, green, blue, unused;
};
// The ten text colours, indexed by the `colour` argument 0..9.
extern const Colour ColourTable[10];

// None of the drawing calls below takes the display lock or flips: the
// caller holds the lock for its sequence and flips. Each takes font_mutex
// (fonts.h) for its use of the fonts: call them without it. Text is read up
// to its terminator.

// Pixel width of text in font_id: 0 for null or empty text; for 18, 20, 26
// the text library's width (under font_mutex), kNoFontWidth when that size
// is not open or the library fails; for 118, 218 the sum of the glyphs'
// widths (no font needed), or the face's width when the face draws the text;
// kNoFontWidth for any other id.
int TextWidth(int font_id, const char* text) EXCLUDES(font_mutex);
// Draws text at (x, y) in ColourTable[colour]. Nothing when x or y < 0, text
// is null or empty, there is no surface, colour is not 0..9 or font_id is
// not 18, 20, 26, 118, 218 (or its font is not open / its image missing).
// TrueType (18, 20, 26): only for x < 960 and y < 540, blended over the
// surface (its alpha kept), clipped by SDL. Bitmap (118, 218): 12 x 18
// glyphs whose ink scales the colour, alpha 255, ink 0 left out; a glyph
// that would pass column 960 starts a new line at x 0, 18 rows down, and a
// line below row 540 starts again at row 0. Clipped to the surface; reads
// of the font image never pass its end. A text the bitmap fonts cannot draw
// is drawn with the face at kSmallFallbackSize, its line's top at y, each
// pixel it covers tinted as ink of that coverage would be; no wrap.
void DrawText(int font_id, int x, int y, const char* text, int colour) EXCLUDES(font_mutex);
// TextWidth of text in bitmap font font_id (118, 218), and in *rows the
// rows from y that DrawText may change for it on one line: the glyphs' 18,
// or the face's line when the face draws the text and its line is taller.
int BitmapTextWidth(int font_id, const char* text, int* rows) EXCLUDES(font_mutex);
// DrawText onto `surface` (an image in the display's format, or the display
// itself): the same pixels as DrawText gives the display where the text
// lies inside both. Nothing when surface is null.
void DrawTextOn(SDL_Surface* surface, int font_id, int x, int y, const char* text, int colour)
    EXCLUDES(font_mutex);
// The status band's big font (fonts/font32.png, 32 x 32 cells below 3 lead
// rows, glyph colours as in the image, alpha scaled by osd_opacity and
// image_alpha_percent). Same preconditions and wrapping as bitmap DrawText
// (lines 32 rows apart); nothing when the image is missing or has under 3
// bytes a pixel. Reads of the image never pass its end; clipped to the
// surface. A text the big font cannot draw is drawn with the face at
// kBigFallbackSize below the 3 lead rows, in the band colour mixed towards
// the big font's ink by the face's coverage, on one line (no wrap);
// kDrawnBlank is a space of the face then.
void DrawBigText(int x, int y, const char* text) EXCLUDES(font_mutex);
// Catalogue text 14 ("yes") when flag is set, else 15, in font 20; nothing
// when that text is not loaded.
void DrawOnOffText(int x, int y, int flag, int colour) EXCLUDES(font_mutex);
// Catalogue text 16 ("on") when flag is set, else 17, in font 20; nothing
// when that text is not loaded.
void DrawFlagPairText(int x, int y, int flag, int colour) EXCLUDES(font_mutex);

// The font images of the bitmap fonts (118, 218) and of the big font (32).
inline constexpr int kFontImageIds[] = {32, 118, 218};
// Builds home_dir + "fonts/font<id>.png" into out. False, with out emptied,
// when it does not fit `size`.
bool FontImagePath(char* out, size_t size, int font_id);

// The font of font_id 118 or 218 (any other id stands for 118), and the big
// font, loaded from home_dir + "fonts/font<id>.png" into FontImageCache on
// first use, in the form drawing uses (display/font_images.h), and kept
// there (freed by ReleaseFonts). Null when it cannot be loaded (tried again
// on the next call). Call with font_mutex held.
const SmallFontImage* CachedSmallFont(int font_id) REQUIRES(font_mutex);
const BigFontImage* CachedBigFont() REQUIRES(font_mutex);
