// The scripts' state word.
#pragma once

#include <atomic>

// 1 once telnetd is known to run (probed at start and before a script).
extern std::atomic<int> telnet_running;

void ResetScriptState();
