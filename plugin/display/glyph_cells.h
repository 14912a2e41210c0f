// The glyphs of the pane's figures, kept while the pane shows, so that a
// figure that changes by a digit or two ("0:12:34" a second later, "4513 MB"
// a MiB later) is brought up to date by writing the changed characters'
// cells into the composed pane, instead of the text library rendering the
// whole line again and SDL blending it.
//
// That gives the same pixels only where the text library draws a line of
// these characters as their single renders put side by side: no kerning
// between them, no ink outside a character's own width, one height, every
// pixel the colour with the glyph's coverage as its alpha; and where the
// blend below is SDL's. Both are checked on the library and SDL at hand:
// once a font, a line holding every pair of the characters is rendered and
// compared pixel for pixel with the single renders side by side (every
// character past the line's start: a library that moves a whole line for
// its first character is found out there); once a
// colour, a line of all of them in that colour, and the blend of every
// alpha over a range of backgrounds against SDL's blit. Where a check
// fails, the pane draws its lines whole, as it would without this.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "display/display_lock.h"

// The characters kept: what the figures change by, and their neighbours.
inline constexpr char kCellCharacters[] = "0123456789:., ";

// Whether c is one of kCellCharacters.
bool IsCellCharacter(char c);

// Whether lines of TrueType font `slot` (0..2: 18, 20, 26 points) in
// `colour` (0..9) may be redrawn cell by cell onto `target`'s format: their
// glyphs kept and both checks passed (made at the first ask, kept with the
// font; asked again after the font changed). false otherwise, and for a
// target that is not 32 bits with its alpha in the top byte.
bool KeepGlyphCells(int slot, int colour, const SDL_PixelFormat* target) REQUIRES(display_mutex);

// Each ASCII character's cell width in font `slot` (128 entries), 0 for
// those without a kept cell; null when the font's cells are not kept.
const uint8_t* GlyphCellWidths(int slot) REQUIRES(display_mutex);

// Puts character c's cell in `colour` in place of character `was`'s (of
// the same width) in the 32-bit pixels at `at` of `target`'s format (the
// cell's top-left corner, rows `pitch` bytes apart): on each row, where
// either glyph has ink, the background (the same pixels of `under`, rows
// `under_pitch` bytes apart) and c's glyph blended over it as SDL blits the
// text library's render. Within the first `columns` columns and `rows` rows
// of the cell. Nothing when was == c or either has no kept cell. Call only
// after KeepGlyphCells(slot, colour, ...) gave true.
void ReplaceGlyphCell(int slot, int colour, const SDL_PixelFormat* target, char was, char c, uint8_t* at, int pitch,
                      const uint8_t* under, int under_pitch, int columns, int rows) REQUIRES(display_mutex);

// Frees the kept glyphs (with the pane).
void ReleaseGlyphCells() REQUIRES(display_mutex);

// Bytes the kept glyphs hold now.
long KeptGlyphCellBytes() REQUIRES(display_mutex);
