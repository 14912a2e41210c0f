// The pen of the bitmap fonts' walk over a text on the screen.
#pragma once

#include <array>

#include "display/glyph_tables.h"
#include "display/osd_surface.h"

// Takes the next glyph unit of *text (advancing it) for a pen at (*x, *y):
// a glyph that would pass the screen's right edge moves the pen to column 0,
// line_rows further down, and a pen below the screen's last row goes back
// to row 0. Returns the glyph index; *width is its width in table. The
// caller draws the glyph at the pen and then advances *x by *width.
inline int NextPenGlyph(const char** text, const std::array<GlyphEntry, 128>& table, int line_rows, int* x,
                        int* y, int* width) {
  const int glyph = NextGlyphUnit(text);
  *width = table[glyph].width;
  if (*x > kOsdWidth - *width) {
    *x = 0;
    *y += line_rows;
  }
  if (*y > kOsdHeight) *y = 0;
  return glyph;
}
