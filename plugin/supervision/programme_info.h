// What is on: the host's current channel, its present programme and the
// time, turned into the name prefix of recording files ("date_time_title_"),
// and the watch on the title that recognises a change of programme.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/host_interface.h"
#include "supervision/title_text.h"

extern PCTime::PTTime host_time;               // year, month, day, hour, minute first
extern unsigned char raw_title[2 * kRawTitleUnits];
extern unsigned int raw_title_length;
extern char file_title[kTitleTextSize];        // the converted title
extern char previous_title[kTitleTextSize];    // the title before a suspected change
extern std::atomic<int32_t> title_change_count;   // 0..3; 3 = change confirmed
extern std::atomic<int32_t> title_change_window;  // checks made while the count is 1 or 2
extern char name_prefix[256];

// The title goes into the prefix cut to this many bytes.
inline constexpr int kPrefixTitleBytes = 100;

// Asks the host for channel, programme and time and builds name_prefix.
// 1 when the prefix carries the programme's title; 0 when it holds the date
// and time alone (no channel, no programme) or only "_" (no valid clock).
int RefreshProgrammeInfo();

// Reads and converts the title and counts the checks that see a new one.
void RefreshTitle();
