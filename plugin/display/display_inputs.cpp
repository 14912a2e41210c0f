// Defined here until recording control and the key dispatcher own them.
#include "display/display_inputs.h"

std::atomic<int> recording_active{0};
std::atomic<int> key44_count{0};
std::atomic<int> memory_dest{0};
std::atomic<int> network_dest{0};
