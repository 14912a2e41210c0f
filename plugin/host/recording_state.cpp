#include "host/recording_state.h"

std::atomic<int> recent_file_count{0};
std::atomic<int> dest_attempt{0};
std::atomic<int> network_dest{0};
std::atomic<int> memory_dest{0};

void ResetRecordingState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  recent_file_count.store(0, kRelaxed);
  dest_attempt.store(0, kRelaxed);
  network_dest.store(0, kRelaxed);
  memory_dest.store(0, kRelaxed);
}
