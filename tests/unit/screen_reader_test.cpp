// The simulator's reading of the screen: the status band's big text read
// back from what the plug-in drew, and the screens the reader names from
// drawn texts, decoded images and flipped pixels.
#include <SDL_image.h>

#include <string>
#include <vector>

#include "display/glyph_tables.h"
#include "display/text.h"
#include "display_test_support.h"
#include "sim/screen/screen_reader.h"
#include "supervision/status_notices.h"

namespace display_test {
namespace {

class BandReadingTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    font_ = IMG_Load((home_ + "/fonts/font32.png").c_str());
    ASSERT_NE(font_, nullptr);
    OpenCleared();
  }
  void TearDown() override {
    SDL_FreeSurface(font_);
    DisplayTest::TearDown();
  }
  // The text read at the band's text origin after the plug-in drew `text`
  // there on a band of its colour.
  std::string DrawnAndRead(const char* text, int y = 12) {
    FillSurface(0x66080808u);
    DrawBigText(kBandTextX, y, text);
    std::vector<uint8_t> screen = Snapshot();
    return sim::ReadBigText(screen.data(), font_, kBandTextX, y);
  }
  SDL_Surface* font_ = nullptr;
};

TEST_F(BandReadingTest, TheBandReadsBackAsThePlugInDrewIt) {
  EXPECT_EQ(DrawnAndRead("Disk removed - recording stopped"), "Disk removed - recording stopped");
  EXPECT_EQ(DrawnAndRead("Recording continues in a new file", 14), "Recording continues in a new file");
  // The accented letters of the bitmap fonts, and glyph 16 (the blank cell
  // of the stop-timer line) as blanks, dropped at either end.
  EXPECT_EQ(DrawnAndRead("Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xC3\x84rger \xC3\x9F"),
            "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xC3\x84rger \xC3\x9F");
  EXPECT_EQ(DrawnAndRead("\x10+10min\x10(20:40)\x10"), "+10min (20:40)");
  // Nothing drawn, or at another place: nothing read.
  EXPECT_EQ(DrawnAndRead(""), "");
  FillSurface(0x66080808u);
  DrawBigText(kBandTextX + 3, 12, "Disk full");
  std::vector<uint8_t> screen = Snapshot();
  EXPECT_EQ(sim::ReadBigText(screen.data(), font_, kBandTextX, 12), "");
}

TEST_F(BandReadingTest, ReadingStopsWhereTheTextIsDamagedOrWraps) {
  DrawnAndRead("ABCDEF");
  // One pixel of D's glyph changed: A, B and C still read, nothing after.
  const int d_x = kBandTextX + BigGlyphTable['A'].width + BigGlyphTable['B'].width + BigGlyphTable['C'].width;
  Pixel(d_x + 5, 12 + kBigLeadRows + 16)[0] ^= 0x40;
  std::vector<uint8_t> screen = Snapshot();
  EXPECT_EQ(sim::ReadBigText(screen.data(), font_, kBandTextX, 12), "ABC");
  // A text longer than the band goes on at the left of the next line: the
  // band's line reads as far as it went, and no glyph is half read.
  const std::string long_text(60, 'W');
  const std::string read = DrawnAndRead(long_text.c_str());
  EXPECT_EQ(read, std::string((kOsdWidth - kBandTextX) / BigGlyphTable['W'].width, 'W'));
}

// Frames made by hand: rectangles of opaque pixels, texts placed on them.
class ScreenReaderTest : public ::testing::Test {
 protected:
  void Fill(const sim::ScreenRect& r, uint8_t alpha, uint8_t shade = 90) {
    for (int y = r.y0; y < r.y1; ++y)
      for (int x = r.x0; x < r.x1; ++x) {
        uint8_t* p = &frame_[(static_cast<size_t>(y) * kOsdWidth + x) * 4];
        p[0] = p[1] = p[2] = shade;
        p[3] = alpha;
      }
  }
  std::vector<std::string> Flip() { return reader_.Flipped(frame_.data()); }
  // A message box with its text, as the plug-in draws one.
  std::vector<std::string> Box(const std::string& text, bool decoded = true) {
    if (decoded) reader_.ImageDecoded("warnbox");
    Fill(kBox, 200);
    Fill({290, 245, 600, 265}, 255, 200);
    reader_.TextDrawn(text, {290, 245, 600, 265});
    return Flip();
  }
  using Lines = std::vector<std::string>;
  static constexpr sim::ScreenRect kBox{200, 200, 760, 340};
  std::vector<uint8_t> frame_ = std::vector<uint8_t>(static_cast<size_t>(kOsdWidth) * kOsdHeight * 4, 0);
  sim::ScreenReader reader_;
};

