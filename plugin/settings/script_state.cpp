#include "settings/script_state.h"

std::atomic<int> telnet_running{0};

void ResetScriptState() { telnet_running.store(0, std::memory_order_relaxed); }
