// The storyboard tool: pictures tiled in order with their captions, captions
// laid out and cut to their tiles within their buffers, unreadable pictures
// reported and shown as such, malformed lists refused by line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "captions.h"
#include "sim/screen/png_file.h"
#include "storyboard.h"

namespace storyboard {
namespace {

struct Rgb {
  uint8_t r, g, b;
};

class StoryboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("storyboard_test_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    ASSERT_EQ(TTF_WasInit() != 0 || TTF_Init() == 0, true);
    font_ = TTF_OpenFont(STORYBOARD_TEST_FONT, 17);
    ASSERT_NE(font_, nullptr);
  }
  void TearDown() override {
    TTF_CloseFont(font_);
    std::filesystem::remove_all(folder_);
  }

  // A picture of one colour, written as NAME in the test's folder.
  void Picture(const std::string& name, int width, int height, Rgb colour) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4)
      rgba[i] = colour.r, rgba[i + 1] = colour.g, rgba[i + 2] = colour.b, rgba[i + 3] = 255;
    std::string error;
    ASSERT_TRUE(sim::WritePng(folder_ / name, width, height, 4, rgba.data(), width * 4, &error)) << error;
  }

  static Rgb At(const Sheet& sheet, int x, int y) {
    const uint8_t* p = &sheet.rgba[(static_cast<size_t>(y) * sheet.width + x) * 4];
    return {p[0], p[1], p[2]};
  }

  // Pixels of the box that are light (caption text), not the dark background.
  static int LightPixels(const Sheet& sheet, int x, int y, int w, int h) {
    int light = 0;
    for (int py = y; py < y + h && py < sheet.height; ++py)
      for (int px = x; px < x + w && px < sheet.width; ++px) light += At(sheet, px, py).r > 150;
    return light;
  }

  // The sheet of steps in `columns` tiles of 160 pixels, composed from the test's folder.
  Sheet Compose(const std::vector<Step>& steps, int columns) {
    Layout layout;
    layout.columns = columns;
    layout.tile_width = 160;
    Sheet sheet;
    std::string error;
    EXPECT_TRUE(ComposeSheet(steps, folder_.string(), STORYBOARD_TEST_FONT, layout, &sheet, &error)) << error;
    return sheet;
  }

  int Width(const char* text) {
    int w = 0, h = 0;
    EXPECT_EQ(TTF_SizeUTF8(font_, text, &w, &h), 0);
    return w;
  }

  std::filesystem::path folder_;
  TTF_Font* font_ = nullptr;
};

// Geometry of the default margins: 14 pixels around tiles, pictures 9:16.
constexpr int kMargin = 14;

TEST_F(StoryboardTest, TilesPicturesInOrderScaledWithTheirCaptionsUnder) {
  Picture("red.png", 320, 180, {220, 0, 0});
  Picture("blue.png", 160, 90, {0, 0, 220});
  Picture("green.png", 960, 540, {0, 200, 0});
  Sheet sheet = Compose({{"red.png", "the first"}, {"blue.png", "the second"}, {"green.png", "the third"}}, 2);
  ASSERT_FALSE(sheet.rgba.empty());
  EXPECT_TRUE(sheet.problems.empty());
  EXPECT_EQ(sheet.width, kMargin + 2 * (160 + kMargin));
  const int tile_height = (sheet.height - kMargin) / 2 - kMargin;
  EXPECT_GT(tile_height, 90);  // the picture and its caption

  // Each picture fills its tile's 160 x 90 picture area, whatever its size.
  const int second_row = kMargin + tile_height + kMargin;
  for (auto [x, y, r, g, b] : {std::tuple{kMargin, kMargin, 220, 0, 0},
                               std::tuple{kMargin + 159, kMargin + 89, 220, 0, 0},
                               std::tuple{2 * kMargin + 160, kMargin, 0, 0, 220},
                               std::tuple{2 * kMargin + 319, kMargin + 89, 0, 0, 220},
                               std::tuple{kMargin + 80, second_row + 45, 0, 200, 0}}) {
    Rgb pixel = At(sheet, x, y);
    EXPECT_EQ(pixel.r, r) << x << "," << y;
    EXPECT_EQ(pixel.g, g) << x << "," << y;
    EXPECT_EQ(pixel.b, b) << x << "," << y;
  }
  // Captions are drawn under each picture, nothing in the empty fourth tile.
  const int caption_height = tile_height - 90;
  EXPECT_GT(LightPixels(sheet, kMargin, kMargin + 90, 160, caption_height), 20);
  EXPECT_GT(LightPixels(sheet, 2 * kMargin + 160, kMargin + 90, 160, caption_height), 20);
  EXPECT_GT(LightPixels(sheet, kMargin, second_row + 90, 160, caption_height), 20);
  EXPECT_EQ(LightPixels(sheet, 2 * kMargin + 160, second_row, 160, tile_height), 0);
}

