// Home folders too long for some of their files: the check at init_config,
// its line in the debug log, the box the settings screen shows, and the
// files that still fit. The fixture's home folder is named at an exact
// length by "./" steps, so every length reaches the same files.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "display/debug_log.h"
#include "display/skin.h"
#include "notices_test_support.h"
#include "sandbox_fixture.h"
#include "settings/entry_points.h"
#include "settings/script_state.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"
#include "settings/toolbox_state.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The box's image: solid magenta, so that a flip shows where it was copied.
constexpr int kBoxWidth = 400, kBoxHeight = 100;
constexpr int kBoxX = (kOsdWidth - kBoxWidth) / 2 + 1, kBoxY = (kOsdHeight - kBoxHeight) / 2;

class HomeFolderTest : public NoticeScreenTest {
 protected:
  void SetUp() override {
    TestSandbox();
    NoticeScreenTest::SetUp();
    log_ = sim::SandboxPath(kDebugLogPath);
    unlink(log_.c_str());
    WriteImage("osd/warnbox.png", Solid(kBoxWidth, kBoxHeight, 255, 0, 255));
    ASSERT_EQ(mkdir((home_ + "/scripts").c_str(), 0755), 0);
    std::ofstream(home_ + "/scripts/source.sh") << "#!/bin/sh\n";
    ASSERT_EQ(chmod((home_ + "/scripts/source.sh").c_str(), 0755), 0);
    sim::ObserveFlips([this](const uint8_t*, const uint8_t* overlay) { RecordFlip(overlay); });
  }
  void TearDown() override {
    sim::ObserveFlips({});
    // Back to the fixture's own short home folder.
    SettingsRecord record;
    FillRecord(&record);
    std::snprintf(record.home_dir, sizeof record.home_dir, "%s/", home_.c_str());
    init_config(&record);
    toolbox_open = 0;
    unlink(log_.c_str());
    NoticeScreenTest::TearDown();
  }

  // The fixture's home folder named by exactly `length` bytes ("/" last).
  std::string HomeOfLength(size_t length) const {
    std::string home = home_ + "/";
    while (home.size() + 2 <= length) home += "./";
    if (home.size() < length) home += "/";
    return home;
  }

  static void FillRecord(SettingsRecord* record) {
    DefaultSettings(record);
    record->osd_opacity = 100;
    record->image_alpha_percent = 80;
    record->show_notices = 1;
    record->recorder_value = 0;
  }

  // init_config with home_dir set to `home`, which fills the field without
  // a terminator when it is 256 bytes long.
  void InitWithHome(const std::string& home) {
    SettingsRecord record;
    FillRecord(&record);
    std::memset(record.home_dir, 0, sizeof record.home_dir);
    std::memcpy(record.home_dir, home.data(), std::min(home.size(), sizeof record.home_dir));
    init_config(&record);
    // Nothing beyond the home folder's field moved.
    EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(&settings) + 260,
                          reinterpret_cast<const char*>(&record) + 260, kSettingsRecordSize - 260),
              0);
  }

  std::string Log() const { return ReadAll(log_); }

  // Counts the flips that showed the box (mostly magenta) with text on it.
  void RecordFlip(const uint8_t* overlay) {
    int box = 0, other = 0;
    for (int y = kBoxY; y < kBoxY + kBoxHeight; ++y)
      for (int x = kBoxX; x < kBoxX + kBoxWidth; ++x) {
        const uint8_t* p = overlay + (y * kOsdWidth + x) * 4;
        (p[0] == 255 && p[1] == 0 && p[2] == 255 && p[3] == 255 ? box : other) += 1;
      }
    if (box > kBoxWidth * kBoxHeight / 2 && other > 50) ++box_flips_;
  }
  int BoxFlips() { return box_flips_.exchange(0); }

  std::string log_;
  std::atomic<int> box_flips_{0};
};

// Each length is checked once, at init_config: up to 233 bytes every file
// is within the 256-byte paths (the longest names below the home folder,
// "osd/icon_leftright.png" and the toolbox's, have 22 bytes); from 234 on
// one line says how long the home folder is, how long it may be, and the
// first file out of reach. The files that still fit keep working, those
// that do not are left alone, and nothing is written past a buffer.
TEST_F(HomeFolderTest, EveryLengthIsCheckedOnceAndWhatFitsStillWorks) {
  telnet_running = 1;
  struct Case {
    size_t length;
    const char* line;  // the log line, or null
    bool saves, binds, skin, script;
  };
  const Case cases[] = {
      {232, nullptr, true, true, true, true},
      {233, nullptr, true, true, true, true},
      {234, "234 bytes, at most 233 reach every file; osd/icon_leftright.png and more", true, true, true, true},
      {238, "238 bytes, at most 233 reach every file; osd/button_focus.png and more", true, true, true, true},
      {244, "244 bytes, at most 233 reach every file; osd/bar_free.png and more", true, true, false, false},
      {245, "245 bytes, at most 233 reach every file; osd/bar_free.png and more", false, true, false, false},
      {255, "255 bytes, at most 233 reach every file; osd/bar_free.png and more", false, false, false, false},
      // Not terminated in its field: read as its first 255 bytes.
      {256, "255 bytes, at most 233 reach every file; osd/bar_free.png and more", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    unlink(log_.c_str());
    unlink((home_ + "/recolyx.cfg").c_str());
    std::string home = HomeOfLength(c.length);
    ASSERT_EQ(home.size(), c.length);
    InitWithHome(home);
    EXPECT_EQ(std::strlen(settings.home_dir), std::min<size_t>(c.length, 255));
    // The build's version comes first, whatever the home folder.
    const std::string line = std::string("Recolyx " RECOLYX_VERSION " started\n") +
                             (c.line != nullptr ? std::string("Home folder path too long: ") + c.line +
                                                      " out of reach\n"
                                                : "");
    EXPECT_EQ(Log(), line);

    telnet_running = 1;
    EXPECT_EQ(SaveSettings(), c.saves ? 1 : 0);
    EXPECT_EQ(access((home_ + "/recolyx.cfg").c_str(), F_OK) == 0, c.saves);
    SDL_Surface* box = LoadSkinImage("warnbox");
    EXPECT_EQ(box != nullptr, c.skin);
    if (box != nullptr) SDL_FreeSurface(box);
    EXPECT_EQ(RunScript("source.sh"), c.script ? 1 : 0);
    OpenOsd();
    EXPECT_EQ(OsdSurface.load() != nullptr, c.binds);
    CloseOsd();
    EXPECT_EQ(Log(), line);  // said once, at init_config
  }
}

// From 234 bytes the settings screen's frame, header and footer are out of
// reach: instead of a screen without them and nothing said, the box comes
// first, with its text, the first time the screen opens after init_config.
TEST_F(HomeFolderTest, TheSettingsScreenShowsTheBoxOnceWhenTheHomeFolderIsTooLong) {
  InitWithHome(HomeOfLength(234));
  BoxFlips();
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(BoxFlips(), 1);     // the box with text 105 on it
  EXPECT_GT(DrawnPixels(), 0);  // then the screen, with what it can reach
  CloseToolbox(0);
  EXPECT_EQ(setup(), 45);  // once
  EXPECT_EQ(BoxFlips(), 0);
  CloseToolbox(0);

  InitWithHome(HomeOfLength(233));  // fits: no box
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(BoxFlips(), 0);
  CloseToolbox(0);

  InitWithHome(HomeOfLength(239));  // armed again by init_config
  EXPECT_EQ(setup(), 45);
  EXPECT_EQ(BoxFlips(), 1);
  CloseToolbox(0);
}

}  // namespace
}  // namespace display_test
