// Fonts and text: glyph units, widths, bitmap and big-font pixels, TrueType
// text over panels.
#include <random>
#include <string>

#include <SDL_ttf.h>

#include "display/glyph_tables.h"
#include "display/skin.h"
#include "display/text.h"
#include "display/text_fit.h"
#include "display_test_support.h"
#include "settings/message_catalogue.h"

namespace display_test {
namespace {

TEST(GlyphUnits, AccentedLettersAndReplacements) {
  EXPECT_EQ(GlyphIndex("\xC4\x84"), 1);
  EXPECT_EQ(GlyphIndex("\xC3\x9F"), 29);
  EXPECT_EQ(GlyphIndex("\xC5\xBC"), 25);
  EXPECT_EQ(GlyphIndex("\xC3\xA0"), 16);  // à is not in the fonts
  // Zażółć: Z, a, ż, ó, ł, ć.
  const char* text = "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87";
  std::vector<int> glyphs;
  while (*text) glyphs.push_back(NextGlyphUnit(&text));
  EXPECT_EQ(glyphs, (std::vector<int>{'Z', 'a', 25, 22, 20, 18}));
  // A three-byte character: replacement for two bytes, then its third byte
  // pairs with the next one.
  text = "\xE2\x82\xAC" "A";
  glyphs.clear();
  while (*text) glyphs.push_back(NextGlyphUnit(&text));
  EXPECT_EQ(glyphs, (std::vector<int>{16, 16}));
  // A lone lead byte at the end pairs with the terminator and ends the text.
  text = "A\xC4";
  glyphs.clear();
  while (*text) glyphs.push_back(NextGlyphUnit(&text));
  EXPECT_EQ(glyphs, (std::vector<int>{'A', 16}));
}

TEST(GlyphUnits, TheBitmapFontsDrawTextsWithoutReplacementGlyphs) {
  EXPECT_TRUE(BitmapFontsDraw(nullptr));
  EXPECT_TRUE(BitmapFontsDraw(""));
  EXPECT_TRUE(BitmapFontsDraw("Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 Gr\xC3\xB6\xC3\x9F" "e"));
  EXPECT_TRUE(BitmapFontsDraw("\x10+90min\x10\n"));  // one-byte codes have glyphs of their own
  EXPECT_FALSE(BitmapFontsDraw("Disk \xD0\xBE\xD1\x82"));  // Cyrillic
  EXPECT_FALSE(BitmapFontsDraw("grava\xC3\xA7\xC3\xA3o"));  // ç, ã
  EXPECT_FALSE(BitmapFontsDraw("5 \xE2\x82\xAC"));          // a three-byte character
  EXPECT_FALSE(BitmapFontsDraw("A\xC4"));                     // a lone lead byte
}

TEST(GlyphUnits, TablesMatchTheFontImages) {
  EXPECT_EQ(SmallGlyphTable[17].offset, 3456u + 12u);
  EXPECT_EQ(SmallGlyphTable[127].offset, 7u * 3456 + 15 * 12);
  EXPECT_EQ(BigGlyphTable[33].offset, 2u * 65536 + 128);
  EXPECT_EQ(BigGlyphTable[32].width, 20);
  EXPECT_EQ(BigGlyphTable[119].width, 25);
}

class TextTest : public DisplayTest {
 protected:
  // A small font whose ink is a known pattern, zero in some places.
  static int Ink(int glyph, int row, int column) { return (glyph * 7 + row * 3 + column * 5) % 9 == 0 ? 0 : (glyph * 7 + row * 13 + column * 11) % 256; }
  void WritePatternFont(int id) {
    TestImage font(192, 144, 1);
    for (int glyph = 0; glyph < 128; ++glyph) {
      for (int row = 0; row < 18; ++row) {
        for (int column = 0; column < 12; ++column) {
          *font.At((glyph % 16) * 12 + column, (glyph / 16) * 18 + row) = static_cast<uint8_t>(Ink(glyph, row, column));
        }
      }
    }
    WriteImage("fonts/font" + std::to_string(id) + ".png", font);
  }
  // Checks glyph at pen (x, y) in colour against the pattern, over a ground.
  void ExpectGlyph(int glyph, int x, int y, int colour, uint32_t ground) {
    const Colour& c = ColourTable[colour];
    for (int row = 0; row < 18; ++row) {
      for (int column = 0; column < 12; ++column) {
        int d = Ink(glyph, row, column);
        uint32_t expected = d == 0 ? ground
                                   : 0xFF000000u | (d * c.red / 255) << 16 | (d * c.green / 255) << 8 | (d * c.blue / 255);
        ASSERT_EQ(PixelWord(x + column, y + row), expected) << "glyph " << glyph << " row " << row << " col " << column;
      }
    }
  }
};

TEST_F(TextTest, WidthsOfEveryFontKind) {
  OpenCleared();
  for (int id : {5, 18, 20, 26, 118, 218}) EXPECT_EQ(TextWidth(id, ""), 0) << id;
  EXPECT_EQ(TextWidth(5, "a"), 961);
  EXPECT_EQ(TextWidth(118, "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87"), 72);
  EXPECT_EQ(TextWidth(218, "a b"), 36);  // spaces count
  int width = TextWidth(20, "Recolyx");
  EXPECT_GT(width, 40);
  EXPECT_LT(width, 120);
  EXPECT_GT(TextWidth(26, "Recolyx"), width);
}

TEST_F(TextTest, BitmapGlyphsAreTintedInkOverUntouchedGround) {
  WritePatternFont(118);
  OpenCleared();
  FillSurface(0x01020304);
  DrawText(118, 100, 200, "A\xC3\xA9\n z", 5);  // A, é (14), line feed drawn as glyph 10, space, z
  ExpectGlyph('A', 100, 200, 5, 0x01020304);
  ExpectGlyph(14, 112, 200, 5, 0x01020304);
  ExpectGlyph(10, 124, 200, 5, 0x01020304);
  for (int row = 0; row < 18; ++row) {
    for (int column = 0; column < 12; ++column) ASSERT_EQ(PixelWord(136 + column, 200 + row), 0x01020304u);
  }
  ExpectGlyph('z', 148, 200, 5, 0x01020304);
  std::vector<uint8_t> once = Snapshot();
  DrawText(118, 100, 200, "A\xC3\xA9\n z", 5);
  EXPECT_EQ(Snapshot(), once);
}

TEST_F(TextTest, BitmapTextWrapsToColumnZero) {
  WritePatternFont(218);
  OpenCleared();
  DrawText(218, 940, 100, "AB", 9);
  ExpectGlyph('A', 940, 100, 9, 0);
  ExpectGlyph('B', 0, 118, 9, 0);
}

TEST_F(TextTest, NothingIsDrawnAtNegativePositionsOrWithoutFont) {
  WritePatternFont(118);
  OpenCleared();
  std::vector<uint8_t> blank = Snapshot();
  for (int id : {18, 20, 26, 118, 218}) {
    DrawText(id, -1, 10, "Abc", 9);
    DrawText(id, 10, -1, "Abc", 9);
  }
  DrawBigText(-1, 10, "Abc");
  DrawBigText(10, -1, "Abc");
  DrawText(7, 10, 10, "Abc", 9);
  EXPECT_EQ(Snapshot(), blank);
  unlink((home_ + "/fonts/font218.png").c_str());
  DrawText(218, 10, 10, "Abc", 9);
  EXPECT_EQ(Snapshot(), blank);
}

TEST_F(TextTest, BigTextScalesAlphaAndCarriesThePixel) {
  // A big font whose glyph 'A' is opaque white and 'B' a gradient ending in
  // a known last pixel.
  TestImage font(512, 256, 4);
  auto cell = [&](int glyph, int column, int row) { return font.At((glyph % 16) * 32 + column, (glyph / 16) * 32 + row); };
  for (int row = 0; row < 32; ++row) {
    for (int column = 0; column < 32; ++column) {
      uint8_t* a = cell('A', column, row);
      a[0] = a[1] = a[2] = a[3] = 255;
      uint8_t* b = cell('B', column, row);
      b[0] = static_cast<uint8_t>(row * 8), b[1] = static_cast<uint8_t>(column * 8), b[2] = 40, b[3] = 100;
    }
  }
  WriteImage("fonts/font32.png", font);
  OpenCleared();
  DrawBigText(155, 12, "AB");
  // Lead rows of the first glyph: the band colour at alpha 80% of 128.
  EXPECT_EQ(PixelWord(155, 12), 0x66080808u);
  EXPECT_EQ(PixelWord(155, 14), 0x66080808u);
  EXPECT_EQ(PixelWord(155, 15), 0xCCFFFFFFu);  // opaque white: alpha 204
  int b_x = 155 + BigGlyphTable['A'].width;
  EXPECT_EQ(PixelWord(b_x, 12), 0xCCFFFFFFu);  // carried from A's last pixel
  // B's pixel at column 3, row 5: red 40, green 24, blue 40, alpha 100 -> 80.
  EXPECT_EQ(PixelWord(b_x + 3, 15 + 5), 80u << 24 | 40u << 16 | 24u << 8 | 40u);
  EXPECT_EQ(PixelWord(b_x + BigGlyphTable['B'].width, 20), 0u);  // nothing past B
  std::vector<uint8_t> once = Snapshot();
  DrawBigText(155, 12, "AB");
  EXPECT_EQ(Snapshot(), once);
  // A space advances without drawing.
  FillSurface(0);
  DrawBigText(155, 12, " A");
  EXPECT_EQ(PixelWord(155, 20), 0u);
  EXPECT_EQ(PixelWord(175, 12), 0x66080808u);
}

// The big font drawn pixel by pixel the plain way: every glyph pixel is read
// (when it lies in the image) into the carried pixel, which is then written
// when it lies on the screen.
std::vector<uint8_t> PlainBigText(const TestImage& font, int x, int y, const std::string& text,
                                  int opacity, int percent) {
  std::vector<uint8_t> screen(kOsdHeight * kOsdRowBytes, 0);
  const long pitch = static_cast<long>(font.w) * font.channels;
  const long size = pitch * font.h;
  uint8_t carried[4] = {8, 8, 8, 128};
  auto write = [&](int column, int row) {
    if (row >= kOsdHeight || column >= kOsdWidth) return;
    uint8_t* pixel = &screen[row * kOsdRowBytes + column * 4];
    pixel[0] = carried[2], pixel[1] = carried[1], pixel[2] = carried[0];
    pixel[3] = static_cast<uint8_t>(percent * (carried[3] * opacity / 100) / 100);
  };
  const char* at = text.c_str();
  while (*at != '\0') {
    int glyph = NextGlyphUnit(&at);
    int width = BigGlyphTable[glyph].width;
    if (x > kOsdWidth - width) x = 0, y += kBigGlyphRows;
    if (y > kOsdHeight) y = 0;
    if (glyph != ' ') {
      for (int row = 0; row < kBigLeadRows; ++row)
        for (int column = 0; column < width; ++column) write(x + column, y + row);
      for (int row = 0; row < kBigGlyphRows; ++row) {
        for (int column = 0; column < width; ++column) {
          long from = BigGlyphTable[glyph].offset + row * pitch + column * font.channels;
          if (from + font.channels <= size) {
            for (int i = 0; i < 3; ++i) carried[i] = font.bytes[from + i];
            if (font.channels == 4) carried[3] = font.bytes[from + 3];
          }
          write(x + column, y + kBigLeadRows + row);
        }
      }
    }
    x += width;
  }
  return screen;
}

TEST_F(TextTest, BigTextMatchesThePlainDrawingAnywhere) {
  std::mt19937 random(11);
  // Pieces the big font has every letter of (control codes included: the
  // stop-timer line's blank is one); texts with others go to the face.
  const std::string pieces[] = {"A", "g", " ", "\xC5\xBC", "\x10\x01", "Rec", "0:12"};
  // RGBA and RGB fonts, whole and cut short (the lower glyphs lie outside).
  for (auto [channels, height] : {std::pair{4, 256}, std::pair{3, 256}, std::pair{4, 100}}) {
    SCOPED_TRACE(channels * 1000 + height);
    TestImage font(512, height, channels);
    for (uint8_t& byte : font.bytes) byte = static_cast<uint8_t>(random());
    CloseOsd();
    WriteImage("fonts/font32.png", font);
    OpenCleared();
    for (int draw = 0; draw < 40; ++draw) {
      std::string text;
      for (int n = random() % 40; n > 0; --n) text += pieces[random() % 7];
      int x = static_cast<int>(random() % 1000), y = static_cast<int>(random() % 560);
      FillSurface(0);
      DrawBigText(x, y, text.c_str());
      ASSERT_EQ(Snapshot(), PlainBigText(font, x, y, text, 100, 80)) << x << "," << y << " " << text;
    }
  }
}

TEST_F(TextTest, TrueTypeTextBlendsColoursAndKeepsAlpha) {
  OpenCleared();
  FillSurface(0);
  SetAlphaRect(100, 100, 200, 40, 200);
  DrawText(20, 110, 105, "Recolyx", 9);
  DrawText(20, 400, 105, "Recolyx", 9);  // on transparent ground
  int lit = 0, lit_outside = 0;
  for (int y = 100; y < 140; ++y) {
    for (int x = 100; x < 300; ++x) {
      ASSERT_EQ(Pixel(x, y)[3], 200);
      lit += Pixel(x, y)[0] > 128;
    }
    for (int x = 400; x < 600; ++x) {
      ASSERT_EQ(Pixel(x, y)[3], 0);
      lit_outside += Pixel(x, y)[0] > 128;
    }
  }
  EXPECT_GT(lit, 50);
  EXPECT_EQ(lit, lit_outside);  // same glyphs, only the alpha differs
}

TEST_F(TextTest, CatalogueChoicesDrawTheirTexts) {
  OpenCleared();
  const char* saved[4] = {mess[14], mess[15], mess[16], mess[17]};
  mess[14] = "Yes", mess[15] = "No", mess[16] = "On", mess[17] = nullptr;
  SetAlphaRect(0, 0, 960, 100, 255);
  DrawOnOffText(10, 10, 1, 9);
  DrawOnOffText(10, 50, 0, 9);
  std::vector<uint8_t> drawn = Snapshot();
  FillSurface(0);
  SetAlphaRect(0, 0, 960, 100, 255);
  DrawText(20, 10, 10, "Yes", 9);
  DrawText(20, 10, 50, "No", 9);
  EXPECT_EQ(Snapshot(), drawn);
  std::vector<uint8_t> before = Snapshot();
  DrawFlagPairText(10, 80, 0, 9);  // empty slot: nothing drawn
  EXPECT_EQ(Snapshot(), before);
  for (int i = 0; i < 4; ++i) mess[14 + i] = saved[i];
}


// The face as SDL_ttf itself renders it, for comparison: the home folder's
// shadow.ttf at one size, and the coverage of each pixel of a text. SDL_ttf
// counts its initialisations: make one after the display's, so that the
// display's own close ends the library.
class DirectFace {
 public:
  explicit DirectFace(int size) {
    TTF_Init();
    font_ = TTF_OpenFont((BuildHome() + "/fonts/shadow.ttf").c_str(), size);
  }
  ~DirectFace() {
    if (font_ != nullptr) TTF_CloseFont(font_);
    TTF_Quit();
  }
  DirectFace(const DirectFace&) = delete;
  DirectFace& operator=(const DirectFace&) = delete;
  bool open() const { return font_ != nullptr; }
  int Width(const char* text) const {
    int w = 0, h = 0;
    TTF_SizeUTF8(font_, text, &w, &h);
    return w;
  }
  // Coverage rows of text, w x h.
  std::vector<uint8_t> Coverage(const char* text, int* w, int* h) const {
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font_, text, SDL_Color{255, 255, 255, 0});
    *w = rendered->w, *h = rendered->h;
    std::vector<uint8_t> coverage(static_cast<size_t>(*w) * *h);
    SDL_LockSurface(rendered);
    for (int y = 0; y < *h; ++y) {
      for (int x = 0; x < *w; ++x) {
        Uint8 r, g, b, a;
        uint32_t pixel;
        std::memcpy(&pixel, static_cast<uint8_t*>(rendered->pixels) + y * rendered->pitch + x * 4, 4);
        SDL_GetRGBA(pixel, rendered->format, &r, &g, &b, &a);
        coverage[y * *w + x] = a;
      }
    }
    SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
    return coverage;
  }

