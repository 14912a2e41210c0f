// The builders of the paths below the home folder, each the one its file's
// user calls and the home-folder check calls too: each fills exactly its
// buffer, refuses (emptied) a path one byte too long, and writes nothing
// past the size it is given.
#include <dirent.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "display/fonts.h"
#include "display/skin.h"
#include "display/text.h"
#include "display/text_library.h"
#include "display_test_support.h"
#include "settings/message_catalogue.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"

namespace {

using Builder = std::function<bool(char*, size_t)>;

// The path as printing builds it: the name printed into a path buffer of
// 256 bytes, then home_dir + the name (the way the builders built paths
// before they joined their pieces). False, emptied, when either does not fit.
bool PrintedPath(char* out, size_t size, const char* format, const char* name) {
  char relative[256];
  const int n = std::snprintf(relative, sizeof relative, format, name);
  if (n < 0 || static_cast<size_t>(n) >= sizeof relative) {
    if (size > 0) out[0] = '\0';
    return false;
  }
  return HomePath(out, size, relative);
}

class HomePaths : public ::testing::Test {
 protected:
  void SetUp() override { std::memcpy(saved_, settings.home_dir, sizeof saved_); }
  void TearDown() override { std::memcpy(settings.home_dir, saved_, sizeof saved_); }

  // home_dir of `length` bytes: "/" and 'h's, "/" last.
  static void SetHome(size_t length) {
    std::memset(settings.home_dir, 0, sizeof settings.home_dir);
    std::memset(settings.home_dir, 'h', std::min(length, sizeof settings.home_dir));
    settings.home_dir[0] = '/';
    if (length <= sizeof settings.home_dir) settings.home_dir[length - 1] = '/';
  }

