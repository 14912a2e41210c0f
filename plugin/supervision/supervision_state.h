// The words shared by recording control, the supervision tick and the
// information pane. Recording start sets them (key thread, or SDL's timer
// thread at a split restart), the tick updates them once a second, the
// dispatcher steps the stop timer, and the pane reads them.
#pragma once

#include <atomic>
#include <cstdint>

#include "export.h"

// 1 from the start of a recording to its stop.
extern std::atomic<int> recording_active;
// 1 from the start of each tick; 0 once the tick has ended itself.
extern std::atomic<int> tick_running;
// 1 while a stop the tick asked for is carried out, 2 afterwards (the next
// key then closes the display).
extern std::atomic<int> tick_stop_state;
// A split (stop and immediate restart into the next file) is under way.
extern std::atomic<int> split_in_progress;

// Minutes of the stop timer: 0 none, -1 at the programme's end, 1..180.
extern std::atomic<int> stop_timer;
// stop_timer's value while a recording runs on after its programme's end:
// it only marks the timer as set; the minutes left follow from stop_time.
inline constexpr int kRunOnMarker = 3;
// System-clock second at which the stop timer ends the recording.
extern std::atomic<uint32_t> stop_time;

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

// Path of the current .ts file, built by recording start. Written only while
// no screen reads it (a start); the stop summary reads it after the stop.
extern char ts_path[256];
// Sum of the finished files' sizes in MiB; recording stop adds each file's.
extern std::atomic<int32_t> earlier_segments_mb;

// Every word 0, as after the end of a recording.
void ResetSupervisionState();
