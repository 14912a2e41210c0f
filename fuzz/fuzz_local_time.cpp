// LocalTime over any system-clock time and the three zones: every field it
// rewrites stays in its range, and a time localtime cannot break down reads
// as a clock that is not set.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "supervision/local_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t raw = 0;
  if (size > 0) std::memcpy(&raw, data, size < sizeof raw ? size : sizeof raw);
  time_t clock = static_cast<time_t>(raw);
  for (const TimeZone& zone : TimeZones) {
    struct tm out;
    LocalTimeAt(clock, zone.standard, zone.summer, &out);
    if (out.tm_hour < 0 || out.tm_hour > 23 || out.tm_mday < 1 || out.tm_mday > 31 ||
        out.tm_mon < 0 || out.tm_mon > 11 || out.tm_wday < 0 || out.tm_wday > 6)
      if (!(out.tm_mday == 0 && out.tm_year == 0)) std::abort();  // the zeroed record
    if (ClockIsSet(out) && (CalendarYear(out) < 2011 || CalendarYear(out) > 3000)) std::abort();
  }
  return 0;
}
