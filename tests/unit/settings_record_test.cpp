// The settings record's defaults and the settings file.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/extra_settings.h"
#include "settings/settings_record.h"

namespace {

namespace fs = std::filesystem;

std::vector<char> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
  std::vector<char> bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

// A home folder path of exactly `length` bytes, ending in "/", below base:
// folders of at most 101 bytes each, as real file systems allow.
std::string DeepHome(const std::string& base, size_t length) {
  std::string home = base + "/";
  while (length - home.size() > 120) home += std::string(100, 'd') + "/";
  home += std::string(length - home.size() - 1, 'e') + "/";
  return home;
}

std::vector<char> RecordBytes() {
  const char* bytes = reinterpret_cast<const char*>(&settings);
  return {bytes, bytes + kSettingsRecordSize};
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_.resize(kSettingsRecordSize);
    std::memcpy(saved_.data(), static_cast<const void*>(&settings), kSettingsRecordSize);
    folder_ = fs::temp_directory_path() /
              ("recolyx-settings-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    SetHome(folder_.string() + "/");
  }
  void TearDown() override {
    std::memcpy(static_cast<void*>(&settings), saved_.data(), kSettingsRecordSize);
    fs::remove_all(folder_);
  }
  void SetHome(const std::string& home) {
    std::memset(settings.home_dir, 0, sizeof settings.home_dir);
    std::memcpy(settings.home_dir, home.data(), std::min(home.size(), sizeof settings.home_dir));
  }
  // Runs SaveSettings in a child whose files may not grow past limit bytes,
  // as on a disk that fills during the write.
  int SaveWithFileLimit(rlim_t limit) {
    pid_t child = fork();
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit rl{limit, limit};
      setrlimit(RLIMIT_FSIZE, &rl);
      _exit(SaveSettings());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::vector<char> saved_;
  fs::path folder_;
};

TEST(SettingsRecordTest, DefaultsAreTheFactorySettings) {
  SettingsRecord record;
  std::memset(static_cast<void*>(&record), 0x5a, sizeof record);
  DefaultSettings(&record);
  EXPECT_EQ(record.language, 18);
  EXPECT_STREQ(record.dest1.name, "Auto");
  EXPECT_EQ(record.dest1.index, 0);
  EXPECT_EQ(record.dest1.fixed, 1);
  EXPECT_EQ(std::memcmp(&record.dest1, &record.dest2, sizeof(DeviceEntry)), 0);
  EXPECT_EQ(record.home_dir[0], '\0');
  EXPECT_EQ(record.osd_opacity, 100);
  EXPECT_EQ(record.time_zone, 1);
  EXPECT_EQ(record.split_mode, 1);
  EXPECT_EQ(record.key74_action, 2);
  EXPECT_EQ(record.recorder_value, 9216 * 188);
  EXPECT_EQ(record.image_alpha_percent, 80);
  EXPECT_EQ(record.event_variant, 1);
  EXPECT_EQ(record.key_object, 0u);
  // The unused tail of every text field is zero, as in a saved file.
  for (char c : record.dest1.mount) EXPECT_EQ(c, '\0');
  EXPECT_EQ(settings_block.video_muted, 1);
}

TEST_F(SettingsFile, SaveWritesExactlyTheRecord) {
  settings.osd_opacity = 40;
  settings.split_mode = 4;
  std::strcpy(settings.dest2.product, "Stick");
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), RecordBytes());
  EXPECT_FALSE(fs::exists(folder_ / "recolyx.tmp"));

  // A second save replaces the first.
  settings.osd_opacity = 70;
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), RecordBytes());
}

TEST_F(SettingsFile, FailedWritesKeepThePreviousFile) {
  settings.osd_opacity = 30;
  ASSERT_EQ(SaveSettings(), 1);
  std::vector<char> good = ReadFile(folder_ / "recolyx.cfg");

  settings.osd_opacity = 90;
  // The disk fills after 100 bytes, and after none at all.
  EXPECT_EQ(SaveWithFileLimit(100), 0);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), good);
  EXPECT_EQ(SaveWithFileLimit(0), 0);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), good);
  EXPECT_FALSE(fs::exists(folder_ / "recolyx.tmp"));

  // Something at the temporary name that cannot be removed (a folder).
  fs::create_directory(folder_ / "recolyx.tmp");
  EXPECT_EQ(SaveSettings(), 0);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), good);
  EXPECT_TRUE(fs::is_directory(folder_ / "recolyx.tmp"));
  fs::remove(folder_ / "recolyx.tmp");

  // The settings file cannot be replaced: a folder stands in its way.
  fs::remove(folder_ / "recolyx.cfg");
  fs::create_directory(folder_ / "recolyx.cfg");
  EXPECT_EQ(SaveSettings(), 0);
  EXPECT_TRUE(fs::is_directory(folder_ / "recolyx.cfg"));
  EXPECT_FALSE(fs::exists(folder_ / "recolyx.tmp"));
}

