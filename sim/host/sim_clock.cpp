#include "sim/host/sim_clock.h"

#include <atomic>
#include <cstdio>

#include "sim/platform/sim_time.h"

namespace sim {
namespace {
std::atomic<time_t> now_offset{0};
}  // namespace

time_t Now() { return time(nullptr) + now_offset.load(std::memory_order_relaxed); }

void SetNowOffset(time_t offset) { now_offset.store(offset, std::memory_order_relaxed); }

time_t NowOffset() { return now_offset.load(std::memory_order_relaxed); }

std::string TvClockText() {
  static std::atomic<int64_t> last_day{INT64_MIN};
  int64_t ns = sim_clock_wall_ns();
  time_t seconds = static_cast<time_t>(ns / 1000000000);
  struct tm utc;
  gmtime_r(&seconds, &utc);
  int64_t day = static_cast<int64_t>(seconds) / 86400;
  char text[48];
  int used = 0;
  if (last_day.exchange(day, std::memory_order_relaxed) != day)
    used = std::snprintf(text, sizeof text, "%04d-%02d-%02d ", utc.tm_year + 1900, utc.tm_mon + 1,
                         utc.tm_mday);
  std::snprintf(text + used, sizeof text - static_cast<size_t>(used), "%02d:%02d:%02d.%03d",
                utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ns % 1000000000 / 1000000));
  return text;
}

std::string TvTimeStartText(double pace, bool parallel, uint64_t shake_seed) {
  char text[160];
  char how[48] = "as fast as the threads allow";
  if (pace > 0) std::snprintf(how, sizeof how, "at most %g times real time", pace);
  std::snprintf(text, sizeof text, "TV time runs %s, %s", how,
                parallel ? "ready threads at once" : "one thread at a time");
  std::string line = text;
  if (shake_seed != 0) line += ", shaken by seed " + std::to_string(shake_seed);
  return line;
}

}  // namespace sim
