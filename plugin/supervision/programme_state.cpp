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

void ResetProgrammeState() {
  title_change_count.store(0, std::memory_order_relaxed);
  title_change_window.store(0, std::memory_order_relaxed);
  std::memset(&host_time, 0, sizeof host_time);
  std::memset(raw_title, 0, sizeof raw_title);
  raw_title_length = 0;
  file_title[0] = '\0';
  previous_title[0] = '\0';
  name_prefix[0] = '\0';
}
