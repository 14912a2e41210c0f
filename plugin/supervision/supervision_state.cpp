#include "supervision/supervision_state.h"

static_assert(sizeof(std::atomic<uint32_t>) == 4);
std::atomic<uint32_t> bitrate{0};
std::atomic<int> recording_active{0};
