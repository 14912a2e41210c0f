// The words shared by recording control, the supervision tick and the
// information pane. Recording start sets them (key thread, or SDL's timer
// thread at a split restart), the tick updates them once a second, the
// dispatcher steps the stop timer, and the pane reads them.
//
// Who writes the text buffers, and when: free_text, total_text,
// latest_prefix and final_prefix are written by the tick and by a start from
// rest (free_text "?"), and read by the stop (final_prefix) and the pane's
// redraw on the tick's thread; every one of these runs as the owner of the
// recording's transition (host/recording_state.h), never beside another.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "export.h"
#include "host/recording_state.h"

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
inline constexpr int kLongestStopTimer = 180;
// stop_timer's value while a recording runs on after its programme's end:
// it only marks the timer as set; the minutes left follow from stop_time.
inline constexpr int kRunOnMarker = 3;
// System-clock second at which the stop timer ends the recording.
extern std::atomic<uint32_t> stop_time;
// The minutes shown for the stop timer at system-clock second `now`: those
// left until stop_time, a started minute counting whole; 0 once stop_time
// has passed or when more than kLongestStopTimer are left (a clock set
// back). 64-bit: right on a set whose time_t is 32 bits wide as well.
int StopTimerMinutesShown(long long now);

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

// Size of the current file and the sum of the finished files, in MiB.
extern std::atomic<uint32_t> segment_size_mb;
extern std::atomic<int32_t> earlier_segments_mb;

// The two sizes as the pane shows them ("3.00 GB"); "?" until measured.
inline constexpr int kSizeTextSize = 30;
using SizeText = std::array<char, kSizeTextSize>;
extern SizeText free_text GUARDED_BY(recording_owner);
extern SizeText total_text GUARDED_BY(recording_owner);
// Free fraction of the destination, 0..83; -1 while not known.
extern std::atomic<int> free_gauge;
// Estimated minutes until the destination is full.
extern std::atomic<uint32_t> minutes_left;

// Free space below 32 MiB, and its notice shown; the notice that the split
// limit is near shown for this file.
extern std::atomic<int> low_space;
extern std::atomic<int> low_space_warned;
extern std::atomic<int> split_warned;

// Index into SplitChoices in force for the running recording (never 1).
extern std::atomic<int> split_choice;

// Tick counters: disk check 0..9, programme check 0..14, picture-off
// reminder 0..599; reminder slots that came up so far.
extern std::atomic<int> disk_check_counter;
extern std::atomic<int> title_check_counter;
extern std::atomic<int> reminder_counter;
extern std::atomic<int> reminder_count;

// Programme checks done at title_check_counter 0, and the count at which
// the name prefix is sampled next (0, 1, 2, 4, 8, ...).
extern std::atomic<int> title_check_count;
extern std::atomic<int> next_title_sample;
// The name prefix at the last sample, and one sample older (the stop
// renames the file after the older one).
inline constexpr int kPrefixSize = 256;
using PrefixText = std::array<char, kPrefixSize>;
extern PrefixText latest_prefix GUARDED_BY(recording_owner);
extern PrefixText final_prefix GUARDED_BY(recording_owner);

// The recording's current file as the tick last saw it: its size in bytes
// (-1: it could not be read), and the system-clock second it last grew (0:
// not seen yet; moved with the clock's jumps like the recording's times).
extern int64_t watched_file_bytes GUARDED_BY(recording_owner);
extern uint32_t file_grown_at GUARDED_BY(recording_owner);

// The system-clock second of the previous tick (clock jumps are measured
// against it), and the disk checks in a row that could not read the
// destination.
extern std::atomic<uint32_t> last_tick_time;
extern std::atomic<int> disk_check_failures;

// Split choices: catalogue text shown for the choice and the size limit in
// MiB; indexed by split_mode and split_choice. Row 1 (automatic) is resolved
// by the destination's file system at each start; row 5 splits at each
// programme change.
struct SplitChoice {
  int text;
  uint32_t limit_mb;
};
inline constexpr int kSplitChoiceCount = 6;
inline constexpr int kSplitAutomatic = 1;
inline constexpr int kSplitByProgramme = 5;
inline constexpr SplitChoice SplitChoices[kSplitChoiceCount] = {
    {15, 0}, {98, 0}, {99, 1004}, {100, 2028}, {101, 4076}, {102, 0},
};

// Every word 0 and every text empty, as after the end of a recording, but
// free_text "?" and free_gauge -1: nothing measured yet.
void ResetSupervisionState();
