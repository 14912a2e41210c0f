// The simulated programme guide and broadcast time, and the host calls that
// hand them to the plug-in (declared in host/host_interface.h):
//
//   TCChannel::TCChannel(), TCProgram::TCProgram()
//     Put an empty record into the object's opaque storage: no channel, no
//     programme (an empty title).
//   CAppUtil::GetCurrentCh(channel, flag)
//     Writes the current channel into *channel and returns true; returns false
//     and leaves *channel alone when no channel is tuned.
//   TCTv::GetPresentProgram(channel, time, program)
//     Writes the programme on now (start <= Now() < end) on that channel into
//     *program and returns true; false when there is none or the channel is
//     unknown. The time argument is ignored (the plug-in passes an address
//     there, which is truncated on a 64-bit host).
//   TCProgram::GetTitle(units, length)
//     The title as UTF-16BE: 16-bit units, high byte first, code points above
//     U+FFFF as surrogate pairs, then one zero unit
//     when there is room for it.
//     On entry *length is the capacity of units in 16-bit UNITS (the plug-in
//     passes 256 for its 512-byte buffer). Nothing is written past it: the
//     title is cut at a whole character (a surrogate pair is never split), and
//     a title that fills every unit comes without the zero unit, as the set's
//     guide delivers it. On return *length is the number of units written
//     without the zero unit. Returns true when the whole title fitted, false
//     when it was cut or when units or length is null (then nothing is
//     written and *length, when given, becomes 0).
//     Malformed UTF-8 in a title comes out as U+FFFD.
//   TCTv::GetSystemInfoTime(time, flag)
//     When the broadcast time is set, writes it (seconds since 1970, UTC) into
//     *time and returns true; otherwise writes nothing and returns false.
//   CTimerUtil::GetSITTime(time, flag)
//     Fills the first five fields with year, month (1..12), day, hour and
//     minute of the broadcast time in UTC and returns true. When the broadcast
//     time is unset it fills 1970-01-01 00:00, as the set does before the
//     first time table arrives, and returns false. Other fields are untouched.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct GuideProgramme {
  time_t start = 0;  // UTC, inclusive
  time_t end = 0;    // UTC, exclusive
  std::string title; // UTF-8
};

struct GuideChannel {
  int number = 0;
  std::string name;
  std::vector<GuideProgramme> schedule;
};

// An empty guide: no channels, no current channel, broadcast time unset.
void ResetGuide();

// Adds a channel, or renames the channel of that number (keeping its schedule).
void AddChannel(int number, const std::string& name);

// Adds a programme to a channel's schedule. False when the channel is unknown
// or end is not after start.
bool AddProgramme(int channel, time_t start, time_t end, const std::string& title_utf8);

// Tunes to a channel; false (and no change) when it is unknown.
bool SetCurrentChannel(int number);
// The "no channel" state: GetCurrentCh fails.
void ClearCurrentChannel();
// The tuned channel, or nothing.
std::optional<int> CurrentChannel();

// The programme on now on a channel, by Now().
std::optional<GuideProgramme> PresentProgramme(int channel);
// The programme on a channel at a moment (UTC seconds).
std::optional<GuideProgramme> ProgrammeAt(int channel, time_t at);

// The broadcast time runs with Now(): setting it to t makes it t now and
// keeps it ticking from there. Unset, the host reports no broadcast time.
void SetBroadcastTime(time_t now);
void UnsetBroadcastTime();
std::optional<time_t> BroadcastTime();

// A small guide for the demo: channels 1 to 3 with a schedule of half-hour
// programmes around Now() (titles in several languages), channel 1 tuned,
// broadcast time set to Now().
void LoadDemoGuide();

// Converts UTF-8 to UTF-16BE into units of capacity *length units, by the
// GetTitle contract above.
bool Utf8ToUtf16Be(const std::string& utf8, char* units, unsigned int* length);

}  // namespace sim
