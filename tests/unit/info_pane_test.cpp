// The information pane: which lines it draws for the recording's figures, in
// which font and colour, the free-space bar, the file-system names, the
// title cut to its room, the pane image clipped to the screen; and its
// pictures in the build folder (screens/pane_*.png) to look at.
#include "supervision/info_pane.h"

#include <sys/vfs.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <vector>

#include "display/skin.h"
#include "display/skin_images.h"
#include "display/text.h"
#include "catalogue_screen_test.h"
#include "two_drawing_threads.h"
#include "host/storage_checks.h"
#include "settings/screen_switches.h"
#include "settings/toolbox.h"
#include "sim/platform/sim_time.h"
#include "sim/screen/screen.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"

namespace display_test {
namespace {

// Which pixels of a box carry exactly a colour of the table: the full-ink
// pixels of text drawn in that colour.
std::vector<bool> Ink(int x0, int y0, int x1, int y1, int colour) {
  const Colour& c = ColourTable[colour];
  std::vector<bool> mask;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = Pixel(x, y);
      mask.push_back(p[0] == c.blue && p[1] == c.green && p[2] == c.red);
    }
  }
  return mask;
}

int Count(const std::vector<bool>& mask) {
  int n = 0;
  for (bool b : mask) n += b;
  return n;
}

// A line of text as the pane should draw it: left edge x (or right edge when
// right_aligned), top y, font, colour.
struct Line {
  std::string text;
  int font;
  int x;
  int y;
  int colour;
  bool right_aligned = false;
};

class InfoPaneTest : public CatalogueScreenTest {
 protected:
  void SetUp() override {
    CatalogueScreenTest::SetUp();
    settings.active_dest = 1;  // MOVIE001
    fs.f_type = 0x4D44;
    // The set's clock held still (a thousand times slower than real time,
    // from a whole second), so the elapsed times drawn are known.
    sim_clock_set(kStart, 0.001);
    now_ = time(nullptr);
    recording_active = 1;
    rec_start_time = static_cast<uint32_t>(now_ - 3723);  // 1:02:03
    std::snprintf(total_text.data(), sizeof total_text, "%s", "12.0 GB");
    OpenCleared();
    InfoPaneShown = 1;
  }
  void TearDown() override {
    InfoPaneShown = 0;
    fs.f_type = 0;
    ResetRunTimeState();
    sim_clock_reset();
    CatalogueScreenTest::TearDown();
  }

  void SetTitle(const std::u16string& title) {
    size_t i = 0;
    for (char16_t unit : title) {
      raw_title[i++] = static_cast<unsigned char>(unit >> 8);
      raw_title[i++] = static_cast<unsigned char>(unit & 0xFF);
    }
    raw_title[i] = raw_title[i + 1] = 0;
  }

  // Draws the pane, then checks that the full-ink pixels of each line's
  // colour in its box are exactly those of the line drawn alone.
  void ExpectLines(const std::vector<Line>& lines) {
    DrawInfoPane();
    std::vector<std::vector<bool>> drawn;
    for (const Line& line : lines) drawn.push_back(Ink(Box(line), line.colour));
    for (size_t i = 0; i < lines.size(); ++i) {
      const Line& line = lines[i];
      FillSurface(0);
      int x = line.right_aligned ? line.x - TextWidth(line.font, line.text.c_str()) : line.x;
      DrawText(line.font, x, line.y, line.text.c_str(), line.colour);
      std::vector<bool> alone = Ink(Box(line), line.colour);
      EXPECT_GT(Count(alone), 0) << line.text;
      EXPECT_EQ(drawn[i], alone) << "\"" << line.text << "\" at " << line.x << "," << line.y;
    }
  }

  // Counts the full-ink pixels of a colour in the pane's box at row y,
  // columns x0..x1 (after drawing the pane).
  int InkAfterDraw(int x0, int x1, int y, int colour) {
    DrawInfoPane();
    return Count(display_test::Ink(x0, y, x1, y + 24, colour));
  }

