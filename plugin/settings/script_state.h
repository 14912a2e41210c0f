// The word of the scripts-and-telnet unit, with its reset.
#pragma once

#include <atomic>

// 1 once the set's telnet daemon is known to run (found by the probe or
// started), 0 while that is not known. Written on the key thread only: by
// init_config from the probe at start (after ResetScriptState), and set to 1
// by RunScript before it runs a script. Once 1 it is never probed again.
extern std::atomic<int> telnet_running;

// Sets telnet_running to 0. Called by init_config and the test fixtures.
void ResetScriptState();
