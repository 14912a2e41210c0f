// Making a text fit its place: cutting it to a width in pixels or to a
// buffer, always at a UTF-8 character boundary, so that no half character is
// drawn and no glyph wraps out of the line it was meant for.
#pragma once

#include <cstddef>

#include "display/fonts.h"
#include "display/glyph_tables.h"

// Width in pixels of text as DrawBigText lays it out on one line: its glyph
// widths summed, or the TrueType face's width when that draws it (takes
// font_mutex then). 0 for null or an empty text.
int BigTextWidth(const char* text) EXCLUDES(font_mutex);

// Removes whole UTF-8 characters from the end of text while it is wider than
// max_width pixels in font_id (18, 20, 26, 118, 218, or kBigFontId). Stops at
// the empty text, which it reaches whenever the font cannot measure (no
// TrueType font open measures every text 961 wide). Never reads or writes
// before text or past its terminator. Returns the number of bytes removed.
size_t CutToWidth(char* text, int font_id, int max_width);

// The same, then appends "..." when anything was removed and the three dots
// fit in `size` (the buffer's size, at least strlen(text) + 1).
void CutToWidthWithDots(char* text, size_t size, int font_id, int max_width);

// Ends text before a UTF-8 character that its last bytes begin but do not
// complete (what a byte-bounded copy or snprintf leaves behind). Returns the
// new length.
size_t DropIncompleteTail(char* text);

// Appends the printf-style format to the text in buffer (size bytes, which
// already holds a terminated text); what does not fit is cut at a character
// boundary. Returns true when everything fitted. With size 0 nothing is
// written and the result is false.
bool AppendFormat(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
