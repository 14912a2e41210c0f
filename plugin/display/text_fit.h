// Shortening a text until it fits a width on the screen.
#pragma once

#include <cstddef>

// Removes whole UTF-8 characters from the end of `text` (terminated) while it
// is wider than `max_width` pixels in font `font_id`, stopping at the empty
// text; never looks before the start of the buffer (continuation bytes without
// a leading byte are removed one by one). With no TrueType font open every
// text measures 961, so the text then ends up empty. Returns the number of
// bytes removed.
size_t CutToWidth(char* text, int font_id, int max_width);

// The same, then appends "..." when anything was removed and the three dots
// fit in `size` (the buffer's size, at least strlen(text) + 1).
void CutToWidthWithDots(char* text, size_t size, int font_id, int max_width);
