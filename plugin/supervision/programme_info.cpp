#include "supervision/programme_info.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include "settings/settings_record.h"
#include "supervision/local_time.h"
#include "supervision/supervision_state.h"
#include "supervision/title_text.h"

namespace {

// The host's channel and programme objects, constructed by the host's own
// constructors on first use (not at load time, before the host is ready).
alignas(TCChannel) unsigned char channel_storage[sizeof(TCChannel)];
alignas(TCProgram) unsigned char programme_storage[sizeof(TCProgram)];
TCChannel* current_channel;
TCProgram* present_programme;

// A change of title is not taken for a change of programme in the first
// 35 seconds of a file; a suspected change must be confirmed within 7 checks.
constexpr uint32_t kSettleSeconds = 34;
constexpr int kConfirmChecks = 3;
constexpr int kChangeWindow = 6;

enum HostTimeField { kYear, kMonth, kDay, kHour, kMinute };


const TimeZone& ChosenZone() {
  int zone = Setting(settings.time_zone);
  return TimeZones[zone >= 0 && zone < kTimeZoneCount ? zone : 0];
}

bool YearIsValid(long long year) { return year >= 2011 && year <= 3000; }

void SetupHostObjects() {
  host_objects_ready.store(1, std::memory_order_relaxed);
  title_change_window.store(0, std::memory_order_relaxed);
  title_change_count.store(0, std::memory_order_relaxed);
  std::memset(&host_time, 0, sizeof host_time);
  current_channel = new (channel_storage) TCChannel();
  present_programme = new (programme_storage) TCProgram();
}

// Formats the prefix; a prefix that does not fit is never cut into a wrong
// name: it falls back to the underscore alone.
void SetPrefix(const char* format, int year, int month, int day, int hour, int minute,
               const char* title) {
  int length = std::snprintf(name_prefix, sizeof name_prefix, format, year, month, day, hour,
                             minute, title);
  if (length < 0 || length >= static_cast<int>(sizeof name_prefix))
    std::snprintf(name_prefix, sizeof name_prefix, "_");
}

// The title as the prefix uses it: at most 100 bytes, whole characters only
// (a UTF-8 name cut inside a character is not a valid name).
void CutTitle(char* title) { CutAtCharacter(title, kPrefixTitleBytes); }

}  // namespace

void RefreshTitle() {
  if (title_change_count.load(std::memory_order_relaxed) == 0)
    std::memcpy(previous_title, file_title, sizeof previous_title);
  std::memset(raw_title, 0, sizeof raw_title);
  raw_title_length = kRawTitleUnits;
  present_programme->GetTitle(reinterpret_cast<char*>(raw_title), &raw_title_length);

  int name_mode = Setting(settings.name_mode);
  if (name_mode == 2)
    TitleToUtf8(raw_title, kRawTitleUnits, file_title, sizeof file_title, 1);
  else
    TitleToFileName(raw_title, kRawTitleUnits, file_title, sizeof file_title, name_mode == 1);

  int count = title_change_count.load(std::memory_order_relaxed);
  if (count >= kConfirmChecks) return;
  char now_title[kTitleTextSize];
  char before[kTitleTextSize];
  std::memcpy(now_title, file_title, sizeof now_title);
  std::memcpy(before, previous_title, sizeof before);
  CutTitle(now_title);
  CutTitle(before);
  if (std::strcmp(now_title, before) != 0) ++count;

  uint32_t start = segment_number.load(std::memory_order_relaxed) <= 0
                       ? rec_start_time.load(std::memory_order_relaxed)
                       : segment_start_time.load(std::memory_order_relaxed);
  uint32_t now = static_cast<uint32_t>(time(nullptr));
  int window = title_change_window.load(std::memory_order_relaxed);
  if (now - start <= kSettleSeconds) {
    count = window = 0;
  } else if (count == 1 || count == 2) {
    if (++window > kChangeWindow) count = window = 0;
  }
  title_change_count.store(count, std::memory_order_relaxed);
  title_change_window.store(window, std::memory_order_relaxed);
}

namespace {

// host_time refreshed and the name prefix built from it.
int RefreshHostTimeAndPrefix() {
  if (!host_objects_ready.load(std::memory_order_relaxed)) SetupHostObjects();
  int32_t* fields = host_time.field;
  g_AppTV->GetSystemInfoTime(reinterpret_cast<unsigned long*>(&host_time), 0);

  // The host takes the time record's address in a 32-bit argument.
  auto time_address = static_cast<unsigned int>(reinterpret_cast<uintptr_t>(&host_time));
  if (CAppUtil::GetCurrentCh(current_channel, 0) &&
      g_AppTV->GetPresentProgram(current_channel, time_address, present_programme)) {
    RefreshTitle();
    CTimerUtil::GetSITTime(&host_time, 0);
    CutTitle(file_title);
    if (Setting(settings.clock_source) == 0) {
      const struct tm* local = LocalTime(ChosenZone().standard, ChosenZone().summer);
      if (ClockIsSet(*local)) {
        fields[kYear] = static_cast<int32_t>(CalendarYear(*local));
        fields[kMonth] = local->tm_mon + 1;
        fields[kDay] = local->tm_mday;
        fields[kHour] = local->tm_hour;
        fields[kMinute] = local->tm_min;
      }
    }
    if (YearIsValid(fields[kYear])) {
      SetPrefix("%4d-%02d-%02d_%02d-%02d_%s_", fields[kYear], fields[kMonth], fields[kDay],
                fields[kHour], fields[kMinute], file_title);
      return 1;
    }
  }

  const struct tm* local = LocalTime(ChosenZone().standard, ChosenZone().summer);
  if (ClockIsSet(*local))
    SetPrefix("%4d-%02d-%02d_%02d-%02d_%s", static_cast<int>(CalendarYear(*local)),
              local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, "");
  else
    std::snprintf(name_prefix, sizeof name_prefix, "_");
  return 0;
}

}  // namespace

int RefreshProgrammeInfo() {
  const int result = RefreshHostTimeAndPrefix();
  PublishHostClock(host_time.field[kYear], host_time.field[kHour], host_time.field[kMinute]);
  return result;
}
