#include "supervision/supervision_state.h"

#include <cstdio>

static_assert(sizeof(std::atomic<uint32_t>) == 4);
std::atomic<int> recording_active{0};
std::atomic<int> tick_running{0};
std::atomic<int> tick_stop_state{0};
std::atomic<int> split_in_progress{0};
std::atomic<int> stop_timer{0};
std::atomic<uint32_t> stop_time{0};
std::atomic<uint32_t> bitrate{0};
std::atomic<uint32_t> free_kb{0};
std::atomic<uint32_t> total_kb{0};
std::atomic<uint32_t> rec_start_time{0};
std::atomic<uint32_t> segment_start_time{0};
std::atomic<int32_t> segment_number{0};
char ts_path[256];
std::atomic<uint32_t> segment_size_mb{0};
std::atomic<int32_t> earlier_segments_mb{0};
char free_text[kSizeTextSize] = "?";
char total_text[kSizeTextSize] = "";
std::atomic<int> free_gauge{-1};
std::atomic<uint32_t> minutes_left{0};
std::atomic<int> low_space{0};

const SplitChoice SplitChoices[kSplitChoiceCount] = {
    {15, 0}, {98, 0}, {99, 1004}, {100, 2028}, {101, 4076}, {102, 0},
};

void ResetSupervisionState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  recording_active.store(0, kRelaxed);
  tick_running.store(0, kRelaxed);
  tick_stop_state.store(0, kRelaxed);
  split_in_progress.store(0, kRelaxed);
  stop_timer.store(0, kRelaxed);
  stop_time.store(0, kRelaxed);
  bitrate.store(0, kRelaxed);
  free_kb.store(0, kRelaxed);
  total_kb.store(0, kRelaxed);
  rec_start_time.store(0, kRelaxed);
  segment_start_time.store(0, kRelaxed);
  segment_number.store(0, kRelaxed);
  ts_path[0] = '\0';
  segment_size_mb.store(0, kRelaxed);
  earlier_segments_mb.store(0, kRelaxed);
  std::snprintf(free_text, sizeof free_text, "%s", "?");
  total_text[0] = '\0';
  free_gauge.store(-1, kRelaxed);
  minutes_left.store(0, kRelaxed);
  low_space.store(0, kRelaxed);
}
