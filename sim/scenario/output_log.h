// What tvsim printed, kept for a scenario's checks: the last lines in memory
// (bounded), a cursor for the in-order "expect" check, and the "never"
// patterns every printed line is held against as it is printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace sim {

// At most this many lines are kept (the oldest go first), each cut to
// kOutputLineBytes bytes.
inline constexpr size_t kOutputLogLines = 65536;
inline constexpr size_t kOutputLineBytes = 1024;

// Keeps line (cut to its first kOutputLineBytes bytes) as the newest printed
// line and holds it against every pattern given to WatchNever; a match is
// reported through ReportCheckFailure (sim/scenario/check_report.h). Safe from
// any thread.
void RecordOutputLine(const std::string& line);

// No printed line may match pattern (searched anywhere in the line): the
// lines kept so far are checked now, every later line as it is recorded;
// scenario_line names the step for the report.
void WatchNever(int scenario_line, const std::string& text, const std::regex& pattern);

// The first kept line after the last line ExpectNextLine took that matches
// pattern: returns it and moves the cursor past it. nullopt when none does
// (the cursor stays).
std::optional<std::string> ExpectNextLine(const std::regex& pattern);

// The newest kept line, "" when nothing was printed: what a failed check got.
std::string LastOutputLine();

// Every kept line that matches pattern, each with its first group (the whole
// match when the pattern has no group).
std::vector<std::string> CapturedInOutput(const std::regex& pattern);

// Forgets every line, the cursor and the watched patterns (tests).
void ResetOutputLog();

}  // namespace sim