 private:
  TTF_Font* font_ = nullptr;
};

// A text the bitmap fonts lack a letter of is drawn in their place with the
// face at 15 points (a line of 18 rows), each covered pixel tinted as ink of
// that strength (opaque, the ground left where nothing covers), and measured
// with it: a pane line in Russian as the dot-matrix style draws it.
TEST_F(TextTest, PaneLinesTheBitmapFontsLackAreDrawnWithTheFaceAsInk) {
  const char* text = "\xD0\x91\xD0\xB8\xD1\x82\xD1\x80\xD0\xB5\xD0\xB9\xD1\x82: 1234 KB/s";  // Битрейт
  OpenCleared();
  DirectFace face(kSmallFallbackSize);
  ASSERT_TRUE(face.open());
  constexpr uint32_t kGround = 0xB80E162Eu;  // the pane's dark blue
  FillSurface(kGround);
  EXPECT_EQ(TextWidth(118, text), face.Width(text));
  EXPECT_EQ(TextWidth(218, text), face.Width(text));
  DrawText(118, 240, 446, text, 0);
  int w = 0, h = 0;
  const std::vector<uint8_t> coverage = face.Coverage(text, &w, &h);
  EXPECT_EQ(h, kSmallGlyphRows);
  const Colour& cyan = ColourTable[0];
  int inked = 0;
  for (int y = 440; y < 470; ++y) {
    for (int x = 230; x < 240 + w + 10; ++x) {
      const bool inside = x >= 240 && x < 240 + w && y >= 446 && y < 446 + h;
      const int c = inside ? coverage[(y - 446) * w + (x - 240)] : 0;
      const uint32_t expected = c == 0 ? kGround
                                       : 0xFF000000u | (c * cyan.red / 255) << 16 | (c * cyan.green / 255) << 8 |
                                             (c * cyan.blue / 255);
      ASSERT_EQ(PixelWord(x, y), expected) << x << "," << y;
      inked += c != 0;
    }
  }
  EXPECT_GT(inked, 100);
  // The same line in letters the font has stays the bitmap font's.
  FillSurface(kGround);
  DrawText(118, 240, 446, "Bitrate: 1234 KB/s", 0);
  EXPECT_EQ(TextWidth(118, "Bitrate: 1234 KB/s"), 18 * 12);
  EXPECT_EQ(PixelWord(240 + 18 * 12, 446), kGround);
}

// In the status band the face draws at 26 points (a line of 32 rows) under
// the big font's 3 lead rows: one block as wide as the text, every pixel the
// band colour mixed towards the font's ink (240, 240, 240, opaque in the
// generated font) by the coverage, alpha scaled as the big font's. The
// stop-timer line's blanks are the face's spaces, and the band's cut
// measures with the face.
TEST_F(TextTest, BandTextsTheBigFontLacksAreDrawnWithTheFaceOnTheBand) {
  const char* text = "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C gr\xC3\xA1";  // Запись grá
  OpenCleared();
  DirectFace face(kBigFallbackSize);
  ASSERT_TRUE(face.open());
  DrawBigText(155, 12, text);
  int w = 0, h = 0;
  const std::vector<uint8_t> coverage = face.Coverage(text, &w, &h);
  EXPECT_EQ(h, kBigGlyphRows);
  EXPECT_EQ(BigTextWidth(text), w);
  auto mix = [](int from, int to, int c) { return from + (to - from) * c / 255; };
  for (int y = 0; y < 60; ++y) {
    for (int x = 140; x < 155 + w + 10; ++x) {
      const int row = y - 12 - kBigLeadRows;
      const bool block = x >= 155 && x < 155 + w && y >= 12 && y < 12 + kBigLeadRows + kBigGlyphRows;
      if (!block) {
        ASSERT_EQ(PixelWord(x, y), 0u) << x << "," << y;
        continue;
      }
      const int c = row >= 0 && row < h ? coverage[row * w + (x - 155)] : 0;
      const uint32_t grey = static_cast<uint32_t>(mix(8, 240, c));
      const uint32_t alpha = static_cast<uint32_t>(80 * mix(128, 255, c) / 100);
      ASSERT_EQ(PixelWord(x, y), alpha << 24 | grey << 16 | grey << 8 | grey) << x << "," << y;
    }
  }
  EXPECT_EQ(PixelWord(155, 12), 0x66080808u);  // the band's colour, as the big font's lead rows

  FillSurface(0);
  DrawBigText(155, 12, " \xD0\x97 ");
  const std::vector<uint8_t> spaced = Snapshot();
  FillSurface(0);
  DrawBigText(155, 12, "\x10\xD0\x97\x10");
  EXPECT_EQ(Snapshot(), spaced);
  EXPECT_EQ(BigTextWidth("\x10\xD0\x97\x10"), face.Width(" \xD0\x97 "));

  // Cut to the band's width with the face: the longest start that fits.
  std::string long_text;
  while (face.Width(long_text.c_str()) <= 805) long_text += "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C ";
  char cut[512];
  std::snprintf(cut, sizeof cut, "%s", long_text.c_str());
  CutToWidth(cut, kBigFontId, 805);
  const std::string kept = cut;
  EXPECT_LE(face.Width(cut), 805);
  const size_t next = kept.size() + (static_cast<unsigned char>(long_text[kept.size()]) >= 0x80 ? 2 : 1);
  EXPECT_GT(face.Width(long_text.substr(0, next).c_str()), 805) << kept;
}

}  // namespace
}  // namespace display_test
