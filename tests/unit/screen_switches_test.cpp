// The screens' switches: what decides whether pictures and notices show, and
// which destination icon the pane carries, asked by the callers of the
// drawing toolkit (which reads neither the dispatcher's nor the recording's
// words itself).
#include "settings/screen_switches.h"

#include "display/display_state.h"
#include "display_test_support.h"
#include "sim/screen/screen.h"
#include "supervision/info_pane.h"

namespace display_test {
namespace {

class ScreenSwitchesTest : public DisplayTest {
 protected:
  void TearDown() override {
    settings.show_notices = 1;
    DisplayTest::TearDown();
  }
};

TEST_F(ScreenSwitchesTest, PicturesAndNoticesFollowOpacityOverlayAndSetting) {
  struct Case {
    int opacity, overlay, show_notices;
    bool pictures_off, notices_off;
  };
  const Case cases[] = {
      {100, 0, 1, false, false}, {1, 0, 1, false, false},   {0, 0, 1, true, true},
      {-5, 0, 1, true, true},    {100, 1, 1, true, true},   {100, 3, 1, true, true},
      {100, 0, 0, false, true},  {0, 2, 0, true, true},
  };
  for (const Case& c : cases) {
    settings.osd_opacity = c.opacity;
    key44_count = c.overlay;
    settings.show_notices = c.show_notices;
    EXPECT_EQ(PicturesOff(), c.pictures_off) << c.opacity << " " << c.overlay << " " << c.show_notices;
    EXPECT_EQ(NoticesOff(), c.notices_off) << c.opacity << " " << c.overlay << " " << c.show_notices;
  }
}

TEST_F(ScreenSwitchesTest, MessageImageOnlyWhilePicturesShow) {
  TestImage icon(2, 2, 4);
  for (int i = 0; i < 4; ++i) icon.bytes[i * 4] = 1, icon.bytes[i * 4 + 3] = 255;
  WriteImage("osd/icon_x.png", icon);
  OpenCleared();
  const int flips = sim::ScreenFlipCount();
  settings.osd_opacity = 0;
  EXPECT_EQ(ShowMessageImage("icon_x"), 1);
  settings.osd_opacity = 100;
  key44_count = 1;
  EXPECT_EQ(ShowMessageImage("icon_x"), 1);
  EXPECT_EQ(ShowMessageImage("missing"), 1);  // not even looked for
  EXPECT_EQ(DrawnPixels(), 0);
  EXPECT_EQ(sim::ScreenFlipCount(), flips);
  key44_count = 0;
  EXPECT_EQ(ShowMessageImage("icon_x"), 1);
  EXPECT_EQ(PixelWord(11, 11), 204u << 24 | 1u << 16);
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);
  EXPECT_EQ(ShowMessageImage("missing"), 0);
}

// Both ways onto the screen, the slide-in and the pane's redraw, carry the
// icon of where the recording goes: memory before network before USB.
TEST_F(ScreenSwitchesTest, PaneCarriesTheRecordingsDestination) {
  TestImage pane(960, 100, 4);
  for (int i = 0; i < 960 * 100; ++i) pane.bytes[i * 4 + 3] = 255;
  WriteImage("osd/infopane.png", pane);
  const char* names[] = {"destusb", "destnet", "destmem"};
  for (int channel = 0; channel < 3; ++channel) {
    TestImage icon(2, 2, 4);
    for (int i = 0; i < 4; ++i) icon.bytes[i * 4 + channel] = 255, icon.bytes[i * 4 + 3] = 255;
    WriteImage(std::string("osd/") + names[channel] + ".png", icon);
  }
  // The icon's pixel on the screen: a channel at half strength, alpha 255 x 80 %.
  const uint32_t usb = 204u << 24 | 0x7Fu << 16, net = 204u << 24 | 0x7Fu << 8, mem = 204u << 24 | 0x7Fu;
  struct Case {
    int memory, network;
    uint32_t shown;
  };
  OpenCleared();
  for (const Case& c : {Case{0, 0, usb}, Case{0, 1, net}, Case{1, 0, mem}, Case{1, 1, mem}}) {
    recording.memory_dest = c.memory;
    recording.network_dest = c.network;
    FillSurface(0);
    ASSERT_EQ(ShowInfoPaneBackground(0), 1);
    EXPECT_EQ(PixelWord(21, 540 - 100 + 25), c.shown) << c.memory << c.network;
    FillSurface(0);
    DrawInfoPane();
    EXPECT_EQ(PixelWord(21, 540 - 100 + 25), c.shown) << c.memory << c.network;
  }
}

}  // namespace
}  // namespace display_test
