#include "settings/scripts.h"

// Placeholder until the scripts unit lands: no script is found.
int RunScript(const char* name) { return 0; }
int RunDeviceScript(int index) { return 1; }
int TelnetRunning() { return 0; }
int StartTelnet() { return 1; }
