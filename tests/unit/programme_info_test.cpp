// The name prefix and the programme-change watch, with the simulated clock
// set to chosen dates and a programme guide serving titles.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "utc_time.h"

#include "guide_script.h"
#include "settings/settings_record.h"
#include "sim/platform/sim_time.h"
#include "supervision/programme_info.h"
#include "supervision/supervision_state.h"

namespace {

// The plug-in asks the guide as it stands now.
int RefreshFromGuide() {
  ApplyGuide();
  return RefreshProgrammeInfo();
}

class ProgrammeInfo : public ::testing::Test {
 protected:
  void SetUp() override {
    DefaultSettings(&settings);
    settings.name_mode = 1;
    settings.time_zone = 1;
    settings.clock_source = 0;
    Guide() = GuideScript{};
    title_change_count = 0;
    title_change_window = 0;
    file_title[0] = previous_title[0] = '\0';
    segment_number = 0;
  }
  void TearDown() override { sim_clock_reset(); }

  // Runs the clock from the given UTC time.
  void ClockAt(int64_t utc) { sim_clock_set(utc, 1.0); }
};

TEST_F(ProgrammeInfo, PrefixFromLocalTimeAndTitle) {
  ClockAt(Utc(2024, 3, 7, 19, 15));
  Guide().title = u"Das Boot";
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_STREQ(name_prefix, "2024-03-07_20-15_Das_Boot_");

  settings.name_mode = 2;
  Guide().title = u"\u00C4rger: Teil 2/3";
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_STREQ(name_prefix, "2024-03-07_20-15_\xC3\x84rger_ Teil 2_3_");

  Guide().title = u"";  // an empty title: two underscores
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_STREQ(name_prefix, "2024-03-07_20-15__");
}

TEST_F(ProgrammeInfo, BroadcastClockWhenChosenOrWhenTheSystemClockIsUnset) {
  Guide().title = u"News";
  Guide().broadcast[0] = 2030, Guide().broadcast[1] = 12, Guide().broadcast[2] = 31;
  Guide().broadcast[3] = 23, Guide().broadcast[4] = 59;
  ClockAt(Utc(2024, 7, 1, 10, 0));
  settings.clock_source = 1;
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_STREQ(name_prefix, "2030-12-31_23-59_News_");

  settings.clock_source = 0;
  ClockAt(Utc(2001, 1, 1, 0, 0));  // system clock not set: the broadcast time stays
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_STREQ(name_prefix, "2030-12-31_23-59_News_");

  Guide().broadcast[0] = 0;  // neither clock set
  EXPECT_EQ(RefreshFromGuide(), 0);
  EXPECT_STREQ(name_prefix, "_");
}

TEST_F(ProgrammeInfo, WithoutChannelOrProgrammeOnlyTheDate) {
  ClockAt(Utc(2024, 10, 27, 0, 30));  // summer time still: 02:30
  Guide().title = u"Kept";
  ASSERT_EQ(RefreshFromGuide(), 1);
  Guide().has_programme = false;
  Guide().title = u"Other";
  EXPECT_EQ(RefreshFromGuide(), 0);
  EXPECT_STREQ(name_prefix, "2024-10-27_02-30_");
  EXPECT_STREQ(file_title, "Kept");  // the title is left as it was
  Guide().has_channel = false;
  EXPECT_EQ(RefreshFromGuide(), 0);
  EXPECT_STREQ(name_prefix, "2024-10-27_02-30_");
}

TEST_F(ProgrammeInfo, ChangeOfProgrammeIsConfirmedOnTheThirdCheck) {
  int64_t start = Utc(2024, 5, 5, 20, 0);
  rec_start_time = static_cast<uint32_t>(start);
  ClockAt(start);
  Guide().title = u"News";
  RefreshFromGuide();
  // 20 seconds in: not counted, and "Film" becomes the title compared against.
  ClockAt(start + 20);
  Guide().title = u"Film";
  RefreshFromGuide();
  EXPECT_EQ(title_change_count.load(), 0);
  ClockAt(start + 60);
  RefreshFromGuide();
  EXPECT_EQ(title_change_count.load(), 0);
  EXPECT_STREQ(previous_title, "Film");

  Guide().title = u"Late show";
  for (int check = 1; check <= 3; ++check) {
    ClockAt(start + 60 + check);
    RefreshFromGuide();
    EXPECT_EQ(title_change_count.load(), check);
  }
  EXPECT_STREQ(previous_title, "Film");
  RefreshFromGuide();
  EXPECT_EQ(title_change_count.load(), 3);  // stays until the tick acts on it
}

TEST_F(ProgrammeInfo, SuspectedChangeLapsesAfterSevenChecks) {
  int64_t start = Utc(2024, 5, 5, 20, 0);
  rec_start_time = static_cast<uint32_t>(start);
  ClockAt(start);  // the recording's first title, as recording start takes it
  Guide().title = u"A";
  RefreshFromGuide();
  ClockAt(start + 100);
  Guide().title = u"B";
  RefreshFromGuide();  // count 1, window 1
  Guide().title = u"A";    // back to the old title: no further count
  for (int check = 2; check <= 6; ++check) {
    RefreshFromGuide();
    EXPECT_EQ(title_change_count.load(), 1);
  }
  RefreshFromGuide();  // window 7 > 6: forgotten
  EXPECT_EQ(title_change_count.load(), 0);
  EXPECT_EQ(title_change_window.load(), 0);
}

TEST_F(ProgrammeInfo, LongTitlesAreCutAndNotTakenForAChange) {
  rec_start_time = static_cast<uint32_t>(Utc(2024, 5, 5, 21, 0));
  ClockAt(Utc(2024, 5, 5, 21, 0));
  Guide().title = std::u16string(300, u'x');  // more units than the title holds
  EXPECT_EQ(RefreshFromGuide(), 1);
  ClockAt(Utc(2024, 5, 5, 21, 5));
  EXPECT_EQ(std::strlen(file_title), 100u);
  EXPECT_EQ(std::string(name_prefix), "2024-05-05_23-00_" + std::string(100, 'x') + "_");
  EXPECT_EQ(RefreshFromGuide(), 1);
  EXPECT_EQ(std::string(name_prefix), "2024-05-05_23-05_" + std::string(100, 'x') + "_");
  for (int i = 0; i < 4; ++i) RefreshFromGuide();
  EXPECT_EQ(title_change_count.load(), 0);
}

// UTF-8 names: the 100-byte cut never leaves half a character in the title
// or the prefix.
TEST_F(ProgrammeInfo, Utf8TitleIsCutAtACharacter) {
  settings.name_mode = 2;
  ClockAt(Utc(2024, 5, 5, 21, 0));
  Guide().title = u"xy" + std::u16string(80, u'\u4E2D');  // 2 + 240 bytes
  EXPECT_EQ(RefreshFromGuide(), 1);
  std::string cut = "xy";
  for (int i = 0; i < 32; ++i) cut += "\xE4\xB8\xAD";
  EXPECT_EQ(std::string(file_title), cut);  // 98 bytes: the 33rd would end at byte 101
  Guide().title = u"x" + std::u16string(80, u'\u00E4');  // 1 + 160 bytes
  EXPECT_EQ(RefreshFromGuide(), 1);
  cut = "x";
  for (int i = 0; i < 49; ++i) cut += "\xC3\xA4";
  EXPECT_EQ(std::string(file_title), cut);  // 99 bytes
  EXPECT_EQ(std::string(name_prefix), "2024-05-05_23-00_" + cut + "_");
}

}  // namespace
