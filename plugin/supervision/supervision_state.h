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

// Free and total space of the active destination in KiB (ReadFreeSpace).
extern std::atomic<uint32_t> free_kb;
extern std::atomic<uint32_t> total_kb;

// System-clock seconds at which the recording and the current file began,
// and the file's part number (0 for the first file).
extern std::atomic<uint32_t> rec_start_time;
extern std::atomic<uint32_t> segment_start_time;
extern std::atomic<int32_t> segment_number;

// 1 while a split restarts the recording into its next file (the stop and the
// start that follow each other in one tick): that start runs no device script.
extern std::atomic<int> split_in_progress;