TEST_F(StoryboardTest, UnreadablePicturesAreNamedAndTheRestIsTiled) {
  Picture("shown.png", 160, 90, {220, 0, 0});
  std::filesystem::path not_png = folder_ / "text.png";
  FILE* file = std::fopen(not_png.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fputs("not a picture\n", file);
  std::fclose(file);
  const std::string too_long(kPathBytes + 10, 'x');
  Sheet sheet = Compose(
      {{"gone.png", "a missing one"}, {"shown.png", "shown"}, {"text.png", "not a PNG"}, {too_long, "too long"}}, 4);
  ASSERT_EQ(sheet.problems.size(), 3u);
  EXPECT_EQ(sheet.problems[0].rfind("step 1: cannot read " + (folder_ / "gone.png").string() + ": ", 0), 0u)
      << sheet.problems[0];
  EXPECT_EQ(sheet.problems[1].rfind("step 3: cannot read " + not_png.string() + ": ", 0), 0u)
      << sheet.problems[1];
  EXPECT_NE(sheet.problems[2].find("step 4: cannot read xxx"), std::string::npos);
  EXPECT_NE(sheet.problems[2].find("path longer than 4095 bytes"), std::string::npos);
  // The missing picture's tile is dark red with its name on it; the next is the picture.
  Rgb missing = At(sheet, kMargin + 2, kMargin + 2);
  EXPECT_EQ(missing.r, 96);
  EXPECT_EQ(missing.g, 24);
  EXPECT_GT(LightPixels(sheet, kMargin, kMargin, 160, 90), 20);
  EXPECT_EQ(At(sheet, 2 * kMargin + 160 + 80, kMargin + 45).r, 220);
}

TEST_F(StoryboardTest, RefusesLayoutsOutsideTheirBoundsAndAMissingFont) {
  Picture("p.png", 16, 9, {1, 2, 3});
  std::vector<Step> steps = {{"p.png", "c"}};
  Sheet sheet;
  std::string error;
  for (auto [columns, width] : {std::pair{0, 160}, std::pair{kMaxColumns + 1, 160},
                                std::pair{2, kMinTileWidth - 1}, std::pair{2, kMaxTileWidth + 1}}) {
    Layout layout;
    layout.columns = columns;
    layout.tile_width = width;
    EXPECT_FALSE(ComposeSheet(steps, folder_.string(), STORYBOARD_TEST_FONT, layout, &sheet, &error));
    EXPECT_NE(error.find("columns must be"), std::string::npos);
  }
  EXPECT_FALSE(ComposeSheet({}, folder_.string(), STORYBOARD_TEST_FONT, Layout{}, &sheet, &error));
  EXPECT_FALSE(ComposeSheet(steps, folder_.string(), (folder_ / "none.ttf").string(), Layout{}, &sheet, &error));
  EXPECT_NE(error.find("cannot open font"), std::string::npos);
}

TEST_F(StoryboardTest, OverLongTextIsCutOnAWholeCharacterWithAnEllipsis) {
  const std::string text = "Ärger: Teil 2/3 beginnt und die Aufnahme wird in eine zweite Datei geteilt";
  char out[kCaptionLineBytes];
  size_t taken = CutToWidth(font_, text.c_str(), 120, out, sizeof out);
  EXPECT_GT(taken, 0u);
  EXPECT_LT(taken, text.size());
  EXPECT_LE(Width(out), 120);
  EXPECT_EQ(std::string(out), text.substr(0, taken) + "...");

  // A text that fits is copied whole.
  EXPECT_EQ(CutToWidth(font_, "short", 400, out, sizeof out), 5u);
  EXPECT_STREQ(out, "short");

  // A small buffer: cut to fit it, never split inside "Ä", never written past.
  char small[12 + 4];
  std::memset(small, '#', sizeof small);
  taken = CutToWidth(font_, "ÄÄÄÄÄÄÄÄÄÄ", 10000, small, 12);
  EXPECT_EQ(taken % 2, 0u);
  EXPECT_LE(std::strlen(small), 11u);
  EXPECT_EQ(std::string(small).substr(std::strlen(small) - 3), "...");
  EXPECT_EQ(std::string(small + 12, 4), "####");

  // Not even the ellipsis fits: nothing.
  EXPECT_EQ(CutToWidth(font_, text.c_str(), 2, out, sizeof out), 0u);
  EXPECT_STREQ(out, "");
}

TEST_F(StoryboardTest, CaptionsWrapBetweenWordsAndTheLastLineIsCut) {
  CaptionLines lines;
  WrapCaption(font_, "one line", 400, 2, &lines);
  ASSERT_EQ(lines.count, 1);
  EXPECT_STREQ(lines.line[0], "one line");

  const char* text = "key 73 again shows the information pane at the bottom of the screen while the "
                     "recording goes on and on and on";
  WrapCaption(font_, text, 200, 2, &lines);
  ASSERT_EQ(lines.count, 2);
  EXPECT_EQ(std::strncmp(lines.line[0], "key 73 again", 12), 0);
  EXPECT_NE(lines.line[0][std::strlen(lines.line[0]) - 1], ' ');
  EXPECT_EQ(std::string(text).find(std::string(lines.line[1]).substr(0, 6)), std::strlen(lines.line[0]) + 1);
  for (int i = 0; i < 2; ++i) EXPECT_LE(Width(lines.line[i]), 200);
  EXPECT_EQ(std::string(lines.line[1]).substr(std::strlen(lines.line[1]) - 3), "...");

  // A caption of 2000 bytes without a blank: cut within the line's buffer.
  const std::string word(2000, 'w');
  WrapCaption(font_, word.c_str(), kMaxTileWidth * 4, kMaxCaptionLines + 3, &lines);
  ASSERT_EQ(lines.count, 1);
  EXPECT_LT(std::strlen(lines.line[0]), kCaptionLineBytes);
  EXPECT_EQ(std::string(lines.line[0]).substr(std::strlen(lines.line[0]) - 3), "...");
}

TEST(StoryboardList, StepsAreReadByLineAndMalformedLinesNamed) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(ParseList("# the demo\n01.png\tthe stick\r\n\n02.png\tkey 73\trecords\n", &steps, &error));
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].picture, "01.png");
  EXPECT_EQ(steps[0].caption, "the stick");
  EXPECT_EQ(steps[1].caption, "key 73\trecords");

  for (auto [text, message] : {std::pair{"a.png\tok\nb.png the caption\n", "line 2: no tab between picture and caption"},
                               std::pair{"\tno picture\n", "line 1: no picture before the tab"},
                               std::pair{"# nothing\n\n", "no steps in the list"}}) {
    steps.clear();
    EXPECT_FALSE(ParseList(text, &steps, &error));
    EXPECT_EQ(error, message);
  }
  std::string many;
  for (size_t i = 0; i <= kMaxSteps; ++i) many += "p.png\tc\n";
  steps.clear();
  EXPECT_FALSE(ParseList(many, &steps, &error));
  EXPECT_EQ(error, "line " + std::to_string(kMaxSteps + 1) + ": more than " + std::to_string(kMaxSteps) + " steps");
  EXPECT_EQ(steps.size(), kMaxSteps);

  std::string path;
  EXPECT_TRUE(PicturePath("build/demo", "shots/a.png", &path));
  EXPECT_EQ(path, "build/demo/shots/a.png");
  EXPECT_TRUE(PicturePath("build/demo", "/tmp/a.png", &path));
  EXPECT_EQ(path, "/tmp/a.png");
  EXPECT_FALSE(PicturePath(std::string(kPathBytes - 6, 'd'), "a.png", &path));
  EXPECT_TRUE(PicturePath(std::string(kPathBytes - 7, 'd'), "a.png", &path));
}

}  // namespace
}  // namespace storyboard
