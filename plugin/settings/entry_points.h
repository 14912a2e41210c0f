// The entry points the loader calls: init_config once with the settings
// record, setup to open the settings screen.
#pragma once

#include "export.h"

extern "C" {
RECOLYX_EXPORT int init_config(const void* record);
RECOLYX_EXPORT int setup();
}