TEST_F(ScreenReaderTest, ABoxIsNamedWithItsTextAndClosesWhenItsPlaceIsCleared) {
  EXPECT_EQ(Box("Destination 1 is not available"), Lines{"screen: message box: Destination 1 is not available"});
  EXPECT_EQ(Flip(), Lines{});  // shown again unchanged: nothing to say
  Fill({0, 200, kOsdWidth, 340}, 0);
  EXPECT_EQ(Flip(), Lines{"screen: message box closed"});
  // The next box drawn there with the images still kept (nothing decoded)
  // is a message box all the same.
  EXPECT_EQ(Box("Standby after recording: on", false), Lines{"screen: message box: Standby after recording: on"});
  EXPECT_EQ(reader_.Gone(), Lines{"screen: message box closed"});
  // After the display closed, nothing is kept: an undecoded box is a text.
  EXPECT_EQ(Box("Standby after recording: off", false), Lines{"screen: text: Standby after recording: off"});
}

TEST_F(ScreenReaderTest, AnIconDrawnOverAnotherReplacesItAndOthersStay) {
  reader_.ImageDecoded("icon_rec");
  Fill({10, 10, 90, 40}, 255);
  EXPECT_EQ(Flip(), Lines{"screen: record icon"});
  EXPECT_EQ(Box("Script not found"), Lines{"screen: message box: Script not found"});
  reader_.ImageDecoded("icon_no");
  Fill({10, 10, 90, 40}, 255, 30);
  EXPECT_EQ(Flip(), (Lines{"screen: record icon closed", "screen: refused icon"}));
  Fill({10, 10, 90, 40}, 0);
  EXPECT_EQ(Flip(), Lines{"screen: refused icon closed"});
  EXPECT_EQ(reader_.Gone(), Lines{"screen: message box closed"});
}

TEST_F(ScreenReaderTest, TheSettingsScreenSaysTheRowsThatChange) {
  reader_.ImageDecoded("toolbox_header");
  reader_.ImageDecoded("toolbox_footer");
  Fill({210, 45, 750, 490}, 200);
  reader_.TextDrawn("Recolyx settings", {420, 55, 540, 75});
  reader_.TextDrawn("Destination 1", {240, 106, 340, 126});
  reader_.TextDrawn("Auto", {550, 106, 590, 126});
  reader_.TextDrawn("Destination 2", {240, 145, 340, 165});
  reader_.TextDrawn(":", {530, 145, 534, 165});
  reader_.TextDrawn("Auto", {550, 145, 590, 165});
  EXPECT_EQ(Flip(), Lines{"screen: settings screen: Recolyx settings | Destination 1 Auto | Destination 2 : Auto"});
  // The value stepped: its place is painted again with the new text.
  Fill({550, 106, 700, 126}, 200, 60);
  reader_.TextDrawn("Stick", {550, 106, 600, 126});
  EXPECT_EQ(Flip(), Lines{"screen: settings screen now: Destination 1 Stick"});
  // A text painted over and not drawn again has gone.
  Fill({550, 145, 700, 165}, 200, 60);
  EXPECT_EQ(Flip(), Lines{"screen: settings screen now: Destination 2 :"});
}

TEST_F(ScreenReaderTest, ThePaneIsNamedOnceWithItsFirstTextsAndGrowsAsItSlidesIn) {
  reader_.ImageDecoded("infopane");
  Fill({100, 523, 860, 540}, 200);
  EXPECT_EQ(Flip(), Lines{});  // no text yet
  Fill({100, 380, 860, 540}, 200);
  EXPECT_EQ(Flip(), Lines{});
  reader_.TextDrawn("Stick", {242, 385, 300, 410});
  reader_.TextDrawn("0:00:03", {700, 418, 790, 438});
  EXPECT_EQ(Flip(), Lines{"screen: information pane: Stick | 0:00:03"});
  Fill({700, 418, 790, 438}, 200, 20);
  reader_.TextDrawn("0:00:04", {700, 418, 790, 438});
  EXPECT_EQ(Flip(), Lines{});  // its figures are not followed
  // Its fade ends transparent: the whole pane has gone, not just its top.
  Fill({100, 380, 860, 540}, 0);
  EXPECT_EQ(Flip(), Lines{"screen: information pane closed"});
}

TEST(ScreenTextRows, RowsTopToBottomAndLeftToRightWithinOne) {
  EXPECT_EQ(sim::TextRows({{"b", {300, 100, 320, 120}},
                           {"second", {200, 140, 260, 160}},
                           {"a", {200, 104, 220, 122}},
                           {"title", {250, 50, 300, 70}}}),
            "title | a b | second");
  EXPECT_EQ(sim::TextRows({}), "");
  // Rows that touch at their edges stay rows.
  EXPECT_EQ(sim::TextRows({{"one", {0, 0, 10, 22}}, {"two", {0, 20, 10, 42}}}), "one | two");
}

}  // namespace
}  // namespace display_test
