// The one host call the catalogue reaches (through HostLanguage), for the
// fuzz binaries, which run without the simulated TV.
#include "host/host_interface.h"

TCTv* g_AppTV = nullptr;
int TCTv::PreferLanguage() { return 18; }
