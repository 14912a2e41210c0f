#include "supervision/line_text.h"

#include <cstring>

LineText::LineText(char* out, size_t size) : out_(out), size_(size) {
  if (size_ > 0) out_[0] = '\0';
}

LineText& LineText::Text(const char* text) {
  const size_t n = std::strlen(text);
  if (!fits_ || length_ + n >= size_) {
    fits_ = false;
    return *this;
  }
  std::memcpy(out_ + length_, text, n + 1);
  length_ += n;
  return *this;
}

LineText& LineText::Number(long long value, int digits) {
  char text[24];  // a sign, 19 digits at most, the terminator
  char* at = text + sizeof text;
  *--at = '\0';
  unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
  if (digits > 19) digits = 19;
  do {
    *--at = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0 || at > text + sizeof text - 1 - digits);
  if (value < 0) *--at = '-';
  return Text(at);
}

const char* LineText::text() const { return fits_ && size_ > 0 ? out_ : nullptr; }
