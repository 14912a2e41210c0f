#include "supervision/programme_state.h"

#include <cstring>

PCTime::PTTime host_time;
unsigned char raw_title[2 * kRawTitleUnits];
unsigned int raw_title_length;
char file_title[kTitleTextSize];
char previous_title[kTitleTextSize];
std::atomic<int32_t> title_change_count{0};
std::atomic<int32_t> title_change_window{0};
char name_prefix[256];
std::atomic<int> host_objects_ready{0};
std::atomic<uint32_t> host_clock{0};

namespace {
// Year in bits 11 and up, hour in bits 6..10, minute in bits 0..5.
constexpr int kYearShift = 11;
constexpr int kHourShift = 6;
constexpr uint32_t kMinuteMask = 0x3F;
constexpr uint32_t kHourMask = 0x1F;
}  // namespace

void PublishHostClock(int32_t year, int32_t hour, int32_t minute) {
  const bool valid = year > 0 && year <= kHostClockLastYear && hour >= 0 && hour <= 23 &&
                     minute >= 0 && minute <= 59;
  const uint32_t word = valid ? static_cast<uint32_t>(year) << kYearShift |
                                    static_cast<uint32_t>(hour) << kHourShift |
                                    static_cast<uint32_t>(minute)
                              : 0;
  host_clock.store(word, std::memory_order_relaxed);
}

HostClock ReadHostClock() {
  const uint32_t word = host_clock.load(std::memory_order_relaxed);
  return {static_cast<int32_t>(word >> kYearShift), static_cast<int32_t>(word >> kHourShift & kHourMask),
          static_cast<int32_t>(word & kMinuteMask)};
}

void ResetProgrammeState() {
  title_change_count.store(0, std::memory_order_relaxed);
  title_change_window.store(0, std::memory_order_relaxed);
  std::memset(&host_time, 0, sizeof host_time);
  PublishHostClock(0, 0, 0);
  std::memset(raw_title, 0, sizeof raw_title);
  raw_title_length = 0;
  file_title[0] = '\0';
  previous_title[0] = '\0';
  name_prefix[0] = '\0';
}
