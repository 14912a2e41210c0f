// The simulator's screen: compositing the overlay over the test picture,
// saving frames, and a sample screen and contact sheet to look at.
#include <SDL_image.h>

#include "display/skin.h"
#include "display/text.h"
#include "display_test_support.h"
#include "sim/host/guide.h"
#include "sim/platform/sim_time.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

class ScreenTest : public DisplayTest {};

TEST_F(ScreenTest, OverlayIsCompositedByItsAlpha) {
  sim::ScreenOptions options;
  options.home_dir = BuildHome();
  sim::ConfigureScreen(options);
  OpenCleared();
  std::vector<uint8_t> frame(960 * 540 * 4);
  sim::ComposeFrame(frame.data());
  std::vector<uint8_t> picture = frame;
  std::memcpy(Pixel(500, 400), "\x00\x00\xFF\xFF", 4);  // opaque red
  std::memcpy(Pixel(501, 400), "\xFF\x00\x00\x80", 4);  // half blue
  sim::ComposeFrame(frame.data());
  const uint8_t* red = &frame[(400 * 960 + 500) * 4];
  EXPECT_EQ(red[0], 255);
  EXPECT_EQ(red[1], 0);
  EXPECT_EQ(red[2], 0);
  const uint8_t* blue = &frame[(400 * 960 + 501) * 4];
  const uint8_t* under = &picture[(400 * 960 + 501) * 4];
  EXPECT_EQ(blue[2], (255 * 128 + under[2] * 127) / 255);
  EXPECT_EQ(blue[0], under[0] * 127 / 255);
  CloseOsd();  // the overlay leaves the screen
  EXPECT_FALSE(sim::OverlayActive());
}

// The test picture's programme line (the label font's 24 characters of 12 x
// 18 pixels at (20, 106), on the caption's black box).
std::vector<uint8_t> ProgrammeLine() {
  std::vector<uint8_t> frame(960 * 540 * 4);
  sim::ComposeFrame(frame.data());
  std::vector<uint8_t> line;
  for (int y = 106; y < 124; ++y)
    line.insert(line.end(), frame.begin() + (y * 960 + 20) * 4, frame.begin() + (y * 960 + 308) * 4);
  return line;
}

TEST_F(ScreenTest, TestPictureShowsTheProgrammeOnAirAndOtherwiseItsCaption) {
  sim::ScreenOptions options;
  options.home_dir = BuildHome();
  sim::ConfigureScreen(options);
  sim::LoadDemoGuide();
  sim::SetPictureCaption(1, "Das Boot");
  const std::vector<uint8_t> first = ProgrammeLine();
  sim_clock_jump(30 * 60);  // the next programme of the guide's half-hour slots
  const std::vector<uint8_t> next = ProgrammeLine();
  sim::SetPictureCaption(1, "Das Boot");
  EXPECT_EQ(ProgrammeLine(), next);  // the guide, not the stale caption
  sim_clock_jump(-30 * 60);
  EXPECT_EQ(ProgrammeLine(), first);
  EXPECT_NE(first, next);
  // A channel the guide does not have shows the caption given.
  sim::SetPictureCaption(5, "Evening News");
  const std::vector<uint8_t> news = ProgrammeLine();
  sim::SetPictureCaption(5, "Weather");
  EXPECT_NE(ProgrammeLine(), news);
  sim::ResetGuide();
}

