// User scripts in the home folder's "scripts" folder, and the telnet daemon.
#pragma once

#include "settings/script_state.h"

// Runs scripts/<name>: 1 run, 0 no such script, -1 it could not be run.
int RunScript(const char* name);
// Runs the script named after device `index` before a recording: the
// RunScript result, 0 when there is none, 1 when nothing is to be run.
int RunDeviceScript(int index);
// 1 when a telnetd process is found.
int TelnetRunning();
// 0 when telnetd was started, 1 when starting it failed.
int StartTelnet();