  struct BoxArea {
    int x0, y0, x1, y1;
  };
  static std::vector<bool> Ink(const BoxArea& box, int colour) {
    return display_test::Ink(box.x0, box.y0, box.x1, box.y1, colour);
  }
  static BoxArea Box(const Line& line) {
    int width = TextWidth(line.font, line.text.c_str());
    int left = line.right_aligned ? line.x - width : line.x;
    return {std::max(left - 2, 0), line.y, std::min(left + width + 2, 960), std::min(line.y + 26, 540)};
  }

  void SavePicture(const std::string& name) {
    const std::string folder = BuildDir() + "/screens";
    Shell("mkdir -p " + folder);
    sim::ScreenOptions options;
    options.home_dir = BuildHome();
    sim::ConfigureScreen(options);
    std::string error;
    ASSERT_TRUE(sim::SaveScreenshot(folder + "/" + name, &error)) << error;
    pictures_.push_back({DrawnPixels(), ScreenDigest()});
  }
  // The overlay's bytes folded into one number, to tell two pictures apart.
  static uint64_t ScreenDigest() {
    SDL_Surface* surface = OsdSurface.load();
    uint64_t digest = 1469598103934665603ull;
    for (int y = 0; surface != nullptr && y < surface->h; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
      for (int x = 0; x < surface->w * 4; ++x) digest = (digest ^ row[x]) * 1099511628211ull;
    }
    return digest;
  }
  struct Picture {
    int drawn;
    uint64_t digest;
  };
  std::vector<Picture> pictures_;

  static constexpr int64_t kStart = 1700000000;  // 2023-11-14 22:13:20 UTC
  long now_ = 0;
};

// ---- Lines by recording state

TEST_F(InfoPaneTest, FirstFileShowsElapsedTimeTotalAndSizeOnly) {
  segment_size_mb = 345;
  ExpectLines({
      {"1:02:03", 20, 790, 418, 5, true},
      {"Total: 12.0 GB", 20, 240, 418, 9},
      {"345 MB", 20, 610, 418, 9, true},
      {"Free space", 20, 240, 474, 0},
      {"?", 20, 610, 474, 0, true},
      {"MOVIE001", 26, 242, 385, 7},
  });
  // No part number, no file time, no file size.
  EXPECT_EQ(InkAfterDraw(620, 800, 390, 0), 0);
  EXPECT_EQ(InkAfterDraw(620, 800, 446, 6), 0);
  EXPECT_EQ(InkAfterDraw(400, 615, 446, 1), 0);
}

TEST_F(InfoPaneTest, FromTheSecondFileOnThePartItsTimeAndSizeAreAdded) {
  segment_number = 2;
  segment_start_time = static_cast<uint32_t>(now_ - 65);
  segment_size_mb = 100;
  earlier_segments_mb = 2000;
  ExpectLines({
      {"Part 3", 20, 790, 390, 0, true},
      {"0:01:05", 20, 790, 446, 6, true},
      {"100 MB", 20, 610, 446, 1, true},
      {"2100 MB", 20, 610, 418, 9, true},
      {"1:02:03", 20, 790, 418, 5, true},
  });
}

TEST_F(InfoPaneTest, AClockSetBackShowsNoNegativeTime) {
  rec_start_time = static_cast<uint32_t>(now_ + 500);  // the clock jumped back
  ExpectLines({{"0:00:00", 20, 790, 418, 5, true}});
}

TEST_F(InfoPaneTest, StopTimerLines) {
  stop_timer = -1;
  settings.standby_after = 1;
  ExpectLines({{"+EPG !", 20, 610, 390, 3, true}});
  settings.standby_after = 0;
  ExpectLines({{"+EPG", 20, 610, 390, 4, true}});
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(now_ + 90 * 60);
  ExpectLines({{"+90min", 20, 610, 390, 4, true}});
  stop_time = static_cast<uint32_t>(now_ - 600);  // passed
  ExpectLines({{"+0min", 20, 610, 390, 4, true}});
  stop_time = static_cast<uint32_t>(now_ + 200 * 60);  // beyond 180 minutes
  ExpectLines({{"+0min", 20, 610, 390, 4, true}});
}

