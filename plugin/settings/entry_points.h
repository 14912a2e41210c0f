// The entry points the loader calls: init_config once with the settings
// record, setup to open the settings screen; and the screen's close.
#pragma once

#include "export.h"

extern "C" {
// Copies the 940-byte record and puts the whole plug-in into its initial
// state. Returns SetRecorderValue's result: 0 when recorder_value is not a
// positive multiple of 188 (the recorder is left alone), else the host's.
// Text fields without a terminator in their width are terminated at their
// last byte; nothing else of the record is corrected. The settings of the
// second settings file are read from the home folder (their defaults when
// it is missing or not one of ours).
RECOLYX_EXPORT int init_config(const void* record);
// Opens the settings screen unless it is open (a delete dialog that is open
// is closed first, deleting nothing). Always 45, the code the host receives.
RECOLYX_EXPORT int setup();
}

// Closes the settings screen, refreshes both destinations from the device
// table, and with `save` non-zero writes the settings file and the second
// settings file.
void CloseToolbox(int save);
