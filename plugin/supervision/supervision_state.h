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
// Size of the current file in MiB, and the sum of the finished files' sizes.
extern std::atomic<uint32_t> segment_size_mb;
extern std::atomic<int32_t> earlier_segments_mb;

// The free and total space formatted for display ("?" until the first disk
// check of a recording). Written and read on the tick's thread only.
inline constexpr int kSizeTextSize = 30;
extern char free_text[kSizeTextSize];
extern char total_text[kSizeTextSize];
// The free fraction scaled to 0..83; -1 while not yet known.
extern std::atomic<int> free_gauge;
// Estimated minutes until the destination is full.
extern std::atomic<uint32_t> minutes_left;
// 1 when the free space is below 32 MiB.
extern std::atomic<int> low_space;

// A split mode: the catalogue text the settings screen shows for it and the
// size in MiB above which the file is split (0: never by size).
struct SplitChoice {
  int text;
  uint32_t limit_mb;
};
inline constexpr int kSplitChoiceCount = 6;
extern const SplitChoice SplitChoices[kSplitChoiceCount];

// Every word 0, as after the end of a recording; free_text "?" and
// free_gauge -1 (nothing measured yet), total_text empty.
void ResetSupervisionState();
