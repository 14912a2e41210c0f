// The simulator's wall clock. Everything in the simulated host that asks what
// time it is (the programme guide, the broadcast time) asks here, so that the
// clock can be shifted for tests and scaled for fast runs in one place.
#pragma once

#include <ctime>

namespace sim {

// The simulator's current time in seconds since 1970, UTC: time(nullptr)
// plus the offset set below.
time_t Now();

// Shifts Now() by offset seconds (0 is the real clock). Tests use it to step
// the guide across programme boundaries.
void SetNowOffset(time_t offset);
time_t NowOffset();

}  // namespace sim
