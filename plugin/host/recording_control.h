// Starting and stopping recordings: the state other subsystems read.
#pragma once

#include <atomic>

// The running recording goes to a network file system, or to the set's
// internal memory (the information pane's destination icon).
extern std::atomic<int> network_dest;
extern std::atomic<int> memory_dest;
