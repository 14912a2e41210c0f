// LocalTime against the system's own time-zone database, hour by hour from
// 2011 to 2037, and the switch-day cases one by one.
#include <cstdlib>
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "utc_time.h"

#include "supervision/local_time.h"

namespace {

// Sets TZ for the test's duration and restores it afterwards.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedZone() {
    if (had_)
      setenv("TZ", saved_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};


struct tm InZone(int zone, time_t clock) {
  ScopedZone utc("UTC0");
  struct tm out;
  LocalTimeAt(clock, TimeZones[zone].standard, TimeZones[zone].summer, &out);
  return out;
}

std::string Text(const struct tm& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d wday %d", CalendarYear(t),
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_wday);
  return text;
}

// Every hour of 2011..2037 in zone `zone` against the database's zone `name`.
// Returns the number of hours that disagree (and reports the first few).
int CompareWithDatabase(int zone, const char* name) {
  const time_t first = Utc(2011, 1, 1, 0, 0), last = Utc(2037, 12, 31, 23, 0);
  const TimeZone& ours = TimeZones[zone];
  int differing = 0;
  ScopedZone database(name);
  for (time_t clock = first; clock <= last; clock += 3600) {
    struct tm system_clock;
    gmtime_r(&clock, &system_clock);  // what localtime gives on a set running on UTC
    struct tm shifted = system_clock;
    ShiftToZone(&shifted, ours.standard, ours.summer);
    struct tm expected;
    localtime_r(&clock, &expected);
    if (shifted.tm_hour != expected.tm_hour || shifted.tm_mday != expected.tm_mday ||
        shifted.tm_mon != expected.tm_mon || shifted.tm_year != expected.tm_year ||
        shifted.tm_wday != expected.tm_wday || shifted.tm_min != expected.tm_min) {
      if (++differing <= 5)
        ADD_FAILURE() << name << " at " << clock << ": " << Text(shifted) << " instead of "
                      << Text(expected);
    }
  }
  return differing;
}

TEST(LocalTime, AgreesWithTheTimeZoneDatabaseEveryHour2011To2037) {
  EXPECT_EQ(CompareWithDatabase(0, "UTC0"), 0);
  EXPECT_EQ(CompareWithDatabase(1, "Europe/Berlin"), 0);
  EXPECT_EQ(CompareWithDatabase(2, "Europe/Helsinki"), 0);
}

TEST(LocalTime, SwitchDaysAndYearEnds) {
  EXPECT_EQ(Text(InZone(1, Utc(2024, 12, 31, 23, 30))), "2025-01-01 00:30 wday 3");
  EXPECT_EQ(Text(InZone(2, Utc(2014, 3, 31, 22, 10))), "2014-04-01 01:10 wday 2");
  EXPECT_EQ(Text(InZone(1, Utc(2012, 3, 25, 0, 40))), "2012-03-25 01:40 wday 0");
  EXPECT_EQ(Text(InZone(1, Utc(2012, 3, 25, 1, 40))), "2012-03-25 03:40 wday 0");
  EXPECT_EQ(Text(InZone(1, Utc(2015, 3, 27, 12, 0))), "2015-03-27 13:00 wday 5");
  EXPECT_EQ(Text(InZone(1, Utc(2024, 10, 27, 0, 30))), "2024-10-27 02:30 wday 0");
  EXPECT_EQ(Text(InZone(1, Utc(2024, 10, 27, 1, 30))), "2024-10-27 02:30 wday 0");
  EXPECT_EQ(Text(InZone(1, Utc(2024, 2, 28, 23, 30))), "2024-02-29 00:30 wday 4");
  EXPECT_EQ(Text(InZone(1, Utc(2023, 2, 28, 23, 30))), "2023-03-01 00:30 wday 3");
  EXPECT_EQ(Text(InZone(0, Utc(2023, 2, 28, 23, 30))), "2023-02-28 23:30 wday 2");
}

TEST(LocalTime, NegativeOffsetsGoBackADay) {
  struct tm clock{};
  clock.tm_year = 2024 - 1900;
  clock.tm_mon = 0;
  clock.tm_mday = 1;
  clock.tm_hour = 0;
  clock.tm_wday = 1;
  ShiftToZone(&clock, -1, -1);
  EXPECT_EQ(Text(clock), "2023-12-31 23:00 wday 0");
  clock = {};
  clock.tm_year = 2024 - 1900;
  clock.tm_mon = 2;
  clock.tm_mday = 1;
  clock.tm_wday = 5;
  ShiftToZone(&clock, -1, -1);
  EXPECT_EQ(Text(clock), "2024-02-29 23:00 wday 4");
}

TEST(LocalTime, UnsetAndExtremeClocks) {
  struct tm out;
  ScopedZone utc("UTC0");
  EXPECT_FALSE(ClockIsSet(*LocalTimeAt(0, 1, 2, &out)));  // 1970
  EXPECT_TRUE(ClockIsSet(*LocalTimeAt(Utc(2011, 1, 1, 0, 0), 1, 2, &out)));
  EXPECT_FALSE(ClockIsSet(*LocalTimeAt(Utc(2010, 12, 31, 22, 0), 0, 0, &out)));
  // A clock localtime cannot break down reads as not set.
  if (sizeof(time_t) == 8) {
    LocalTimeAt(static_cast<time_t>(INT64_MAX), 1, 2, &out);
    EXPECT_FALSE(ClockIsSet(out));
  }
  struct tm* now = LocalTime(TimeZones[1].standard, TimeZones[1].summer);
  ASSERT_NE(now, nullptr);
}

}  // namespace
