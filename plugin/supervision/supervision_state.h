// The words shared by recording control, the supervision tick and the
// information pane.
#pragma once

#include <atomic>
#include <cstdint>

#include "export.h"

// 1 from the start of a recording to its stop.
extern std::atomic<int> recording_active;

// Average write rate of the current file in KiB/s.
extern "C" RECOLYX_EXPORT std::atomic<uint32_t> bitrate;
