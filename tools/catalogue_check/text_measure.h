// Pixel widths of texts in the plug-in's fonts, for the fit check.
//
// The check asks only "how wide is this text in font id F" and "does font id
// F have a glyph for every letter of it"; TextMeasure is that question. The
// TrueType ids (18, 20, 26) are measured with SDL_ttf on the face the set
// uses (fonts/shadow.ttf of the home folder), opened at those sizes. The
// bitmap fonts (118, 218) and the big font (kBigFontId) are measured as the
// plug-in draws them: from their glyph tables when they have every letter,
// else with that face at their fallback sizes (display/glyph_tables.h).
#pragma once

#include <memory>
#include <string>

#include "display/glyph_tables.h"

class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // Width in pixels of text in font_id.
  virtual int Width(int font_id, const char* text) = 0;
  // The first letter of text that the font drawing it in font_id's place
  // has no glyph for, as its UTF-8 bytes; empty when it has all of them.
  virtual std::string MissingGlyph(int font_id, const char* text) = 0;
  // How many replacement glyphs (the bitmap fonts' kMissingGlyph, the face's
  // empty box) drawing text in font_id's place shows.
  virtual int ReplacementGlyphs(int font_id, const char* text) = 0;
};

// Measures the bitmap fonts from their tables and the TrueType ids with the
// face in ttf_path. Null, with error set, when the face cannot be opened.
std::unique_ptr<TextMeasure> OpenFontMeasure(const char* ttf_path, std::string* error);

// Bitmap and big fonts from their tables alone, whatever the text holds.
int BitmapWidth(int font_id, const char* text);
std::string BitmapMissingGlyph(const char* text);
