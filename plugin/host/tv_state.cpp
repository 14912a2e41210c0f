#include "host/tv_state.h"

std::atomic<int> picture_off{0};
std::atomic<int> saved_option15{0};
std::atomic<int> option15_restore_count{0};
std::atomic<int> video_is_muted{0};
std::atomic<int> picture_frozen{0};
std::atomic<void*> rec_instance{nullptr};

void ResetTvState() {
  constexpr auto kRelaxed = std::memory_order_relaxed;
  picture_off.store(0, kRelaxed);
  option15_restore_count.store(0, kRelaxed);
  video_is_muted.store(0, kRelaxed);
}
