#include "supervision/supervision_state.h"

#include <cstring>

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
std::atomic<uint32_t> segment_size_mb{0};
std::atomic<int32_t> earlier_segments_mb{0};
SizeText free_text = {"?"};
SizeText total_text;
std::atomic<int> free_gauge{-1};
std::atomic<uint32_t> minutes_left{0};
std::atomic<int> low_space{0};
std::atomic<int> low_space_warned{0};
std::atomic<int> split_warned{0};
std::atomic<int> split_choice{0};
std::atomic<int> disk_check_counter{0};
std::atomic<int> title_check_counter{0};
std::atomic<int> reminder_counter{0};
std::atomic<int> reminder_count{0};
std::atomic<int> title_check_count{0};
std::atomic<int> next_title_sample{0};
PrefixText latest_prefix;
PrefixText final_prefix;
std::atomic<uint32_t> last_tick_time{0};
int64_t watched_file_bytes = -1;
uint32_t file_grown_at = 0;
std::atomic<int> disk_check_failures{0};

// Runs at a fresh start and in test fixtures, with no other thread in the
// plug-in: the texts need no owner then.
void ResetSupervisionState() NO_THREAD_SAFETY_ANALYSIS {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  for (std::atomic<int>* word :
       {&recording_active, &tick_running, &tick_stop_state, &split_in_progress, &stop_timer,
        &low_space, &low_space_warned, &split_warned, &split_choice,
        &disk_check_counter, &title_check_counter, &reminder_counter, &reminder_count,
        &title_check_count, &next_title_sample, &disk_check_failures})
    word->store(0, kRelaxed);
  for (std::atomic<uint32_t>* word :
       {&stop_time, &bitrate, &free_kb, &total_kb, &rec_start_time, &segment_start_time,
        &segment_size_mb, &minutes_left, &last_tick_time})
    word->store(0, kRelaxed);
  segment_number.store(0, kRelaxed);
  earlier_segments_mb.store(0, kRelaxed);
  // Nothing measured yet: the pane shows "?" and no gauge.
  free_gauge.store(-1, kRelaxed);
  free_text = {"?"};
  total_text = {};
  watched_file_bytes = -1;
  file_grown_at = 0;
  latest_prefix = {};
  final_prefix = {};
}

int StopTimerMinutesShown(long long now) {
  const long long minutes = (static_cast<long long>(stop_time.load(std::memory_order_relaxed)) + 59 - now) / 60;
  return minutes > kLongestStopTimer || minutes < 0 ? 0 : static_cast<int>(minutes);
}
