// How a scenario's checks report: one line each on stderr,
// "tvsim: scenario line N: expected WHAT: got WHAT", counted so that tvsim
// can end non-zero after the whole scenario has played.
#pragma once

#include <string>

namespace sim {

// Prints "tvsim: scenario line <line>: <what>" on stderr and counts it.
// what is cut to its first 2000 bytes. Safe from any thread.
void ReportCheckFailure(int line, const std::string& what);

// How many failures were reported since the start (or ResetCheckFailures).
int CheckFailures();
void ResetCheckFailures();

}  // namespace sim