// Links left at the temporary name are removed, never written through: the
// files they name keep their bytes, and the save still succeeds.
TEST_F(SettingsFile, LinksAtTheTemporaryNameAreNotWrittenThrough) {
  const fs::path temporary = folder_ / "recolyx.tmp";
  const fs::path victim = folder_ / "victim";
  WriteFile(victim, "precious");

  fs::create_symlink(victim, temporary);
  settings.osd_opacity = 10;
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_EQ(ReadText(victim), "precious");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder_ / "recolyx.cfg")));
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), RecordBytes());
  EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));

  // A link to a file that does not exist yet creates nothing there.
  fs::create_symlink(folder_ / "planted", temporary);
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_FALSE(fs::exists(folder_ / "planted"));

  // A link to the settings file itself: it stays a plain file with the record.
  fs::create_symlink(folder_ / "recolyx.cfg", temporary);
  settings.osd_opacity = 20;
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder_ / "recolyx.cfg")));
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), RecordBytes());

  fs::create_hard_link(victim, temporary);
  settings.osd_opacity = 30;
  ASSERT_EQ(SaveSettings(), 1);
  EXPECT_EQ(ReadText(victim), "precious");
  EXPECT_EQ(fs::hard_link_count(victim), 1u);
  EXPECT_EQ(fs::hard_link_count(folder_ / "recolyx.cfg"), 1u);
  EXPECT_EQ(ReadFile(folder_ / "recolyx.cfg"), RecordBytes());
  EXPECT_FALSE(fs::exists(fs::symlink_status(temporary)));
}

