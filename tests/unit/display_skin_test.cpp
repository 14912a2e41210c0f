// Skin images and overlays: panels, message icons, blending into the pane,
// the pane's slide-in and fade-out, the warning band.
#include <climits>

#include "display/skin.h"
#include "display/text.h"
#include "display_test_support.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

class SkinTest : public DisplayTest {
 protected:
  // An image whose row r is filled with colour (r + 1) * 10 in red, 7 in
  // green, 3 in blue, alpha 200 (rows listed in black stay pure black).
  TestImage Rows(int w, int h, std::vector<int> black_rows = {}) {
    TestImage image(w, h, 4);
    for (int y = 0; y < h; ++y) {
      bool black = std::find(black_rows.begin(), black_rows.end(), y) != black_rows.end();
      for (int x = 0; x < w; ++x) {
        uint8_t* p = image.At(x, y);
        p[0] = black ? 0 : static_cast<uint8_t>((y + 1) * 10), p[1] = black ? 0 : 7, p[2] = black ? 0 : 3, p[3] = 200;
      }
    }
    return image;
  }
  static uint32_t RowWord(int row, int alpha) { return uint32_t(alpha) << 24 | uint32_t((row + 1) * 10) << 16 | 7u << 8 | 3u; }
};

TEST_F(SkinTest, PanelRepeatsItsMiddleRow) {
  WriteImage("osd/panel.png", Rows(4, 5));
  OpenCleared();
  EXPECT_EQ(DrawSkinPanel(10, 20, "panel", 3), 1);
  const int rows[] = {0, 1, 2, 2, 2, 2, 3, 4};
  for (int i = 0; i < 8; ++i) {
    for (int x = 10; x < 14; ++x) ASSERT_EQ(PixelWord(x, 20 + i), RowWord(rows[i], 200)) << i;
  }
  EXPECT_EQ(PixelWord(10, 28), 0u);
  EXPECT_EQ(PixelWord(14, 20), 0u);
}

TEST_F(SkinTest, StretchedPanelAcrossTheScreenEdges) {
  // Wider than the screen, starting left of it and above it, stretched past
  // its bottom: every copy of the middle row is the converted row, clipped.
  WriteImage("osd/wide.png", Rows(1000, 5));
  OpenCleared();
  EXPECT_EQ(DrawSkinPanel(-20, -3, "wide", 600), 1);
  for (int y : {0, 1, 270, 539}) {
    for (int x : {0, 500, 959}) ASSERT_EQ(PixelWord(x, y), RowWord(2, 200)) << x << "," << y;
  }
  FillSurface(0);
  EXPECT_EQ(DrawSkinPanel(955, 530, "wide", 4), 1);  // the right edge: a 5-pixel span
  EXPECT_EQ(PixelWord(959, 530), RowWord(0, 200));
  for (int y = 532; y < 537; ++y) ASSERT_EQ(PixelWord(959, y), RowWord(2, 200)) << y;
  EXPECT_EQ(PixelWord(959, 537), RowWord(3, 200));
  EXPECT_EQ(PixelWord(954, 533), 0u);
}

TEST_F(SkinTest, PanelBlackPixelsAreLeftOutOnlyWithRepeatMinusOne) {
  WriteImage("osd/icon.png", Rows(3, 3, {1}));
  settings.osd_opacity = 50;
  OpenCleared();
  FillSurface(0x11111111);
  DrawSkinPanel(0, 0, "icon", -1);
  EXPECT_EQ(PixelWord(0, 0), RowWord(0, 100));
  EXPECT_EQ(PixelWord(0, 1), 0x11111111u);
  DrawSkinPanel(0, 0, "icon", 0);
  EXPECT_EQ(PixelWord(0, 1), 100u << 24);
  EXPECT_EQ(DrawSkinPanel(0, 0, "missing", 0), 0);
}