TEST_F(ScreenTest, SavesAToolboxLikeScreenAndTheContactSheet) {
  const std::string folder = BuildDir() + "/screens";
  Shell("mkdir -p " + folder);
  sim::ScreenOptions options;
  options.home_dir = BuildHome();
  sim::ConfigureScreen(options);
  sim::SetPictureCaption(5, "Evening News");
  OpenCleared();
  // The toolbox's frame, cursor and legend as the menu lays them out.
  DrawSkinPanel(210, 45, "toolbox_header", 212);
  SetAlphaRect(212, 83, 526, 369, 200);
  DrawSkinPanel(210, 454, "toolbox_footer", 0);
  DrawText(20, 420, 55, "Recolyx", 8);
  const char* labels[] = {"Destination 1", "Destination 2", "Internal memory", "Zażółć gęślą jaźń",
                          "Ελληνικά", "Кириллица", "Split", "Stop after", "Standby"};
  for (int row = 0; row < 9; ++row) {
    DrawText(20, 240, 106 + 39 * row, labels[row], row == 2 ? 2 : 8);
    if (row != 1) DrawText(20, 530, 106 + 39 * row, ":", 8);
    DrawText(20, 550, 106 + 39 * row, "value", 8);
  }
  DrawSkinPanel(225, 96 + 39, "toolbox_frame", -1);
  DrawSkinPanel(520, 106 + 39, "icon_left", -1);
  DrawSkinPanel(698, 106 + 39, "icon_right", -1);
  DrawSkinPanel(230, 467, "icon_down", -1);
  DrawSkinPanel(400, 460, "icon_updown", -1);
  DrawSkinPanel(500, 460, "icon_leftright", -1);
  DrawSkinPanel(600, 464, "icon_enter", -1);
  DrawSkinPanel(680, 466, "icon_exit", -1);
  DrawBigText(155, 12, "Recording: 1:23:45 Zażółć");
  DrawText(118, 20, 500, "0:12:34 Dot", 5);
  DrawText(218, 200, 500, "0:12:34 LCD", 0);
  DrawMessageImage("icon_rec");
  std::string error;
  ASSERT_TRUE(sim::SaveScreenshot(folder + "/toolbox.png", &error)) << error;
  ClearOsd();
  DrawInfoPaneBackground(0, DestinationIcon::kUsb);
  DrawText(26, 242, 385, "USB Stick", 7);
  DrawText(20, 252 + TextWidth(26, "USB Stick"), 389, "FAT", 2);
  DrawText(20, 240, 418, "Total: 12 GB", 9);
  DrawText(20, 240, 446, "Bitrate: 1234 KB/s", 0);
  DrawText(20, 240, 474, "Free", 0);
  DrawText(20, 790 - TextWidth(20, "0:01:02"), 418, "0:01:02", 5);
  DrawText(20, 241, 505, "Evening News", 2);
  ASSERT_TRUE(sim::SaveScreenshot(folder + "/infopane.png", &error)) << error;
  ASSERT_TRUE(sim::WriteContactSheet(BuildHome(), folder + "/contact_sheet.png", &error)) << error;
  SDL_Surface* saved = IMG_Load((folder + "/toolbox.png").c_str());
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->w, 960);
  EXPECT_EQ(saved->h, 540);
  SDL_FreeSurface(saved);
}

TEST(SkinSizes, PanelsFitTheScreensCoordinates) {
  auto size = [](const char* name) {
    SDL_Surface* image = IMG_Load((BuildHome() + "/osd/" + name + ".png").c_str());
    std::pair<int, int> wh{image ? image->w : -1, image ? image->h : -1};
    if (image) {
      EXPECT_EQ(image->format->BytesPerPixel, 4) << name;
      SDL_FreeSurface(image);
    }
    return wh;
  };
  EXPECT_EQ(45 + size("toolbox_header").second + 212, 454);
  EXPECT_GE(210 + size("toolbox_header").first, 212 + 526);
  auto pane = size("infopane");
  EXPECT_LE((960 - pane.first) / 2 + 20 + size("destusb").first, 240);  // icon left of the texts
  EXPECT_GE((960 - pane.first) / 2 + pane.first, 790);
  EXPECT_LE(540 - pane.second, 385);
  EXPECT_EQ(size("bar_free").second, 83);
  auto ext = size("warnbox_ext");
  EXPECT_GE(ext.first, 252 + size("button").first);
  EXPECT_GE(ext.second, 107 + size("button").second);
  for (const char* font : {"font118", "font218"}) {
    SDL_Surface* image = IMG_Load((BuildHome() + "/fonts/" + font + ".png").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 192);
    EXPECT_EQ(image->h, 144);
    EXPECT_EQ(image->format->BitsPerPixel, 8);
    SDL_FreeSurface(image);
  }
  SDL_Surface* big = IMG_Load((BuildHome() + "/fonts/font32.png").c_str());
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->w, 512);
  EXPECT_EQ(big->h, 256);
  // Glyph 16 is a plain band cell: blue, green, red 8, alpha 128.
  const uint8_t* cell = static_cast<const uint8_t*>(big->pixels) + 32 * big->pitch;
  EXPECT_EQ(std::memcmp(cell, "\x08\x08\x08\x80", 4), 0);
  EXPECT_EQ(std::memcmp(cell + 31 * big->pitch + 31 * 4, "\x08\x08\x08\x80", 4), 0);
  SDL_FreeSurface(big);
}

}  // namespace
}  // namespace display_test
