// Captions of the storyboard's pictures: a text laid out in a few lines of a
// given width in a TrueType font, broken between words, the last line cut
// with "..." when the text does not fit.
#pragma once

#include <SDL_ttf.h>

#include <cstddef>

namespace storyboard {

inline constexpr size_t kCaptionLineBytes = 256;  // one laid-out line, with its NUL
inline constexpr int kMaxCaptionLines = 4;

struct CaptionLines {
  char line[kMaxCaptionLines][kCaptionLineBytes];
  int count;  // lines in use, 0 for an empty text
};

// Copies into out (out_size bytes, always NUL-terminated when out_size > 0)
// the longest start of text, ending on a whole UTF-8 character, that fits
// width pixels in font and out_size - 1 bytes; when that is not all of text,
// the start is shortened until it fits followed by "...", which is appended
// (out is empty when not even "..." fits).
// Returns the number of bytes of text taken (strlen(text) when it all fits).
// A font that cannot measure a text counts the text as too wide.
size_t CutToWidth(TTF_Font* font, const char* text, int width, char* out, size_t out_size);

// Lays text out in at most max_lines (1..kMaxCaptionLines) lines of at most
// width pixels: each line takes as many whole words as fit; the last line,
// or a line whose first word alone is too wide, is cut with "..." (see
// CutToWidth) when text remains, and the caption ends there.
// Blanks between lines are dropped. Never writes beyond lines->line.
void WrapCaption(TTF_Font* font, const char* text, int width, int max_lines, CaptionLines* lines);

}  // namespace storyboard
