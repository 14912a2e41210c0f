// The simulator's wall clock. Everything in the simulated host that asks what
// time it is (the programme guide, the broadcast time) asks here, so that the
// clock can be shifted for tests and scaled for fast runs in one place.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace sim {

// The simulator's current time in seconds since 1970, UTC: time(nullptr)
// plus the offset set below.
time_t Now();

// Shifts Now() by offset seconds (0 is the real clock). Tests use it to step
// the guide across programme boundaries.
void SetNowOffset(time_t offset);
time_t NowOffset();

// The TV clock for the log: "HH:MM:SS.mmm", with the date in front
// ("YYYY-MM-DD HH:MM:SS.mmm") on the first call and whenever the date has
// changed since the call before.
std::string TvClockText();

// How TV time runs, for the log's first line: its pace (0: as fast as the
// threads allow), whether threads run in parallel, the shake seed (0: none).
std::string TvTimeStartText(double pace, bool parallel, uint64_t shake_seed);

}  // namespace sim
