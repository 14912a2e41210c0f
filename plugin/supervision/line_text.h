// A line of the information pane built piece by piece into its buffer: what
// snprintf would print, without parsing a format at every redraw (the pane
// builds its dozen lines once a second to see which changed).
#pragma once

#include <cstddef>

class LineText {
 public:
  // Builds into out (size bytes; nothing when size is 0), which holds the
  // empty text from here on.
  LineText(char* out, size_t size);
  // Appends text. Cannot fail; a text that does not fit makes the whole line
  // refused.
  LineText& Text(const char* text);
  // Appends value in decimal, with at least `digits` digits (leading zeros),
  // as printf's "%0*lld" would.
  LineText& Number(long long value, int digits = 1);
  // The line, or null when something did not fit (never a cut line).
  const char* text() const;

 private:
  char* out_;
  size_t size_;
  size_t length_ = 0;
  bool fits_ = true;
};
