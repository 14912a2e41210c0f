// The screen gallery: real sheets of two languages (every screen on them,
// none blank, the languages told apart), the failures it names, and the
// labelled sheet it is written with.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "sim/gallery/gallery.h"
#include "sim/gallery/gallery_screens.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"

namespace {

namespace fs = std::filesystem;

// The build folder: the test binary lives in build/<preset>/tests/gallery.
std::string BuildHome() {
  return fs::canonical("/proc/self/exe").parent_path().parent_path().parent_path().string() + "/home";
}

// One sandbox and one screen for the whole binary, as the gallery command has.
struct GalleryWorld {
  std::string sandbox;
  GalleryWorld() {
    char folder[] = "/tmp/recolyx-gallery-test-XXXXXX";
    std::string error;
    if (mkdtemp(folder) == nullptr || !sim::StartPlatform(folder, &error)) std::abort();
    sandbox = folder;
    sim::ScreenOptions options;
    options.home_dir = BuildHome();
    sim::ConfigureScreen(options);
  }
  ~GalleryWorld() {
    std::error_code ignored;
    fs::remove_all(sandbox, ignored);
  }
};

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static GalleryWorld world;
    char folder[] = "/tmp/recolyx-gallery-out-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    out_ = folder;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(out_, ignored);
  }
  std::string out_;
};

struct SheetLook {
  int width = 0, height = 0;
  int colours = 0;  // distinct colours, counted up to 5000
};

SheetLook Look(const std::string& path) {
  SheetLook look;
  SDL_Surface* sheet = IMG_Load(path.c_str());
  if (sheet == nullptr) return look;
  look.width = sheet->w;
  look.height = sheet->h;
  std::set<uint32_t> colours;
  SDL_LockSurface(sheet);
  for (int y = 0; y < sheet->h && colours.size() < 5000; ++y) {
    for (int x = 0; x < sheet->w; ++x) {
      const uint8_t* p = static_cast<const uint8_t*>(sheet->pixels) + y * sheet->pitch + x * sheet->format->BytesPerPixel;
      colours.insert(p[0] | p[1] << 8 | p[2] << 16);
    }
  }
  SDL_UnlockSurface(sheet);
  SDL_FreeSurface(sheet);
  look.colours = static_cast<int>(colours.size());
  return look;
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

// ---- Sheets

TEST_F(GalleryTest, TwoLanguagesGiveASheetEachWithEveryScreenDrawn) {
  gallery::GalleryOptions options{BuildHome(), out_, {"EN", "GR"}};
  std::vector<gallery::SheetReport> sheets;
  std::string error;
  ASSERT_TRUE(gallery::RenderGallery(options, &sheets, &error)) << error;
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].path, out_ + "/gallery_EN.png");
  EXPECT_EQ(sheets[1].path, out_ + "/gallery_GR.png");
  for (const gallery::SheetReport& sheet : sheets) {
    // RenderGallery fails on a screen that drew nothing: every one is there.
    EXPECT_EQ(sheet.screens, static_cast<int>(gallery::GalleryScreens().size())) << sheet.code;
    SheetLook look = Look(sheet.path);
    EXPECT_EQ(look.width, 1900) << sheet.code;
    // Fifty-odd captioned screens: far taller than one screen, and full of
    // colour (the checkerboard alone has two).
    EXPECT_GT(look.height, 3 * 540) << sheet.code;
    EXPECT_GE(look.colours, 5000) << sheet.code;
  }
  // The same screens in Greek are other pictures.
  EXPECT_NE(FileBytes(sheets[0].path), FileBytes(sheets[1].path));
}

TEST(GalleryLanguages, TwentyFiveCatalogueCodesEachWithAShippedFile) {
  std::vector<gallery::GalleryLanguage> languages = gallery::GalleryLanguages();
  ASSERT_EQ(languages.size(), 25u);
  std::set<std::string> codes;
  for (const auto& language : languages) {
    codes.insert(language.code);
    EXPECT_TRUE(fs::exists(BuildHome() + "/messages_" + language.code + ".txt")) << language.code;
  }
  EXPECT_EQ(codes.size(), 25u);
  EXPECT_TRUE(codes.count("EN") && codes.count("FR") && codes.count("LT"));
  gallery::GalleryLanguage found;
  ASSERT_TRUE(gallery::FindLanguage("FR", &found));
  EXPECT_EQ(found.number, 12);
  EXPECT_FALSE(gallery::FindLanguage("fr", &found));
  EXPECT_FALSE(gallery::FindLanguage("", &found));
}

