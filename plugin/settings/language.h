// The TV's menu language and the catalogue file code that goes with it.
#pragma once

// The two-letter code of the catalogue file for a host language number:
// "BG" for 6, "FR" for 12, ..., "EN" for every number not in the table.
const char* LanguageCode(int number);

// The host's current menu language number (TCTv::PreferLanguage on the TV
// object g_AppTV points to). Without a TV object it is the language already
// in the settings, so that nothing reloads.
int HostLanguage();
