// How the bitmap fonts see a text: units of one ASCII byte or two bytes, the
// glyph index of each unit, and the big font's glyph widths.
//
// These mirror the display toolkit's GlyphIndex and big-font table so that the
// check can be built on its own; once the toolkit is part of the build, the
// check takes them from there (see BitmapWidth in text_measure.cpp).
#pragma once

// Glyph index 1..29 of a two-byte unit; 16 for a pair the fonts lack.
int UnitGlyphIndex(const unsigned char* unit);

// Glyph index of the unit at *text; advances *text past it. A lone lead byte
// before the terminator forms a unit with it and leaves *text on it.
int NextUnit(const unsigned char** text);

// Pixel widths of the big font's 128 glyphs.
extern const unsigned char BigFontWidths[128];

// The glyph index the fonts draw for a missing letter.
inline constexpr int kReplacementGlyph = 16;