// A panel laid over another: transparent pixels keep what is under them,
// opaque ones replace it, half-transparent ones mix (source over, alpha not
// premultiplied); on a transparent surface the result is the plain copy.
TEST_F(SkinTest, BlendedPanelShowsWhatIsUnderItsTransparentPixels) {
  TestImage image(3, 1, 4);
  const uint8_t pixels[3][4] = {{200, 100, 0, 0}, {200, 100, 0, 255}, {200, 100, 0, 128}};
  for (int x = 0; x < 3; ++x) std::memcpy(image.At(x, 0), pixels[x], 4);
  WriteImage("osd/corner.png", image);
  settings.osd_opacity = 100;
  OpenCleared();
  FillSurface(0xFF0000FFu);  // opaque blue
  EXPECT_EQ(BlendSkinPanel(958, 0, "corner"), 1);  // the third pixel is off the screen
  EXPECT_EQ(PixelWord(958, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelWord(959, 0), 0xFFC86400u);
  EXPECT_EQ(BlendSkinPanel(0, 5, "corner"), 1);
  // 128 of the image over 127 of the blue: red 200 x 128 / 255, blue 255 x 127 / 255.
  EXPECT_EQ(PixelWord(2, 5), 0xFF64327Fu);
  FillSurface(0);
  BlendSkinPanel(0, 5, "corner");
  EXPECT_EQ(PixelWord(0, 5), 0u);
  EXPECT_EQ(PixelWord(2, 5), 0x80C86400u);  // as copied
  EXPECT_EQ(BlendSkinPanel(0, 0, "missing"), 0);
}

TEST_F(SkinTest, ThreeByteImagesCountAsOpaque) {
  TestImage rgb(3, 2, 3);
  for (int i = 0; i < 6; ++i) rgb.bytes[i * 3] = 9, rgb.bytes[i * 3 + 1] = 8, rgb.bytes[i * 3 + 2] = 7;
  WriteImage("osd/rgb.png", rgb);
  OpenCleared();
  DrawSkinPanel(5, 5, "rgb", 0);
  EXPECT_EQ(PixelWord(7, 6), 0xFF090807u);
  DrawMessageImage("rgb");
  EXPECT_EQ(PixelWord(10, 10), 204u << 24 | 0x090807u);
}

TEST_F(SkinTest, AlphaRectSetsOnlyAlpha) {
  OpenCleared();
  FillSurface(0x00ABCDEF);
  SetAlphaRect(100, 50, 10, 5, 200);
  EXPECT_EQ(PixelWord(100, 50), 0xC8ABCDEFu);
  EXPECT_EQ(PixelWord(109, 54), 0xC8ABCDEFu);
  EXPECT_EQ(PixelWord(110, 54), 0x00ABCDEFu);
  EXPECT_EQ(PixelWord(109, 55), 0x00ABCDEFu);
}

// Whether pictures may show is the screens' question (screen_switches_test):
// the toolkit draws what it is asked to, at opacity 0 too.
TEST_F(SkinTest, MessageImageAlpha) {
  TestImage opaque(2, 2, 4);
  for (int i = 0; i < 4; ++i) opaque.bytes[i * 4] = 1, opaque.bytes[i * 4 + 3] = 255;
  opaque.bytes[0] = 0;  // pure black is written too
  WriteImage("osd/icon_stoprec.png", opaque);
  WriteImage("osd/icon_x.png", opaque);
  settings.osd_opacity = 50;
  OpenCleared();
  int flips = sim::ScreenFlipCount();
  EXPECT_EQ(DrawMessageImage("icon_stoprec"), 1);
  EXPECT_EQ(PixelWord(11, 10), 51u << 24 | 1u << 16);
  EXPECT_EQ(PixelWord(10, 10), 51u << 24);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);
  settings.osd_opacity = 100;
  DrawMessageImage("icon_x");
  EXPECT_EQ(PixelWord(11, 11), 204u << 24 | 1u << 16);
  settings.osd_opacity = 0;
  key44_count = 1;  // a dispatcher word: the toolkit does not read it
  EXPECT_EQ(DrawMessageImage("icon_x"), 1);
  key44_count = 0;
  EXPECT_EQ(PixelWord(11, 11), 1u << 16);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 3);
  EXPECT_EQ(DrawMessageImage("missing"), 0);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 3);
  CloseOsd();
  EXPECT_EQ(DrawMessageImage("icon_x"), 0);
}

TEST_F(SkinTest, BlendHalvesOpaquePixelsAndSkipsBlack) {
  TestImage icon(3, 3, 4);
  for (int i = 0; i < 9; ++i) std::memset(&icon.bytes[i * 4], 255, 4);
  std::memset(icon.At(1, 1), 0, 3);  // black centre
  icon.At(2, 2)[3] = 0;              // transparent white corner
  WriteImage("osd/blend.png", icon);
  SDL_Surface* target = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
  for (int y = 0; y < 8; ++y) std::memset(static_cast<uint8_t*>(target->pixels) + y * target->pitch, 100, 32);
  auto at = [&](int x, int y) { return static_cast<uint8_t*>(target->pixels) + y * target->pitch + x * 4; };
  BlendSkinImage(target, "blend", 2, 3, 1);  // from image row 1 on
  EXPECT_EQ(at(2, 3)[0], 100);                // row 0 not drawn
  EXPECT_EQ(at(2, 4)[0], 127);                // (255 * 255 + 100 * 0) >> 9
  EXPECT_EQ(at(2, 4)[3], 100);                // alpha untouched
  EXPECT_EQ(at(3, 4)[0], 100);                // black: unchanged
  EXPECT_EQ(at(4, 5)[0], 49);                 // (0 + 100 * 255) >> 9
  BlendSkinImage(target, "blend", 6, 6, 0);   // reaches past the target: clipped
  EXPECT_EQ(at(6, 6)[0], 127);
  EXPECT_EQ(at(7, 7)[0], 100);                // the black centre
  SDL_FreeSurface(target);
}