// Every home folder whose settings path fits the 256-byte path buffer saves
// (up to 244 bytes: 244 + "recolyx.cfg" + the terminator); a longer one keeps
// the old file and writes nothing, up to a home_dir that fills all 256 bytes
// with its terminator.
TEST_F(SettingsFile, EveryHomeFolderWhosePathFitsSaves) {
  for (size_t length = 240; length <= 255; ++length) {
    SCOPED_TRACE(length);
    std::string home = DeepHome(folder_.string(), length);
    ASSERT_EQ(home.size(), length);
    fs::create_directories(home);
    WriteFile(home + "recolyx.cfg", "old");
    SetHome(home);
    settings.osd_opacity = static_cast<int32_t>(length % 100);
    bool fits = length + std::strlen("recolyx.cfg") < 256;
    EXPECT_EQ(SaveSettings(), fits ? 1 : 0);
    if (fits)
      EXPECT_EQ(ReadFile(home + "recolyx.cfg"), RecordBytes());
    else
      EXPECT_EQ(ReadText(home + "recolyx.cfg"), "old");
    EXPECT_FALSE(fs::exists(home + "recolyx.tmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(home), fs::directory_iterator()), 1);
  }
}

TEST_F(SettingsFile, UnusableHomeFolderWritesNothing) {
  SetHome(folder_.string() + "/missing/");
  EXPECT_EQ(SaveSettings(), 0);
  EXPECT_FALSE(fs::exists(folder_ / "missing"));

  // A home folder that fills all 256 bytes, with no terminator: the path does
  // not fit, so nothing is written anywhere.
  std::string long_home = folder_.string() + "/" + std::string(300, 'h');
  SetHome(long_home);
  EXPECT_EQ(SaveSettings(), 0);
  EXPECT_TRUE(fs::is_empty(folder_));
}

// ---- The second settings file

// The file's bytes: tag, count (the words' own by default) and words,
// little-endian (as the PC and the set store an int32).
constexpr int32_t kWordsCount = INT32_MIN;
std::string ExtraFile(std::initializer_list<int32_t> words, int32_t count = kWordsCount,
                      const char* tag = "RXE1") {
  std::string bytes(tag, 4);
  if (count == kWordsCount) count = static_cast<int32_t>(words.size());
  bytes.append(reinterpret_cast<const char*>(&count), 4);
  for (int32_t word : words) bytes.append(reinterpret_cast<const char*>(&word), 4);
  return bytes;
}

TEST_F(SettingsFile, SecondFileIsWrittenAsTagCountAndWords) {
  extra_settings.failover = 0;
  ASSERT_EQ(SaveExtraSettings(), 1);
  EXPECT_EQ(ReadText(folder_ / "recolyx_extra.cfg"), std::string("RXE1\x01\0\0\0\0\0\0\0", 12));
  EXPECT_FALSE(fs::exists(folder_ / "recolyx_extra.tmp"));
  EXPECT_FALSE(fs::exists(folder_ / "recolyx.cfg"));  // the record's file is its own
  extra_settings.failover = 1;
  EXPECT_EQ(LoadExtraSettings(), 1);
  EXPECT_EQ(extra_settings.failover.load(), 0);
  DefaultExtraSettings();

  // Saved the record's way: a link at the temporary name is not written
  // through.
  WriteFile(folder_ / "victim", "precious");
  fs::create_symlink(folder_ / "victim", folder_ / "recolyx_extra.tmp");
  ASSERT_EQ(SaveExtraSettings(), 1);
  EXPECT_EQ(ReadText(folder_ / "victim"), "precious");
  EXPECT_EQ(ReadText(folder_ / "recolyx_extra.cfg"), ExtraFile({1}));
}

TEST_F(SettingsFile, SecondFileReadByTheWordsItHasAndTheirRanges) {
  struct Case {
    const char* what;
    std::string bytes;
    int taken;
    int failover;
  };
  const Case cases[] = {
      {"ours", ExtraFile({0}), 1, 0},
      {"a newer file with more settings", ExtraFile({0, 99, -5}), 1, 0},
      {"an older file without the setting", ExtraFile({}), 1, 1},
      {"a value out of range", ExtraFile({7}), 1, 1},
      {"another tag", ExtraFile({0}, kWordsCount, "RXE2"), 0, 1},
      {"cut short", ExtraFile({0}).substr(0, 10), 0, 1},
      {"a word too many", ExtraFile({0}) + "1234", 0, 1},
      {"a negative count", ExtraFile({0}, -2), 0, 1},
      {"a count beyond any file", ExtraFile({0}, 1 << 30), 0, 1},
      {"a long file", ExtraFile({0}) + std::string(5000, '\0'), 0, 1},
      {"empty", "", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(folder_ / "recolyx_extra.cfg", c.bytes);
    extra_settings.failover = 5;
    EXPECT_EQ(LoadExtraSettings(), c.taken);
    EXPECT_EQ(extra_settings.failover.load(), c.failover);
  }
  fs::remove(folder_ / "recolyx_extra.cfg");
  extra_settings.failover = 0;
  EXPECT_EQ(LoadExtraSettings(), 0);
  EXPECT_EQ(extra_settings.failover.load(), 1);
  fs::create_directory(folder_ / "recolyx_extra.cfg");  // not a file
  EXPECT_EQ(LoadExtraSettings(), 0);
  EXPECT_EQ(extra_settings.failover.load(), 1);
}

TEST(HomePathTest, JoinsAndRefusesWhatDoesNotFit) {
  char saved[256];
  std::memcpy(saved, settings.home_dir, sizeof saved);
  std::strcpy(settings.home_dir, "/mtd_rwarea/recolyx/");
  char path[256];
  ASSERT_TRUE(HomePath(path, sizeof path, "osd/toolbox.png"));
  EXPECT_STREQ(path, "/mtd_rwarea/recolyx/osd/toolbox.png");

  char small[24];
  std::memset(small, 'x', sizeof small);
  EXPECT_FALSE(HomePath(small, sizeof small, "osd/toolbox.png"));
  EXPECT_STREQ(small, "");

  std::memset(settings.home_dir, 'd', sizeof settings.home_dir);  // no terminator
  EXPECT_FALSE(HomePath(path, sizeof path, "x"));
  EXPECT_STREQ(path, "");
  std::memcpy(settings.home_dir, saved, sizeof saved);
}

}  // namespace
