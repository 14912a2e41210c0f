// The set's shell commands that the plug-in runs and the PC must not: ps,
// mount and telnetd. Small stand-in scripts (sim/platform/commands/) play
// them; the simulator's system() puts their folder first on PATH, so a
// command line the plug-in hands to the shell, and every script it runs, finds
// them instead of the PC's. The real sh, grep, chmod and touch stay.
//
//   ps       lists a few of the set's processes, and "telnetd" while it runs
//   mount    logs its arguments and succeeds; nothing is mounted on the PC
//   telnetd  marks itself running and logs that it started; a second one fails
//
// Their state lives in the sandbox: the marker "<root>/.platform/telnetd.running"
// and the command log "<root>/.platform/commands.log", which also holds every
// command line given to system() as "system: <command>".
#pragma once

#include <string>
#include <vector>

namespace sim {

// Copies the stand-ins into "<root>/.platform/bin", with telnetd not running
// and an empty log: the set as it boots. Called by StartPlatform. False with
// a message when a file cannot be written.
bool InstallSetCommands(std::string* error);

// Whether ps shows a telnetd, as if the set had booted with it or it ended.
bool SetTelnetdRunning(bool running);
bool TelnetdRunning();

// The log, one entry per line, oldest first; and emptying it.
std::vector<std::string> CommandLog();
void ClearCommandLog();

}  // namespace sim