// Percentages out of their range (a damaged settings file) are read within
// it: an opacity of 0x7fffffff and an image percentage of 255 draw exactly
// like 100, an opacity below 0 like 0. Unbounded, the alpha products would
// overflow. Drawn: a panel, a message image, big text and the pane.
TEST_F(SkinTest, OutOfRangePercentagesDrawLikeTheirBounds) {
  TestImage gradient(16, 16, 4);
  for (int i = 0; i < 256; ++i) {
    uint8_t* p = &gradient.bytes[i * 4];
    p[0] = static_cast<uint8_t>(i), p[1] = static_cast<uint8_t>(255 - i), p[2] = 9, p[3] = static_cast<uint8_t>(i);
  }
  WriteImage("osd/panel.png", gradient);
  WriteImage("osd/icon_x.png", gradient);
  OpenCleared();
  auto draw = [&](int opacity, int percent) {
    settings.osd_opacity = opacity;
    settings.image_alpha_percent = static_cast<uint8_t>(percent);
    FillSurface(0);
    DrawSkinPanel(100, 20, "panel", 0);
    DrawMessageImage("icon_x");
    DrawBigText(200, 100, "Abc");
    DrawInfoPaneBackground(0, DestinationIcon::kUsb);
    return Snapshot();
  };
  // Compared whole, without printing two screens on a mismatch.
  const std::vector<uint8_t> full = draw(100, 100);
  EXPECT_TRUE(draw(0x7fffffff, 255) == full);
  EXPECT_TRUE(draw(0x7fffffff, 100) == full);
  EXPECT_TRUE(draw(100, 255) == full);
  EXPECT_TRUE(draw(INT_MIN, 100) == draw(0, 100));
  // Both percentages change what is drawn.
  EXPECT_FALSE(draw(50, 100) == full);
  EXPECT_FALSE(draw(100, 50) == full);
}

class PaneTest : public SkinTest {
 protected:
  void WritePane(int h) {
    TestImage pane(40, h, 4);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < 40; ++x) pane.At(x, y)[0] = static_cast<uint8_t>(y), pane.At(x, y)[3] = 255;
    }
    WriteImage("osd/infopane.png", pane);
    TestImage dest(2, 2, 4);
    for (int i = 0; i < 4; ++i) std::memset(&dest.bytes[i * 4], 255, 4);
    WriteImage("osd/destusb.png", dest);
  }
};

TEST_F(PaneTest, SlideInFrameCounts) {
  for (auto [h, frames] : {std::pair{150, 12}, std::pair{96, 10}}) {
    WritePane(h);
    OpenCleared();
    InfoPaneShown = 0;
    int flips = sim::ScreenFlipCount();
    EXPECT_EQ(DrawInfoPaneBackground(1, DestinationIcon::kUsb), 1);
    EXPECT_EQ(sim::ScreenFlipCount() - flips, frames) << h;
    EXPECT_EQ(InfoPaneShown.load(), 1);
    // The whole image at the bottom, centred, with the destination icon blended in.
    int left = (960 - 40) / 2;
    EXPECT_EQ(PixelWord(left, 540 - h), 204u << 24);
    EXPECT_EQ(PixelWord(left + 5, 539), 204u << 24 | uint32_t(h - 1) << 16);
    EXPECT_EQ(PixelWord(left + 20, 540 - h + 24), 204u << 24 | 0x7F7F7Fu);
    EXPECT_EQ(PixelWord(left - 1, 539), 0u);
    flips = sim::ScreenFlipCount();
    DrawInfoPaneBackground(0, DestinationIcon::kUsb);
    EXPECT_EQ(sim::ScreenFlipCount() - flips, 1);
    CloseOsd();
  }
}

TEST_F(PaneTest, HideFadesThenClears) {
  WritePane(100);
  OpenCleared();
  FillSurface(0xFFFFFFFF);
  InfoPaneShown = 1;
  int flips = sim::ScreenFlipCount();
  EXPECT_EQ(HideInfoPaneBackground(), 1);
  EXPECT_EQ(InfoPaneShown.load(), 0);
  EXPECT_EQ(sim::ScreenFlipCount() - flips, 33);
  EXPECT_EQ(PixelWord(460, 440), 0u);
  EXPECT_EQ(PixelWord(459, 440), 0xFFFFFFFFu);
  EXPECT_EQ(PixelWord(460, 439), 0xFFFFFFFFu);
  settings.pane_animation = 0;
  flips = sim::ScreenFlipCount();
  HideInfoPaneBackground();
  EXPECT_EQ(sim::ScreenFlipCount() - flips, 1);
  CloseOsd();
  InfoPaneShown = 1;
  EXPECT_EQ(HideInfoPaneBackground(), 0);
  EXPECT_EQ(InfoPaneShown.load(), 0);
}

TEST_F(SkinTest, WarnBandClearsTheCentredRows) {
  WriteImage("osd/warnbox.png", Rows(10, 100));
  OpenCleared();
  FillSurface(0xFFFFFFFF);
  ClearWarnBand();
  for (int y = 0; y < 540; ++y) {
    uint32_t expected = y >= 220 && y <= 319 ? 0u : 0xFFFFFFFFu;
    ASSERT_EQ(PixelWord(0, y), expected) << y;
    ASSERT_EQ(PixelWord(959, y), expected) << y;
  }
}

}  // namespace
}  // namespace display_test
