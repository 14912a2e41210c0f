#include "host/recording_state.h"

#include <cstring>

std::atomic<int> recording_transition{0};
std::atomic<uint32_t> recording_generation{0};
char ts_path[kPathSize];
char mdb_path[kPathSize];
char rename_path[kPathSize];
char start_prefix[kPathSize];
RecentFile recent_files[kRecentFileSlots];
std::atomic<int> recent_file_count{0};
std::atomic<int> dest_attempt{0};
std::atomic<int> network_dest{0};
std::atomic<int> memory_dest{0};
std::atomic<int> last_start_failure{0};
std::atomic<SDL_TimerID> tick_timer_id{nullptr};

void ResetRecordingState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  ts_path[0] = mdb_path[0] = rename_path[0] = start_prefix[0] = '\0';
  std::memset(recent_files, 0, sizeof recent_files);
  recent_file_count.store(0, kRelaxed);
  dest_attempt.store(0, kRelaxed);
  network_dest.store(0, kRelaxed);
  memory_dest.store(0, kRelaxed);
  last_start_failure.store(0, kRelaxed);
  tick_timer_id.store(nullptr, kRelaxed);
  recording_transition.store(0, std::memory_order_release);
}