TEST_F(InfoPaneTest, BitrateAndTimeLeft) {
  bitrate = 7999;
  minutes_left = 180;
  ExpectLines({{"Bitrate: 7999 KB/s", 20, 240, 446, 0}, {"180 min", 20, 790, 474, 0, true}});
  bitrate = 8000;
  minutes_left = 181;
  ExpectLines({{Message(23), 20, 240, 446, 0}, {"3 h", 20, 790, 474, 0, true}});
  minutes_left = 3;
  ExpectLines({{"3 min", 20, 790, 474, 3, true}});
  // Red from the low-space warning on, ten minutes before the stop.
  bitrate = 1024;
  minutes_left = 9;
  ExpectLines({{"9 min", 20, 790, 474, 0, true}});
  low_space = 1;
  ExpectLines({{"9 min", 20, 790, 474, 3, true}});
  low_space = 0;
  bitrate = 0;  // no rate yet: neither line
  EXPECT_EQ(InkAfterDraw(240, 600, 446, 0), 0);
  EXPECT_EQ(InkAfterDraw(700, 800, 474, 3), 0);
}

TEST_F(InfoPaneTest, FrenchUnitsForLanguageTwelve) {
  sim::Host().menu_language = 12;
  bitrate = 1234;
  segment_size_mb = 7;
  DrawInfoPane();  // loads the French catalogue
  ExpectLines({{std::string(Message(22)) + ": 1234 Ko/s", 20, 240, 446, 0}, {"7 Mo", 20, 610, 418, 9, true}});
  EXPECT_EQ(settings.language.load(), 12);
}

TEST_F(InfoPaneTest, BitmapStylesUseTheirFontAndColumn) {
  settings.clock_style = 1;
  segment_size_mb = 12;
  ExpectLines({{"1:02:03", 118, 790, 418, 5, true}, {"12 MB", 118, 670, 418, 9, true}});
  settings.clock_style = 2;
  ExpectLines({{"1:02:03", 218, 790, 418, 5, true}});
  settings.clock_style = 9;  // out of range: the standard style
  ExpectLines({{"1:02:03", 20, 790, 418, 5, true}});
}

TEST_F(InfoPaneTest, BottomLineSplitNoticeLowSpaceOrTitle) {
  SetTitle(u"Evening News");
  ExpectLines({{"Evening News", 20, 241, 505, 2}});
  low_space = 1;
  std::snprintf(free_text.data(), sizeof free_text, "%s", "20 MB");
  ExpectLines({{Message(20), 20, 241, 505, 3}, {"20 MB", 20, 610, 474, 3, true}});
  split_in_progress = 1;
  ExpectLines({{Message(19), 20, 241, 505, 0}});
}

TEST_F(InfoPaneTest, ALongTitleIsCutToThePaneAtACharacter) {
  SetTitle(std::u16string(80, u'Ż'));
  DrawInfoPane();
  // Ink of the title's colour ends before 241 + 540 + the dots.
  int last = -1;
  for (int x = 241; x < 960; ++x) {
    for (int y = 505; y < 530; ++y) {
      const uint8_t* p = Pixel(x, y);
      if (p[0] == 82 && p[1] == 82 && p[2] == 82) last = x;
    }
  }
  EXPECT_GT(last, 241 + 400);
  EXPECT_LT(last, 241 + 540 + TextWidth(20, "..."));
}

// ---- Destination and file system

TEST_F(InfoPaneTest, FileSystemNamesAndTheHexadecimalFallback) {
  char name[16];
  const std::pair<uint32_t, const char*> known[] = {
      {0x137D, "EXT1"},     {0xEF51, "EXT2 OLD"}, {0xEF53, "EXT2/3/4"},  {0x4D44, "FAT"},
      {0x517B, "SMB"},      {0x6969, "NFS"},      {0x9660, "ISOFS"},     {0x9FA2, "USB DEV"},
      {0x414A53, "EFS"},    {0x15013346, "UDF"},  {0x2003BAB1, "RFS"},   {0x5346544E, "NTFS"},
      {0xF995E849, "HPFS"}, {0xFF534D42, "CIFS"}, {0x1234ABCD, "1234ABCD"}, {0xBEEF, "BEEF"},
      {0, "0"}};
  for (const auto& [type, text] : known) EXPECT_STREQ(FileSystemName(type, name, sizeof name), text);
  char small[3];
  EXPECT_STREQ(FileSystemName(0x5346544E, small, sizeof small), "NT");
}

