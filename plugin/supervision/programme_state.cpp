#include "supervision/programme_state.h"

#include <cstring>
#include <thread>

PCTime::PTTime host_time;
unsigned char raw_title[2 * kRawTitleUnits];
unsigned int raw_title_length;
char file_title[kTitleTextSize];
char previous_title[kTitleTextSize];
std::atomic<int32_t> title_change_count{0};
std::atomic<int32_t> title_change_window{0};
char name_prefix[256];
std::atomic<int> host_objects_ready{0};
std::atomic<uint32_t> host_clock_sequence{0};
std::atomic<int32_t> host_clock_year{0}, host_clock_hour{0}, host_clock_minute{0};

void PublishHostClock(int32_t year, int32_t hour, int32_t minute) {
  host_clock_sequence.fetch_add(1, std::memory_order_relaxed);  // odd: being written
  std::atomic_thread_fence(std::memory_order_release);
  host_clock_year.store(year, std::memory_order_relaxed);
  host_clock_hour.store(hour, std::memory_order_relaxed);
  host_clock_minute.store(minute, std::memory_order_relaxed);
  host_clock_sequence.fetch_add(1, std::memory_order_release);  // even: complete
}

HostClock ReadHostClock() {
  // The writer's copy is five stores; a reader that keeps meeting it lets the
  // writer's thread run (it may have been preempted halfway on one core).
  constexpr int kSpins = 8;
  constexpr int kAttempts = 1000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt >= kSpins) std::this_thread::yield();
    const uint32_t before = host_clock_sequence.load(std::memory_order_acquire);
    if (before & 1u) continue;
    HostClock clock{host_clock_year.load(std::memory_order_relaxed),
                    host_clock_hour.load(std::memory_order_relaxed),
                    host_clock_minute.load(std::memory_order_relaxed)};
    std::atomic_thread_fence(std::memory_order_acquire);
    if (host_clock_sequence.load(std::memory_order_relaxed) == before) return clock;
  }
  return {0, 0, 0};
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
