// File-system checks on destinations and recording files.
#pragma once

#include <sys/vfs.h>

#include "export.h"

// statfs of the last destination examined; the information pane shows its kind.
extern "C" RECOLYX_EXPORT struct statfs fs;