TEST_F(InfoPaneTest, DestinationLabelAndFileSystemName) {
  fs.f_type = 0x1234ABCD;
  const int after = 252 + TextWidth(26, "MOVIE001");
  ExpectLines({{"MOVIE001", 26, 242, 385, 7}, {"1234ABCD", 20, after, 389, 2}});
  fs.f_type = 0;  // statfs failed at the start
  ExpectLines({{"0", 20, after, 389, 2}});
}

TEST_F(InfoPaneTest, AWideDestinationLabelIsCutAtACharacter) {
  DeviceEntry& entry = device_table.entries[2];
  entry = DeviceEntry{};
  std::snprintf(entry.product, sizeof entry.product, "%s", "ŴŴŴŴŴŴŴŴŴ");
  entry.index = 2;
  device_table.count = 3;
  settings.active_dest = 2;
  std::string label = "ŴŴŴŴŴŴŴŴŴ";
  while (TextWidth(20, label.c_str()) > 150) label.resize(label.size() - 2);
  ASSERT_LT(label.size(), 18u);
  ExpectLines({{label, 26, 242, 385, 7}});
  // An unterminated product (damaged record) and an index outside the table.
  std::memset(entry.product, 'W', sizeof entry.product);
  DrawInfoPane();
  settings.active_dest = 40;
  DrawInfoPane();
}

// ---- The bar and the image

TEST_F(InfoPaneTest, NoBarBeforeTheFirstDiskCheck) {
  // The bar's column on the screen: x 204..227, y 450..532.
  auto bar = [] {
    std::vector<uint8_t> pixels;
    for (int y = 450; y < 533; ++y)
      for (int x = 204; x < 228; ++x) pixels.insert(pixels.end(), Pixel(x, y), Pixel(x, y) + 4);
    return pixels;
  };
  ShowInfoPaneBackground(0);  // the pane and icon without the bars
  const auto plain = bar();
  free_gauge = -1;
  DrawInfoPane();
  EXPECT_EQ(bar(), plain);
  free_gauge = 0;  // all used: the full bar over the whole free bar
  DrawInfoPane();
  const auto full = bar();
  EXPECT_NE(full, plain);
  free_gauge = 60;
  DrawInfoPane();
  const auto partly = bar();
  EXPECT_NE(partly, full);
  EXPECT_NE(partly, plain);
  free_gauge = 5000;  // beyond the bar: only the free bar, nothing read outside it
  DrawInfoPane();
}

// The pane stays composed between redraws: after seconds in which figures,
// colours, the bar, the title and the stop timer change, each redraw is the
// pane drawn afresh, in every clock style.
TEST_F(InfoPaneTest, EachRedrawIsThePaneDrawnAfresh) {
  SetTitle(u"Evening News");
  segment_number = 1;
  segment_start_time = static_cast<uint32_t>(now_ - 58);
  bitrate = 1234;
  minutes_left = 181;
  free_gauge = 40;
  FillSurface(0x01020304);  // around the pane, as before each fresh drawing
  for (int style = 0; style < 3; ++style) {
    settings.clock_style = style;
    for (int second = 0; second < 6; ++second) {
      rec_start_time = rec_start_time - 1;
      segment_start_time = segment_start_time - 1;
      segment_size_mb = 100 + second * 3;
      if (second == 2) free_gauge = 41;
      if (second == 3) low_space = 1;
      if (second == 4) stop_timer = -1;
      if (second == 5) SetTitle(u"Late Film");
      DrawInfoPane();
      const std::vector<uint8_t> kept = Snapshot();
      {
        DisplayLock lock(display_mutex);
        ReleaseSkinImages(SkinScreen::kPane);
      }
      FillSurface(0x01020304);
      DrawInfoPane();
      EXPECT_TRUE(Snapshot() == kept) << "style " << style << ", second " << second;
    }
    low_space = 0;
    stop_timer = 0;
    SetTitle(u"Evening News");
  }
}

