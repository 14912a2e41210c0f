#include "supervision/local_time.h"

#include <climits>

const TimeZone TimeZones[kTimeZoneCount] = {
    {"GMT (UTC)", 0, 0},
    {"CET/CEST", 1, 2},
    {"EET/EEST", 2, 3},
};

const int DaysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

namespace {

bool IsLeapYear(long long year) {
  return year % 100 == 0 ? year % 400 == 0 : year % 4 == 0;
}

int MonthLength(int month, bool leap) { return month == 2 && leap ? 29 : DaysInMonth[month]; }

// The offset in force at the given system-clock time. The last Sunday of the
// month has come when no Sunday lies between the day and the month's end.
int OffsetAt(int month, int day, int weekday, int hour, int days, int standard, int summer) {
  bool last_sunday_come = weekday - day + days <= 6;
  bool before_switch_hour = weekday == 0 && hour == 0;
  if (month >= 4 && month <= 9) return summer;
  if (month == 3) {
    if (day + 7 <= days) return standard;
    return last_sunday_come && !before_switch_hour ? summer : standard;
  }
  if (month == 10) {
    if (day + 7 <= days || before_switch_hour) return summer;
    return last_sunday_come ? standard : summer;
  }
  return standard;
}

}  // namespace

long long CalendarYear(const struct tm& time) {
  return time.tm_year < 1900 ? static_cast<long long>(time.tm_year) + 1900 : time.tm_year;
}

bool ClockIsSet(const struct tm& time) {
  long long year = CalendarYear(time);
  return year >= 2011 && year <= 3000;
}

void ShiftToZone(struct tm* time, int standard, int summer) {
  if (standard == 0 && summer == 0) return;
  // A record from localtime always has its fields in range; anything else is
  // left as it is rather than indexing the month table out of bounds.
  if (time->tm_mon < 0 || time->tm_mon > 11 || time->tm_mday < 1 || time->tm_mday > 31) return;
  bool leap = IsLeapYear(CalendarYear(*time));
  int month = time->tm_mon + 1;
  int day = time->tm_mday;
  int weekday = time->tm_wday;
  int days = MonthLength(month, leap);
  int hour = time->tm_hour + OffsetAt(month, day, weekday, time->tm_hour, days, standard, summer);
  if (hour > 23) {
    hour -= 24;
    weekday = (weekday + 1) % 7;
    if (++day > days) {
      day = 1;
      if (++month > 12) {
        month = 1;
        if (time->tm_year < INT_MAX) ++time->tm_year;
      }
    }
  } else if (hour < 0) {
    hour += 24;
    weekday = (weekday + 6) % 7;
    if (--day < 1) {
      if (--month < 1) {
        month = 12;
        if (time->tm_year > INT_MIN) --time->tm_year;
      }
      day = MonthLength(month, leap);
    }
  }
  time->tm_hour = hour;
  time->tm_mday = day;
  time->tm_mon = month - 1;
  time->tm_wday = weekday;
}

struct tm* LocalTimeAt(time_t clock, int standard, int summer, struct tm* out) {
  if (localtime_r(&clock, out) == nullptr) {
    *out = tm{};
    return out;
  }
  ShiftToZone(out, standard, summer);
  return out;
}

struct tm* LocalTime(int standard, int summer) {
  thread_local struct tm record;
  return LocalTimeAt(time(nullptr), standard, summer, &record);
}
