#include "supervision/info_pane_state.h"

std::atomic<int> pane_state{0};

void ResetInfoPaneState() { pane_state.store(0, std::memory_order_relaxed); }
