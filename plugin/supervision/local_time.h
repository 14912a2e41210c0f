// The plug-in's own small zone model: three zones with European summer time.
// LocalTime turns the TV's system clock (UTC on the set) into the local date
// and time of the zone the user chose.
#pragma once

#include <ctime>

struct TimeZone {
  const char* name;  // as the toolbox shows it
  int standard;      // offset in hours
  int summer;        // offset in hours during summer time
};

inline constexpr int kTimeZoneCount = 3;
extern const TimeZone TimeZones[kTimeZoneCount];

// Month lengths by month number 1..12 (entry 0 unused); February of a leap
// year is taken as 29 by the calculation, the table itself never changes.
extern const int DaysInMonth[13];

// The system clock broken down by localtime, moved to the zone with the given
// offsets. The record belongs to the calling thread and is overwritten by its
// next call. tm_min and tm_sec stay as the clock gives them; tm_yday and
// tm_isdst are not maintained.
struct tm* LocalTime(int standard, int summer);

// The same for a given clock time, into `out` (returned). A time that
// localtime cannot break down gives a zeroed record (year 1900: not set).
struct tm* LocalTimeAt(time_t clock, int standard, int summer, struct tm* out);

// Moves a broken-down system-clock time to the zone: summer time from the last
// Sunday of March to the last Sunday of October, switching at hour 1 of the
// system clock (01:00 UTC on the set).
void ShiftToZone(struct tm* time, int standard, int summer);

// The calendar year of a record: tm_year, plus 1900 when below 1900.
long long CalendarYear(const struct tm& time);

// Callers take a year outside 2011..3000 for a clock that is not set.
bool ClockIsSet(const struct tm& time);
