// The UTF-8 conversion over any title and output size: nothing is written
// past the size, and the output is the standard encoding of a prefix of the
// title's units, unsafe and control characters replaced when asked; cut at
// a character boundary it stays a prefix of whole characters. The first
// byte picks the replace flag, the second the output size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "supervision/title_text.h"

namespace {

std::string Encode(uint16_t code, bool replace) {
  std::string text;
  if (code < 0x80) {
    bool unsafe = code < 0x20 || code == 0x7F || std::strchr(FileNameUnsafeChars, code);
    text += replace && unsafe ? '_' : static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | code >> 6);
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | code >> 12);
    text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int replace = data[0] & 1;
  size_t out_size = data[1] + 1;  // 1..256
  unsigned char units[2 * kRawTitleUnits] = {};
  std::memcpy(units, data + 2, size - 2 < sizeof units ? size - 2 : sizeof units);
  char out[kTitleTextSize + 8];
  std::memset(out, 'X', sizeof out);
  TitleToUtf8(units, kRawTitleUnits, out, out_size, replace);
  for (size_t i = out_size; i < sizeof out; ++i)
    if (out[i] != 'X') std::abort();
  std::string expected;
  for (size_t i = 0; i < kRawTitleUnits; ++i) {
    uint16_t code = static_cast<uint16_t>(units[2 * i] << 8 | units[2 * i + 1]);
    if (code == 0) break;
    std::string next = Encode(code, replace);
    if (out_size - expected.size() < 7) break;
    expected += next;
  }
  if (expected != out) std::abort();
  // The prefix's cut: at most the given bytes, whole characters only, and
  // nothing dropped that would have fitted.
  size_t max_bytes = data[1] % 128;
  char cut[kTitleTextSize + 8];
  std::memcpy(cut, out, sizeof cut);
  CutAtCharacter(cut, max_bytes);
  size_t length = std::strlen(cut);
  if (length > max_bytes || expected.compare(0, length, cut) != 0) std::abort();
  if (length < expected.size() && (static_cast<unsigned char>(expected[length]) & 0xC0) == 0x80)
    std::abort();
  if (length < max_bytes && length < expected.size()) {
    size_t next = length + 1;  // the character after the cut did not fit whole
    while (next < expected.size() && (static_cast<unsigned char>(expected[next]) & 0xC0) == 0x80)
      ++next;
    if (next <= max_bytes) std::abort();
  }
  return 0;
}
