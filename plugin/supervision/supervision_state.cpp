#include "supervision/supervision_state.h"

static_assert(sizeof(std::atomic<uint32_t>) == 4);
std::atomic<uint32_t> bitrate{0};
std::atomic<int> recording_active{0};
std::atomic<uint32_t> free_kb{0};
std::atomic<uint32_t> total_kb{0};
std::atomic<uint32_t> rec_start_time{0};
std::atomic<uint32_t> segment_start_time{0};
std::atomic<int32_t> segment_number{0};
std::atomic<int> split_in_progress{0};
