#include "host/recording_control.h"

std::atomic<int> network_dest{0};
std::atomic<int> memory_dest{0};
