#include "supervision/status_notices_state.h"

std::atomic<int> band_busy{0};

void ResetStatusNoticeState() { band_busy.store(0, std::memory_order_release); }