TEST_F(InfoPaneTest, NothingIsDrawnWhenThePaneIsHiddenOrItsImageMissing) {
  FillSurface(0x01020304);
  InfoPaneShown = 0;
  DrawInfoPane();
  EXPECT_EQ(PixelWord(480, 500), 0x01020304u);
  InfoPaneShown = 1;
  unlink((home_ + "/osd/infopane.png").c_str());
  DrawInfoPane();
  EXPECT_EQ(PixelWord(480, 500), 0x01020304u);
  // An image without alpha (3 bytes a pixel) is not the pane's 32-bit image.
  TestImage rgb(640, 170, 3);
  WriteImage("osd/infopane.png", rgb);
  DrawInfoPane();
  EXPECT_EQ(PixelWord(480, 500), 0x01020304u);
  CloseOsd();
  DrawInfoPane();  // no surface
}

TEST_F(InfoPaneTest, AnOversizedPaneImageIsClippedToTheScreen) {
  TestImage image(1200, 700, 4);
  for (int y = 0; y < image.h; ++y) {
    for (int x = 0; x < image.w; ++x) {
      uint8_t* p = image.At(x, y);
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 7;
      p[3] = 255;
    }
  }
  WriteImage("osd/infopane.png", image);
  settings.osd_opacity = 100;
  settings.image_alpha_percent = 100;
  DrawInfoPane();
  // Image pixel (x + 120, y + 160) lands on screen pixel (x, y).
  const uint8_t* corner = Pixel(0, 0);
  EXPECT_EQ(corner[2], 120);
  EXPECT_EQ(corner[1], 160);
  EXPECT_EQ(corner[0], 7);
  const uint8_t* last = Pixel(959, 0);
  EXPECT_EQ(last[2], static_cast<uint8_t>(959 + 120));
}

// ---- Two drawing threads

// The tick's thread redraws the pane while the key thread draws the settings
// screen and opens and closes the display: under the display lock every
// sequence stays whole (run under AddressSanitizer and ThreadSanitizer).
TEST_F(InfoPaneTest, RedrawnOnTheTickThreadWhileKeysDrawAndReopen) {
  sim_clock_reset();  // opening the display waits on the set's clock: not held still here
  SetTitle(u"Evening News");
  free_gauge = 40;
  bitrate = 1234;
  const int tick_rounds = DrawOnTwoThreads(
      StressRounds(20, 300),
      [](int key) {
        switch (key % 4) {
          case 0: DrawToolbox(); break;
          case 1: ToolboxNext(); break;
          default: ReopenDisplay(key % 4 == 2); break;  // at rest, or during the recording
        }
      },
      [](int) { DrawInfoPane(); });
  EXPECT_GT(tick_rounds, 0);
}

// ---- Pictures to look at (build folder, screens/)

TEST_F(InfoPaneTest, SavesItsPictures) {
  SetTitle(u"Zażółć gęślą jaźń – Evening News");
  std::snprintf(free_text.data(), sizeof free_text, "%s", "41.5 GB");
  std::snprintf(total_text.data(), sizeof total_text, "%s", "64.0 GB");
  free_gauge = 54;  // 41.5 of 64 GB free
  segment_size_mb = 512;
  bitrate = 1234;
  minutes_left = 560;
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(now_ + 90 * 60);
  DrawInfoPane();
  SavePicture("pane_first_file.png");
  segment_number = 1;
  segment_start_time = static_cast<uint32_t>(now_ - 125);
  earlier_segments_mb = 4076;
  stop_timer = -1;
  settings.standby_after = 1;
  settings.clock_style = 1;
  DrawInfoPane();
  SavePicture("pane_second_file.png");
  low_space = 1;
  free_gauge = 1;
  std::snprintf(free_text.data(), sizeof free_text, "%s", "20 MB");
  minutes_left = 2;
  settings.clock_style = 2;
  DrawInfoPane();
  SavePicture("pane_low_space.png");
  split_in_progress = 1;
  settings.clock_style = 0;
  bitrate = 9000;
  DrawInfoPane();
  SavePicture("pane_split.png");
  // Four pictures, each with the pane on it, each showing another state.
  ASSERT_EQ(pictures_.size(), 4u);
  for (size_t i = 0; i < pictures_.size(); ++i) {
    EXPECT_GT(pictures_[i].drawn, 600 * 150) << i;  // most of the 640x170 pane
    for (size_t j = 0; j < i; ++j) EXPECT_NE(pictures_[i].digest, pictures_[j].digest) << j << " " << i;
  }
}

}  // namespace
}  // namespace display_test
