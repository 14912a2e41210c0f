// The host's clock as the stop-timer line reads it on the key thread while
// the tick refreshes host_time on SDL's timer thread: every reading is one
// whole refresh, never the hour of one with the minute of another nor the
// half-written record. Meant for ThreadSanitizer as much as for the checks.
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "guide_script.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "sim/platform/sim_time.h"
#include "stress_rounds.h"
#include "supervision/programme_info.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices.h"
#include "supervision/supervision_state.h"
#include "utc_time.h"

namespace {

// The published word alone: a writer publishing triples that belong
// together (hour and minute follow from the year) against a reader checking
// each.
TEST(HostClockConcurrent, AReaderNeverMixesTwoCopies) {
  PublishHostClock(0, 0, 0);
  std::atomic<bool> done{false};
  int32_t published = 0;
  std::thread writer([&] {
    StressRounds rounds(20000, 200000, 1000);
    for (; rounds.Due(published); ++published) {
      const int32_t year = 2011 + published % 989;
      PublishHostClock(year, year % 24, year % 60);
    }
    done.store(true);
  });
  long readings = 0, mixed = 0;
  while (!done.load() || readings < 1000) {
    const HostClock clock = ReadHostClock();
    if (clock.hour != clock.year % 24 || clock.minute != clock.year % 60) ++mixed;
    ++readings;
  }
  writer.join();
  EXPECT_EQ(mixed, 0) << "of " << readings << " readings";
  const HostClock last = ReadHostClock();
  EXPECT_EQ(last.year, 2011 + (published - 1) % 989);
  PublishHostClock(0, 0, 0);
}

// What a refresh can leave in the record besides a clock: the host's first
// call writes the seconds over the year, a guide without a time leaves
// zeros. Neither is read back as a time of day.
TEST(HostClock, ARecordOutOfRangeIsPublishedAsNoClock) {
  PublishHostClock(2024, 23, 59);
  EXPECT_EQ(ReadHostClock().year, 2024);
  EXPECT_EQ(ReadHostClock().hour, 23);
  EXPECT_EQ(ReadHostClock().minute, 59);
  for (const auto& [year, hour, minute] :
       {std::tuple{1733913600, 5, 7}, {-2024, 5, 7}, {3001, 5, 7}, {2024, 24, 0}, {2024, -1, 0},
        {2024, 5, 60}, {2024, 5, -1}}) {
    PublishHostClock(year, hour, minute);
    const HostClock clock = ReadHostClock();
    EXPECT_EQ(clock.year, 0) << year << " " << hour << ":" << minute;
    EXPECT_EQ(clock.hour, 0);
    EXPECT_EQ(clock.minute, 0);
  }
  PublishHostClock(3000, 0, 0);
  EXPECT_EQ(ReadHostClock().year, 3000);
  PublishHostClock(0, 0, 0);
}

class HostClockLine : public ::testing::Test {
 protected:
  void SetUp() override {
    DefaultSettings(&settings);
    settings.clock_source = 1;  // the host's (broadcast) clock
    settings.name_mode = 1;
    Guide() = GuideScript{};
    Guide().title = u"Race";
    ResetRunTimeState();
  }
  void TearDown() override {
    ResetRunTimeState();
    host_objects_ready = 0;  // the reset leaves it: it stays 1 for the library's life
    DefaultSettings(&settings);
    sim::UnsetBroadcastTime();
  }
};

// The real writer and reader: RefreshProgrammeInfo with the broadcast clock
// alternating between 10:00 and 21:59 against the stop-timer line with no
// minutes left, which shows the clock's time as it is.
TEST_F(HostClockLine, ConcurrentRefreshAndStopTimerLineShowOneWholeTime) {
  ApplyGuide();
  const time_t morning = Utc(2030, 5, 1, 10, 0, 1), evening = Utc(2030, 5, 1, 21, 59, 1);
  sim::SetBroadcastTime(morning);
  ASSERT_EQ(RefreshProgrammeInfo(), 1);
  ASSERT_EQ(host_objects_ready.load(), 1);
  const time_t now = 100000;
  stop_timer = 90;
  stop_time = static_cast<uint32_t>(now);  // 0 minutes left: the ending time is the clock's

  std::atomic<bool> done{false};
  std::thread tick([&] {
    StressRounds rounds(150, 1500);
    for (int round = 0; rounds.Due(round); ++round) {
      sim::SetBroadcastTime(evening);
      RefreshProgrammeInfo();
      sim::SetBroadcastTime(morning);
      RefreshProgrammeInfo();
    }
    done.store(true);
  });
  long lines = 0, morning_lines = 0, evening_lines = 0;
  std::string odd;
  while (!done.load() || lines < 100) {
    char text[kStopTimerTextSize];
    BuildStopTimerText(text, sizeof text, now);
    const std::string line = text;
    if (line == " +0min (10:00) ") ++morning_lines;
    else if (line == " +0min (21:59) ") ++evening_lines;
    else if (odd.empty()) {
      const HostClock clock = ReadHostClock();
      odd = line + " (clock now " + std::to_string(clock.year) + " " + std::to_string(clock.hour) + ":" +
            std::to_string(clock.minute) + ", ready " + std::to_string(host_objects_ready.load()) + ")";
    }
    ++lines;
  }
  tick.join();
  EXPECT_EQ(odd, "") << "a line of neither refresh, among " << lines;
  EXPECT_GT(morning_lines + evening_lines, 0);
  char text[kStopTimerTextSize];
  BuildStopTimerText(text, sizeof text, now);
  EXPECT_STREQ(text, " +0min (10:00) ");  // the last refresh was the morning's
}

}  // namespace
