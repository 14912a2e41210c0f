#include "captions.h"

#include <cstdio>
#include <cstring>

namespace storyboard {
namespace {

constexpr char kEllipsis[] = "...";

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The length of the start of text, at most `bytes`, that ends on a whole character.
size_t WholeCharacters(const char* text, size_t bytes) {
  while (bytes > 0 && IsContinuation(text[bytes])) --bytes;
  return bytes;
}

// Whether the first `bytes` of text, followed by suffix, fit width pixels
// and out_size bytes with the NUL. The text is measured from a copy in out.
bool Fits(TTF_Font* font, const char* text, size_t bytes, const char* suffix, int width,
          char* out, size_t out_size) {
  int written = std::snprintf(out, out_size, "%.*s%s", static_cast<int>(bytes), text, suffix);
  if (written < 0 || static_cast<size_t>(written) >= out_size) return false;
  int w = 0, h = 0;
  return TTF_SizeUTF8(font, out, &w, &h) == 0 && w <= width;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

size_t CutToWidth(TTF_Font* font, const char* text, int width, char* out, size_t out_size) {
  if (out_size == 0) return 0;
  const size_t length = std::strlen(text);
  if (Fits(font, text, length, "", width, out, out_size)) return length;
  // The longest start that fits with the ellipsis, one character shorter at a time.
  size_t bytes = WholeCharacters(text, length < out_size ? length : out_size - 1);
  while (bytes > 0 && !Fits(font, text, bytes, kEllipsis, width, out, out_size))
    bytes = WholeCharacters(text, bytes - 1);
  if (bytes == 0 && !Fits(font, text, 0, kEllipsis, width, out, out_size)) out[0] = '\0';
  return bytes;
}

void WrapCaption(TTF_Font* font, const char* text, int width, int max_lines, CaptionLines* lines) {
  if (max_lines < 1) max_lines = 1;
  if (max_lines > kMaxCaptionLines) max_lines = kMaxCaptionLines;
  lines->count = 0;
  const char* rest = text;
  while (*rest != '\0' && lines->count < max_lines) {
    while (IsBlank(*rest)) ++rest;
    if (*rest == '\0') break;
    char* out = lines->line[lines->count++];
    const bool last = lines->count == max_lines;
    size_t length = std::strlen(rest);
    if (Fits(font, rest, length, "", width, out, kCaptionLineBytes)) return;
    // The most whole words that fit; a lone word too wide is cut.
    size_t words = 0;
    if (!last) {
      for (size_t at = 1; at < length; ++at)
        if (IsBlank(rest[at]) && !IsBlank(rest[at - 1])) {
          if (!Fits(font, rest, at, "", width, out, kCaptionLineBytes)) break;
          words = at;
        }
    }
    if (words > 0) {
      std::snprintf(out, kCaptionLineBytes, "%.*s", static_cast<int>(words), rest);
      rest += words;
    } else {
      rest += CutToWidth(font, rest, width, out, kCaptionLineBytes);
      return;  // the line was cut: the caption ends here
    }
  }
}

}  // namespace storyboard
