// Title conversions: UTF-8 against the system's iconv for every code unit
// outside the surrogate range, the file-name form, and the size limits.
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "supervision/title_text.h"

namespace {

// A raw title from code points (each one unit), always with room for 256 units.
struct RawTitle {
  unsigned char bytes[2 * kRawTitleUnits] = {};
  RawTitle(std::initializer_list<uint16_t> codes) {
    size_t i = 0;
    for (uint16_t code : codes) Set(i++, code);
  }
  explicit RawTitle(const std::u16string& text) {
    for (size_t i = 0; i < text.size() && i < kRawTitleUnits; ++i) Set(i, text[i]);
  }
  void Set(size_t i, uint16_t code) {
    bytes[2 * i] = static_cast<unsigned char>(code >> 8);
    bytes[2 * i + 1] = static_cast<unsigned char>(code);
  }
};

std::string FileName(const RawTitle& title, bool transliterate) {
  char out[kTitleTextSize];
  TitleToFileName(title.bytes, kRawTitleUnits, out, sizeof out, transliterate);
  return out;
}

std::string Utf8(const RawTitle& title, int replace, size_t size = kTitleTextSize) {
  std::vector<char> out(size + 1, 'X');
  TitleToUtf8(title.bytes, kRawTitleUnits, out.data(), size, replace);
  EXPECT_EQ(out[size], 'X');  // nothing written past the given size
  return out.data();
}

TEST(TitleText, Utf8AgreesWithIconvForEveryUnit) {
  iconv_t converter = iconv_open("UTF-8", "UTF-16BE");
  ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
  int differing = 0;
  for (uint32_t code = 1; code <= 0xFFFF; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    RawTitle title{static_cast<uint16_t>(code)};
    char input[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
    char expected[8] = {};
    char* in = input;
    char* out = expected;
    size_t in_left = 2, out_left = sizeof expected - 1;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(iconv(converter, &in, &in_left, &out, &out_left), static_cast<size_t>(-1)) << code;
    if (Utf8(title, 0) != expected && ++differing <= 5) ADD_FAILURE() << "unit " << code;
    // For a file name, controls and the unsafe nine are one "_" each;
    // everything else is iconv's encoding too.
    const bool unsafe = code < 0x20 || code == 0x7F ||
                        (code < 0x80 && std::strchr("/\"?:<>*\\|", static_cast<int>(code)));
    if (Utf8(title, 1) != (unsafe ? "_" : expected) && ++differing <= 5)
      ADD_FAILURE() << "unit " << code << " as a name";
  }
  iconv_close(converter);
  EXPECT_EQ(differing, 0);
}

TEST(TitleText, ExamplesInEveryNameMode) {
  RawTitle anger(u"\u00C4rger: Teil 2/3");
  EXPECT_EQ(FileName(anger, true), "AErger__Teil_2_3");
  EXPECT_EQ(FileName(anger, false), "_rger__Teil_2_3");
  EXPECT_EQ(Utf8(anger, 1), "\xC3\x84rger_ Teil 2_3");
  EXPECT_EQ(Utf8(anger, 0), "\xC3\x84rger: Teil 2/3");
  EXPECT_EQ(FileName(RawTitle(u"\u0429\u0443\u043A\u0430"), true), "SHCHuka");
  EXPECT_EQ(FileName(RawTitle(u"\u041F\u044C\u0435\u0441\u0430"), true), "Pesa");  // soft sign dropped
  EXPECT_EQ(FileName(RawTitle{0x4E2D}, true), "-");
  EXPECT_EQ(FileName(RawTitle{0x008A, 0x009E, 0x0160}, true), "SzS");
  EXPECT_EQ(FileName(RawTitle(u"Das Boot"), true), "Das_Boot");
  EXPECT_EQ(FileName(RawTitle(u"(A&B) $1 @2 !"), false), "(A&B)_$1_@2_!");
  EXPECT_EQ(FileName(RawTitle{}, true), "");
  // A zero low byte does not cut the title: it is filtered like any other byte.
  EXPECT_EQ(FileName(RawTitle{'a', 0x0100, 'b'}, false), "a_b");
}

// The prefix's cut to a byte count: whole characters, checked against
// iconv's encoding of the same title cut at every byte count.
TEST(TitleText, CutKeepsWholeCharacters) {
  const std::u16string title = u"a\u00E4\u4E2Db\u0429\uFFFD";  // 1, 2, 3, 1, 2, 3 bytes
  iconv_t converter = iconv_open("UTF-8", "UTF-16BE");
  ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1));
  RawTitle raw(title);
  char input[64];
  std::memcpy(input, raw.bytes, 2 * title.size());
  char encoded[64] = {};
  char* in = input;
  char* out = encoded;
  size_t in_left = 2 * title.size(), out_left = sizeof encoded - 1;
  ASSERT_NE(iconv(converter, &in, &in_left, &out, &out_left), static_cast<size_t>(-1));
  iconv_close(converter);
  const std::string whole = encoded;
  ASSERT_EQ(whole.size(), 12u);
  const size_t boundaries[] = {0, 1, 3, 6, 7, 9, 12};
  for (size_t bytes = 0; bytes <= 14; ++bytes) {
    char text[kTitleTextSize];
    std::snprintf(text, sizeof text, "%s", Utf8(raw, 1).c_str());
    CutAtCharacter(text, bytes);
    size_t expected = 0;
    for (size_t boundary : boundaries)
      if (boundary <= bytes) expected = boundary;
    EXPECT_EQ(std::string(text), whole.substr(0, expected)) << bytes;
  }
  // An ASCII title is cut at the byte count exactly; a shorter one is kept.
  char ascii[] = "0123456789";
  CutAtCharacter(ascii, 4);
  EXPECT_STREQ(ascii, "0123");
  CutAtCharacter(ascii, 100);
  EXPECT_STREQ(ascii, "0123");
}

TEST(TitleText, TableHasNoCodeTwice) {
  int rows = 0;
  for (const Transliteration* a = TransliterationTable; a->code != 0; ++a, ++rows)
    for (const Transliteration* b = a + 1; b->code != 0; ++b) EXPECT_NE(a->code, b->code);
  EXPECT_EQ(rows, 139);
}

TEST(TitleText, LimitsHoldForOverlongTitles) {
  RawTitle full{};
  for (size_t i = 0; i < kRawTitleUnits; ++i) full.Set(i, 'A');  // no zero unit
  EXPECT_EQ(FileName(full, true), std::string(255, 'A'));
  EXPECT_EQ(Utf8(full, 1), std::string(250, 'A'));  // stops with fewer than 7 bytes left

  RawTitle long_letters{};
  for (size_t i = 0; i < kRawTitleUnits; ++i) long_letters.Set(i, 0x0429);  // SHCH
  EXPECT_EQ(FileName(long_letters, true).size(), 252u);  // whole replacements only
  RawTitle wide{};
  for (size_t i = 0; i < kRawTitleUnits; ++i) wide.Set(i, 0x4E2D);
  EXPECT_EQ(Utf8(wide, 0).size(), 252u);

  // Small outputs.
  char one[1];
  TitleToFileName(full.bytes, kRawTitleUnits, one, 1, true);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(Utf8(full, 0, 6), "");
  EXPECT_EQ(Utf8(full, 0, 7), "A");
  EXPECT_EQ(Utf8(wide, 0, 9), "\xE4\xB8\xAD");
}

}  // namespace