  // Builds with a home folder that makes the path exactly 255 bytes, then
  // one byte longer, into a buffer of 256 bytes within a larger guarded one.
  static void ExpectBoundedAt256(const Builder& build, const std::string& relative) {
    SCOPED_TRACE(relative);
    const size_t home = 255 - relative.size();
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    SetHome(home);
    ASSERT_TRUE(build(buffer, 256));
    EXPECT_EQ(std::strlen(buffer), 255u);
    EXPECT_EQ(std::string(buffer + home), relative);
    EXPECT_EQ(buffer[256], '#');

    std::memset(buffer, '#', sizeof buffer);
    SetHome(home + 1);
    EXPECT_FALSE(build(buffer, 256));
    EXPECT_EQ(buffer[0], '\0');  // never a cut path, which would name another file
    for (size_t i = 256; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << i;

  }

  char saved_[sizeof settings.home_dir];
};

TEST_F(HomePaths, EveryBuilderFillsItsBufferAndNotAByteMore) {
  for (const char* image : kSkinImages)
    ExpectBoundedAt256([image](char* o, size_t s) { return SkinImagePath(o, s, image); },
                       std::string("osd/") + image + ".png");
  for (int id : kFontImageIds)
    ExpectBoundedAt256([id](char* o, size_t s) { return FontImagePath(o, s, id); },
                       "fonts/font" + std::to_string(id) + ".png");
  ExpectBoundedAt256([](char* o, size_t s) { return HomeFontPath(o, s, kTrueTypeFace); }, "fonts/shadow.ttf");
  ExpectBoundedAt256([](char* o, size_t s) { return TextLibraryPath(o, s); }, "osd_ttf.so");
  ExpectBoundedAt256([](char* o, size_t s) { return CataloguePath(o, s, "GR"); }, "messages_GR.txt");
  ExpectBoundedAt256([](char* o, size_t s) { return ScriptPath(o, s, "favch.sh"); }, "scripts/favch.sh");
  ExpectBoundedAt256([](char* o, size_t s) { return HomePath(o, s, kSettingsFileName); }, "recolyx.cfg");
  ExpectBoundedAt256([](char* o, size_t s) { return HomePathJoin(o, s, {"x-", "7"}); }, "x-7");
}

// A name that alone passes a path's 256 bytes is refused, not cut.
TEST_F(HomePaths, NamesLongerThanAPathAreRefused) {
  SetHome(2);
  char buffer[300];
  const std::string name(300, 'n');
  EXPECT_FALSE(SkinImagePath(buffer, sizeof buffer, name.c_str()));
  EXPECT_FALSE(ScriptPath(buffer, sizeof buffer, name.c_str()));
  EXPECT_FALSE(HomePathJoin(buffer, sizeof buffer, {name.c_str()}));
  EXPECT_EQ(buffer[0], '\0');
}

// The builders that join their pieces give what printing the same name
// gives (PrintedPath, the way they built paths before), around both
// bounds: the path at the buffer's size, and the name below home_dir at a
// path's 256 bytes in a larger buffer.
TEST_F(HomePaths, JoinedPathsAreThePrintedOnesAtEveryBound) {
  struct Pair {
    const char* format;  // the printed name, with the name's one %s
    bool (*build)(char*, size_t, const char*);
  } pairs[] = {{"osd/%s.png", SkinImagePath},
               {"fonts/%s", HomeFontPath},
               {"messages_%s.txt", CataloguePath},
               {"scripts/%s", ScriptPath}};
  for (const Pair& pair : pairs) {
    SCOPED_TRACE(pair.format);
    for (size_t home : {2u, 40u, 255u}) {
      SetHome(home);
      for (size_t length = 230; length <= 262; ++length) {
        const std::string name(length, 'n');
        for (size_t size : {256u, 600u}) {
          char joined[600], printed[600];
          std::memset(joined, '#', sizeof joined);
          std::memset(printed, '#', sizeof printed);
          const bool built = pair.build(joined, size, name.c_str());
          ASSERT_EQ(built, PrintedPath(printed, size, pair.format, name.c_str())) << home << " " << length << " " << size;
          ASSERT_STREQ(joined, printed);
          for (size_t i = size; i < sizeof joined; ++i) ASSERT_EQ(joined[i], '#') << i;
        }
      }
    }
  }
}

// The bitmap fonts' images, named by their number, likewise.
TEST_F(HomePaths, FontImagePathsAreThePrintedOnesAtEveryBound) {
  for (int font_id : {32, 118, 218, -7, 2147483647}) {
    for (size_t home = 220; home <= 255; ++home) {
      SetHome(home);
      for (size_t size : {256u, 600u}) {
        char joined[600], printed[600];
        const bool built = FontImagePath(joined, size, font_id);
        ASSERT_EQ(built, PrintedPath(printed, size, "fonts/font%s.png", std::to_string(font_id).c_str()))
            << font_id << " " << home;
        ASSERT_STREQ(joined, printed);
      }
    }
  }
}

// A home field without its terminator (the record as a damaged file gives
// it) is read to the field's end, never past it.
TEST_F(HomePaths, AHomeFieldWithoutItsTerminatorIsReadToItsEnd) {
  SetHome(sizeof settings.home_dir + 1);  // every byte a path byte
  char buffer[600];
  ASSERT_TRUE(HomePath(buffer, sizeof buffer, "recolyx.cfg"));
  EXPECT_EQ(std::strlen(buffer), sizeof settings.home_dir + std::strlen("recolyx.cfg"));
  EXPECT_STREQ(buffer + sizeof settings.home_dir, "recolyx.cfg");
  EXPECT_FALSE(HomePath(buffer, sizeof settings.home_dir + 11, "recolyx.cfg"));  // one byte short
  EXPECT_EQ(buffer[0], '\0');
}

// Every image of the build's skin is a name the check knows, and the other
// way round: a new image joins the check by joining the list.
TEST(HomePathNames, TheSkinListIsTheSkinFolder) {
  std::set<std::string> files;
  DIR* folder = opendir((display_test::BuildHome() + "/osd").c_str());
  ASSERT_NE(folder, nullptr);
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) files.insert(name.substr(0, name.size() - 4));
  }
  closedir(folder);
  EXPECT_EQ(files, std::set<std::string>(std::begin(kSkinImages), std::end(kSkinImages)));
}

}  // namespace