// The accented letters of the three bitmap fonts are on every sheet, their
// pictures magnified: each pixel a square of pixels.
TEST(GalleryScreens, AccentedLettersAreShownMagnified) {
  int magnified = 0;
  for (const gallery::GalleryScreen& screen : gallery::GalleryScreens()) {
    if (std::string(screen.caption).rfind("accented letters", 0) == 0) magnified += screen.magnify > 1;
  }
  EXPECT_EQ(magnified, 3);
  sim::SheetPicture picture{"p", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
  sim::SheetPicture big = gallery::Magnified(picture, 3);
  ASSERT_EQ(big.width, 6);
  ASSERT_EQ(big.height, 3);
  EXPECT_EQ(big.label, "p");
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(big.rgba[(y * 6 + x) * 4], x < 3 ? 1 : 5) << x << "," << y;
  }
  EXPECT_EQ(gallery::Magnified(picture, 1).rgba, picture.rgba);
}

// ---- What it refuses, by name

TEST_F(GalleryTest, FailuresNameTheirCauseAndWriteNoSheet) {
  struct Case {
    gallery::GalleryOptions options;
    const char* named;
  };
  // A home folder with the catalogue files but no skin, fonts or text library.
  const std::string bare = out_ + "/bare";
  fs::create_directories(bare);
  fs::copy_file(BuildHome() + "/messages_EN.txt", bare + "/messages_EN.txt");
  const Case cases[] = {
      {{BuildHome(), out_, {"EN", "XX"}}, "unknown language code \"XX\""},
      {{bare, out_, {"DE"}}, "no catalogue file"},
      {{bare, out_, {"EN"}}, "EN: screen \"record icon\" drew nothing"},
  };
  for (const Case& c : cases) {
    std::vector<gallery::SheetReport> sheets;
    std::string error;
    EXPECT_FALSE(gallery::RenderGallery(c.options, &sheets, &error)) << c.named;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_TRUE(sheets.empty());
    EXPECT_FALSE(fs::exists(out_ + "/gallery_EN.png")) << c.named;
  }
}

TEST_F(GalleryTest, AHomePathLongerThanTheSettingsRecordTakesIsRefused) {
  // A real home folder reached through a path of 300 bytes.
  std::string home = out_;
  while (home.size() < 300) home += "/" + std::string(40, 'd');
  fs::create_directories(home);
  fs::copy_file(BuildHome() + "/messages_EN.txt", home + "/messages_EN.txt");
  std::vector<gallery::SheetReport> sheets;
  std::string error;
  EXPECT_FALSE(gallery::RenderGallery({home, out_, {"EN"}}, &sheets, &error));
  EXPECT_NE(error.find("too long"), std::string::npos) << error;
  EXPECT_TRUE(gallery::PrepareScreen((BuildHome() + "/").c_str()));
}

// ---- The labelled sheet

TEST(LabelledSheet, RefusesPicturesThatDoNotHoldTheirSize) {
  std::string error;
  EXPECT_FALSE(sim::WriteLabelledSheet({}, 400, "", "/tmp/never.png", &error));
  sim::SheetPicture short_picture{"short", 10, 10, std::vector<uint8_t>(10 * 10 * 4 - 1)};
  EXPECT_FALSE(sim::WriteLabelledSheet({short_picture}, 400, "", "/tmp/never.png", &error));
  EXPECT_NE(error.find("short"), std::string::npos);
  EXPECT_FALSE(fs::exists("/tmp/never.png"));
}

TEST(LabelledSheet, PicturesWiderThanTheSheetAreCutAtItsEdge) {
  char folder[] = "/tmp/recolyx-sheet-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/sheet.png";
  // A 500-pixel red picture on a 200-pixel sheet, and a long label.
  sim::SheetPicture wide{std::string(100, 'W'), 500, 30, {}};
  for (int i = 0; i < 500 * 30; ++i) wide.rgba.insert(wide.rgba.end(), {255, 0, 0, 255});
  std::string error;
  ASSERT_TRUE(sim::WriteLabelledSheet({wide, wide}, 200, BuildHome() + "/fonts/font118.png", path, &error))
      << error;
  SDL_Surface* sheet = IMG_Load(path.c_str());
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->w, 200);
  // Two rows of label and picture between margins.
  EXPECT_EQ(sheet->h, 12 + (22 + 30) + 12 + (22 + 30) + 12);
  SDL_LockSurface(sheet);
  const uint8_t* p = static_cast<const uint8_t*>(sheet->pixels) + 40 * sheet->pitch + 199 * sheet->format->BytesPerPixel;
  Uint8 r, g, b;
  SDL_GetRGB(p[0] | p[1] << 8 | p[2] << 16, sheet->format, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  SDL_UnlockSurface(sheet);
  SDL_FreeSurface(sheet);
  fs::remove_all(folder);
}

}  // namespace
