// Skin images kept while a screen shows: every pixel drawn from a kept image
// is the pixel drawn from the image decoded for that one use (panels, icons,
// the boxes, the information pane with its icon and bar, at two opacities and
// clipped at the edges); the pane's redraw decodes nothing; what the pane
// keeps stays below 512 KiB and nothing stays once the screens close.
#include "display/skin_images.h"

#include <malloc.h>

#include <vector>

#include "display/display_lock.h"
#include "display/pane_canvas.h"
#include "display/skin.h"
#include "display_test_support.h"
#include "supervision/info_pane.h"
#include "supervision/supervision_state.h"

namespace display_test {
namespace {

class SkinImagesTest : public DisplayTest {
 protected:
  // Something under the images that black pixels must leave alone.
  void FillPattern() {
    for (int y = 0; y < kOsdHeight; ++y) {
      for (int x = 0; x < kOsdWidth; ++x) {
        const uint32_t word = 0x80000000u | static_cast<uint32_t>(x * 7 + y * 13) * 0x010203u;
        std::memcpy(Pixel(x, y), &word, 4);
      }
    }
  }

  long Kept() {
    DisplayLock lock(display_mutex);
    return KeptSkinImageBytes();
  }

  long Decodes() {
    DisplayLock lock(display_mutex);
    return SkinImageDecodes();
  }
};

// The drawing calls of the settings screen, the boxes and the icons, some
// reaching past the surface's edges.
void DrawEverySkinOperation() {
  DrawSkinPanel(210, 45, "toolbox_header", 212);
  DrawSkinPanel(210, 454, "toolbox_footer", 0);
  DrawSkinPanel(225, 135, "toolbox_frame", -1);
  for (const char* icon : {"icon_left", "icon_right", "icon_up", "icon_down", "icon_updown", "icon_leftright",
                           "icon_enter", "icon_exit"}) {
    DrawSkinPanel(520, 106, icon, -1);
  }
  DrawSkinPanel(-200, 500, "toolbox_header", 3);  // clipped left and below
  DrawSkinPanel(900, -20, "toolbox_frame", -1);   // clipped right and above
  BlendSkinPanel(400, 300, "button_focus");
  BlendSkinPanel(950, 530, "icon_red");
  int x = 0, y = 0;
  CopyCentredSkinImage("warnbox", 1, &x, &y);
  CopyCentredSkinImage("warnbox_ext", 0, &x, &y, 107);
  DrawMessageImage("icon_stoprec");
}

TEST_F(SkinImagesTest, KeptImagesDrawTheSamePixelsAsImagesDecodedForOneUse) {
  OpenCleared();
  for (int opacity : {100, 50}) {
    settings.osd_opacity = opacity;
    FillPattern();
    DrawEverySkinOperation();  // no screen: each image decoded, drawn, freed
    const std::vector<uint8_t> decoded = Snapshot();
    EXPECT_EQ(Kept(), 0);
    for (int round = 0; round < 2; ++round) {  // the second from the kept images
      FillPattern();
      DisplayLock lock(display_mutex);
      SkinScreenScope screen(SkinScreen::kToolbox);
      DrawEverySkinOperation();
      EXPECT_TRUE(Snapshot() == decoded) << "opacity " << opacity << ", round " << round;
    }
    EXPECT_GT(Kept(), 0);
    ClearOsd();  // the screen closes
    EXPECT_EQ(Kept(), 0);
  }
}

// The pane as it was composed before images were kept: the icon and the bar
// blended into the decoded pane image, then each pixel converted.
std::vector<uint8_t> PaneComposedInItsImage(int rows, int gauge, std::vector<uint8_t> under) {
  SDL_Surface* image = LoadSkinImage("infopane");
  EXPECT_NE(image, nullptr);
  if (image == nullptr) return under;
  DrawDestinationIcon(image, DestinationIcon::kNetwork);
  if (gauge != -1) {
    BlendSkinImage(image, "bar_free", 44, 80, 0);
    BlendSkinImage(image, "bar_full", 44, 80, gauge);
  }
  const int opacity = OsdOpacity(), percent = ImageAlphaPercent();
  const int left = (kOsdWidth - image->w) / 2;
  for (int row = 0; row < rows; ++row) {
    const int y = kOsdHeight - rows + row;
    for (int column = 0; column < image->w; ++column) {
      const int x = left + column;
      if (x < 0 || x >= kOsdWidth || y < 0) continue;
      const uint8_t* s = static_cast<const uint8_t*>(image->pixels) + row * image->pitch + column * 4;
      uint8_t* p = &under[y * kOsdRowBytes + x * 4];
      p[0] = s[2];
      p[1] = s[1];
      p[2] = s[0];
      p[3] = static_cast<uint8_t>(opacity * (s[3] * percent / 100) / 100);
    }
  }
  SDL_FreeSurface(image);
  return under;
}

TEST_F(SkinImagesTest, PaneFromItsKeptImageIsThePaneComposedInItsDecodedImage) {
  OpenCleared();
  for (int opacity : {100, 60}) {
    settings.osd_opacity = opacity;
    for (int gauge : {-1, 0, 54, 82}) {
      for (int rows : {17, 100, 1000}) {  // frames of the slide-in, and the whole pane
        FillPattern();
        const std::vector<uint8_t> expected = PaneComposedInItsImage(std::min(rows, 170), gauge, Snapshot());
        for (bool kept : {false, true, true}) {
          FillPattern();
          DisplayLock lock(display_mutex);
          SkinScreenScope screen(kept ? SkinScreen::kPane : SkinScreen::kNone);
          if (!kept) ReleasePane();  // its image decoded again
          SDL_Surface* surface = OsdSurface.load();
          SDL_LockSurface(surface);
          ASSERT_TRUE(PutPaneBackground(surface, rows, DestinationIcon::kNetwork, gauge));
          SDL_UnlockSurface(surface);
          EXPECT_TRUE(Snapshot() == expected)
              << "opacity " << opacity << ", gauge " << gauge << ", rows " << rows << ", kept " << kept;
        }
      }
    }
  }
}

TEST_F(SkinImagesTest, PaneRedrawDecodesNothingKeepsUnder512KiBAndNothingStaysAfterItCloses) {
  OpenCleared();
  recording_active = 1;
  free_gauge = 40;
  // Once shown and hidden first, so that the text's own allocations (the
  // fonts' glyph caches) count as idle.
  DrawInfoPaneBackground(0, DestinationIcon::kUsb);
  DrawInfoPane();
  HideInfoPaneBackground();
  const size_t idle = mallinfo2().uordblks;
  ASSERT_EQ(DrawInfoPaneBackground(1, DestinationIcon::kUsb), 1);
  segment_number = 1;
  DrawInfoPane();  // the first redraw decodes the bar
  const long decodes = Decodes();
  for (int second = 0; second < 12; ++second) {
    // A second later and a MiB more: the figures change by their cells,
    // whose glyphs and the image under their lines the pane keeps too.
    rec_start_time = rec_start_time - 1;
    segment_start_time = segment_start_time - 1;
    segment_size_mb = segment_size_mb + 1;
    DrawInfoPane();
  }
  EXPECT_EQ(Decodes(), decodes) << "the pane's redraw decoded images again";
  EXPECT_GT(Kept(), 400 * 1024);  // the pane itself, ready to copy
  EXPECT_LT(Kept(), 512 * 1024) << Kept();
  EXPECT_LT(static_cast<long>(mallinfo2().uordblks) - static_cast<long>(idle), 512 * 1024);
  HideInfoPaneBackground();
  EXPECT_EQ(Kept(), 0);
  EXPECT_LT(static_cast<long>(mallinfo2().uordblks) - static_cast<long>(idle), 16 * 1024);
}

TEST_F(SkinImagesTest, ScreensFreeOnlyTheirOwnImagesAndAnOpacityChangeConvertsAgain) {
  OpenCleared();
  DisplayLock lock(display_mutex);
  {
    SkinScreenScope screen(SkinScreen::kToolbox);
    DrawSkinPanel(210, 45, "toolbox_header", 212);
  }
  {
    SkinScreenScope screen(SkinScreen::kPane);
    SkinImage pane("infopane", SkinForm::kPane, 100, 80);
  }
  const long both = KeptSkinImageBytes();
  ReleaseSkinImages(SkinScreen::kPane);
  EXPECT_EQ(KeptSkinImageBytes(), 530 * 197 * 4);  // the toolbox's header stays
  const long decodes = SkinImageDecodes();
  settings.osd_opacity = 40;
  {
    SkinScreenScope screen(SkinScreen::kToolbox);
    DrawSkinPanel(210, 45, "toolbox_header", 212);  // its alpha changed: decoded again, kept once
  }
  EXPECT_EQ(SkinImageDecodes(), decodes + 1);
  EXPECT_EQ(KeptSkinImageBytes(), 530 * 197 * 4);
  EXPECT_GT(both, KeptSkinImageBytes());
  CloseOsd();
  EXPECT_EQ(KeptSkinImageBytes(), 0);
}

}  // namespace
}  // namespace display_test
