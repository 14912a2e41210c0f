// Nothing is written outside the surface or a target image, whatever the
// position, size or text (run under AddressSanitizer to catch any stray
// write), and the font caches survive concurrent use.
#include <random>
#include <thread>

#include "display/skin.h"
#include "display/text.h"
#include "display_test_support.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

class ClippingTest : public DisplayTest {};

TEST_F(ClippingTest, RandomDrawingStaysInsideTheSurface) {
  // Images larger than the screen, a tall infopane and a wide blend source.
  TestImage huge(1200, 700, 4);
  for (size_t i = 0; i < huge.bytes.size(); ++i) huge.bytes[i] = static_cast<uint8_t>(i * 31 + 7);
  WriteImage("osd/huge.png", huge);
  WriteImage("osd/infopane.png", huge);
  WriteImage("osd/warnbox.png", huge);
  TestImage rgb(37, 23, 3);
  for (size_t i = 0; i < rgb.bytes.size(); ++i) rgb.bytes[i] = static_cast<uint8_t>(i * 13 + 1);
  WriteImage("osd/odd.png", rgb);
  OpenCleared();
  const int guard_faults = sim::OverlayGuardFaults();
  settings.pane_animation = 0;
  std::mt19937 random(12345);
  auto any = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  const char* texts[] = {"Abc def", "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87", "\xE2\x82\xAC\xC4", "\n\t\x7F",
                         "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"};
  const char* images[] = {"huge", "odd", "toolbox_header", "icon_left", "missing"};
  for (int round = 0; round < 400; ++round) {
    int x = any(-1500, 1500), y = any(-900, 900);
    const char* text = texts[any(0, 4)];
    const char* image = images[any(0, 4)];
    switch (round % 8) {
      case 0: DrawText(any(0, 1) ? 118 : 218, any(0, 1000), any(0, 600), text, any(0, 9)); break;
      case 1: DrawBigText(any(0, 1000), any(0, 600), text); break;
      case 2: DrawText(20, any(0, 1000), any(0, 600), text, 9); break;
      case 3: DrawSkinPanel(x, y, image, any(-1, 1000)); break;
      case 4: SetAlphaRect(x, y, any(-10, 2000), any(-10, 2000), 100); break;
      case 5: DrawMessageImage(image); break;
      case 6: {
        SDL_Surface* target = SDL_CreateRGBSurface(SDL_SWSURFACE, any(1, 50), any(1, 50), 32, 0xFF, 0xFF00,
                                                   0xFF0000, 0xFF000000);
        BlendSkinImage(target, image, any(-100, 100), any(-100, 100), any(-5, 800));
        SDL_FreeSurface(target);
        break;
      }
      default:
        DrawInfoPaneBackground(0, DestinationIcon::kNetwork);
        HideInfoPaneBackground();
        ClearWarnBand();
        break;
    }
  }
  // Lines starting in the last rows are cut at the bottom edge.
  DrawText(118, 900, 539, "ABCDEFGH", 9);
  DrawBigText(900, 539, "ABCDEFGH");
  DrawSkinPanel(0, 530, "toolbox_header", 2000000000);
  // Nothing landed in the bands the simulator keeps around the surface, and
  // the draws at the edge did put pixels on the screen.
  EXPECT_TRUE(sim::CheckOverlayGuards("after the random drawing"));
  EXPECT_EQ(sim::OverlayGuardFaults(), guard_faults);
  EXPECT_GT(DrawnPixels(), 0);
}

TEST_F(ClippingTest, FontCachesSurviveConcurrentDrawingAndClosing) {
  OpenCleared();
  recording_active = 1;  // keeps the surface while fonts come and go
  std::thread drawer([] {
    for (int i = 0; i < 300; ++i) {
      DrawText(118, 10, 100, "Dot matrix", 0);
      DrawBigText(155, 12, "Status");
      DrawText(20, 10, 200, "TrueType", 9);
      TextWidth(26, "width");
    }
  });
  for (int i = 0; i < 60; ++i) {
    CloseOsd();
    OpenOsd();
  }
  drawer.join();
  // The surface survived every close, and the fonts open again and draw.
  ASSERT_NE(OsdSurface.load(), nullptr);
  ClearOsd();
  DrawText(20, 10, 200, "TrueType", 9);
  DrawText(118, 10, 100, "Dot matrix", 0);
  EXPECT_GT(DrawnPixels(), 0);
  EXPECT_TRUE(sim::CheckOverlayGuards("after drawing while closing"));
  recording_active = 0;
}

}  // namespace
}  // namespace display_test
