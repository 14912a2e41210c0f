// What the plug-in knows of the programme on screen: the host's time record,
// the raw and converted titles, the watch that recognises a change of
// programme, and the name prefix of recording files.
//
// Who writes the text buffers, and when: RefreshProgrammeInfo and
// RefreshTitle write all of them, on the thread that starts a recording (the
// key thread, or SDL's timer thread at a split restart) and on the timer
// thread at the tick's programme checks. Recording start and the tick never
// run those at the same time (one transition of the recording at a time), so
// the buffers have one writer at any moment; their readers are on the writer's
// own thread, or copy the text after the word that announces it.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/host_interface.h"
#include "supervision/title_text.h"

extern PCTime::PTTime host_time;               // year, month, day, hour, minute first
extern unsigned char raw_title[2 * kRawTitleUnits];  // UTF-16BE units as the host gave them
extern unsigned int raw_title_length;
extern char file_title[kTitleTextSize];        // the converted title
extern char previous_title[kTitleTextSize];    // the title before a suspected change
extern std::atomic<int32_t> title_change_count;   // 0..3; 3 = change confirmed
extern std::atomic<int32_t> title_change_window;  // checks made while the count is 1 or 2
extern char name_prefix[256];                  // "date_time_title_" of the next file name
// 1 once the host's channel and programme objects are built and host_time
// zeroed (the first RefreshProgrammeInfo); it stays 1 for the library's life,
// the reset leaves it alone. The stop-timer line reads host_time only then.
extern std::atomic<int> host_objects_ready;

// The clock fields of host_time that other threads read (the stop-timer line
// on the key thread while the tick refreshes host_time on SDL's timer
// thread), copied by the writer into one word once a refresh is done, so a
// reader never takes the hour of one refresh with the minute of another nor
// the record half written. A year beyond kHostClockLastYear, or an hour or
// minute out of range, is published as no clock (all zero).
struct HostClock {
  int32_t year;
  int32_t hour;
  int32_t minute;
};
inline constexpr int32_t kHostClockLastYear = 3000;
extern std::atomic<uint32_t> host_clock;
// On the thread that wrote host_time.
void PublishHostClock(int32_t year, int32_t hour, int32_t minute);
HostClock ReadHostClock();

// The change watch 0 and every buffer empty.
void ResetProgrammeState();
