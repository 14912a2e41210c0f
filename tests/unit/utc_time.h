// Seconds of the system clock for a UTC date and time.
#pragma once

#include <ctime>

inline time_t Utc(int year, int month, int day, int hour, int minute, int second = 0) {
  struct tm broken{};
  broken.tm_year = year - 1900;
  broken.tm_mon = month - 1;
  broken.tm_mday = day;
  broken.tm_hour = hour;
  broken.tm_min = minute;
  broken.tm_sec = second;
  return timegm(&broken);
}
