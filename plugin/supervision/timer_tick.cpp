#include "supervision/timer_tick.h"

#include <SDL.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/display_lock.h"
#include "display/display_state.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "host/key_codes.h"
#include "host/key_dispatcher.h"
#include "host/recording_state.h"
#include "host/recording_transition.h"
#include "host/storage_checks.h"
#include "host/tv_services.h"
#include "host/recording_destination.h"
#include "settings/device_table.h"
#include "settings/extra_settings.h"
#include "settings/settings_record.h"
#include "settings/toolbox.h"
#include "settings/toolbox_state.h"
#include "host/recording_control.h"
#include "supervision/info_pane_state.h"
#include "supervision/info_pane.h"
#include "supervision/programme_info.h"
#include "supervision/status_notices.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint32_t kFirstTickMs = 200;
constexpr uint32_t kNextTickMs = 1000;
constexpr uint32_t kEndTimer = 0;
constexpr double kFullMib = 4.0;
constexpr double kLowMib = 32.0;
constexpr uint32_t kSplitWarnMb = 32;
constexpr uint32_t kKeptFreeKb = 4096;
// The low-space warning comes this many seconds of recording before the
// stop, at the bitrate measured (or at kLowMib, whichever comes first).
constexpr uint64_t kWarnSecondsLeft = 600;
constexpr int kGaugeTop = 83;
constexpr int kDiskCheckPeriod = 9;
constexpr int kTitleCheckPeriod = 14;
constexpr int kReminderPeriod = 600;
constexpr int kChangeConfirmed = 3;
constexpr uint32_t kProgrammeSplitPauseMs = 200;
constexpr int kFailedDiskChecks = 2;
// The status notice for a destination that went away mid-recording:
// catalogue text 7 ("disk removed - recording stopped").
constexpr int kNoticeDestinationGone = 7;


// One tick of one recording.
struct Tick {
  uint32_t generation;
  uint32_t now;
  bool split_made;
  // The device the recording moved to in this tick (its disk filled or
  // went); empty when it did not.
  char moved_to[kDiskLabelSize];
  // The current file's write rate in bytes per second as this tick's disk
  // check measured it (0: not measured); finer than `bitrate`, whose whole
  // MiB make it coarse in a file's first minutes.
  uint64_t bytes_per_second;
};

bool OfThisRecording(const Tick& tick) {
  return recording.generation.load(kRelaxed) == tick.generation;
}

bool Current(const Tick& tick) { return OfThisRecording(tick) && Word(recording_active) == 1; }

// The settings screen drawn again after a notice or a stop wiped it (the
// loader may open it during a recording).
void RedrawSettingsScreen() {
  if (Word(toolbox_open)) DrawToolbox();
}

// What the overlay shows after a stop the tick made: cleared, or the
// settings screen when it is open.
void ClearAfterStop() {
  ClearOsd();
  RedrawSettingsScreen();
}

// The table entry of the running recording's destination.
int ActiveDestination() {
  const int index = Setting(settings.active_dest);
  return index >= 0 && index < kDeviceSlots ? index : 0;
}

// The timer ends; the recording's words are touched only by its own tick.
uint32_t End(const Tick& tick) {
  if (OfThisRecording(tick)) tick_running.store(0, kRelaxed);
  return kEndTimer;
}

// Shows a notice (text, then `tail` when not null) without holding the
// transition (it takes 3 s), then takes it again. false when the recording
// stopped meanwhile or the transition could not be had: the tick then holds
// nothing and must end.
bool Notice(const Tick& tick, int text, const char* tail = nullptr) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  ReleaseRecordingTransition();
  ShowStatusNoticeWith(text, tail);
  RedrawSettingsScreen();
  if (!TakeRecordingTransition(kTickTransitionWaitMs)) return false;
  if (Current(tick)) return true;
  ReleaseRecordingTransition();
  return false;
}

// A notice after which the picture is off again when it was off before.
bool NoticeKeepingPicture(const Tick& tick, int text, const char* tail = nullptr) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  const bool was_off = Word(picture_off) != 0;
  if (!Notice(tick, text, tail)) return false;
  if (was_off) PictureOffIfOn();
  return true;
}

// The end of the tick after the stop it made: the display cleared, the
// timer ending; then, without the owner, the notice (when it comes after the
// stop) and the standby's countdown (with standby_after).
uint32_t StoppedByTick(int text, bool notice_after) RELEASE(recording_owner) {
  tick_stop_state.store(2, kRelaxed);
  ClearAfterStop();
  tick_running.store(0, kRelaxed);
  const bool standby = Setting(settings.standby_after) != 0;
  EnterPhase(standby ? kPhaseStandbyPending : kPhaseIdle);
  ReleaseRecordingTransition();
  if (notice_after) {
    ShowStatusNotice(text);
    RedrawSettingsScreen();
  }
  if (standby) NoticeAndStandby();
  return kEndTimer;
}

// Ends the recording on the tick's behalf. With the notice first (stop
// timer, programme end) the recording is checked again after it; with the
// stop first (disk full, destination gone) nothing more is written while
// the notice shows. A stop that is declined leaves the tick running. The
// phase is kPhaseStopping from the notice on, so that keys that would act
// on the recording meanwhile (a new stop timer, a start) are refused
// visibly; the standby after the stop goes only while its phase holds.
uint32_t TimedStop(Tick& tick, int text, bool stop_first) RELEASE(recording_owner) {
  EnterPhase(kPhaseStopping);
  if (!stop_first && !Notice(tick, text)) return End(tick);
  tick_stop_state.store(1, kRelaxed);
  KeyDispatcher(kRequestStop);
  if (Word(recording_active)) {
    tick_stop_state.store(0, kRelaxed);
    EnterPhase(kPhaseRecording);
    ReleaseRecordingTransition();
    return kNextTickMs;
  }
  return StoppedByTick(text, stop_first);
}

// A viewer's stop key came during the split (recording.stop_request): it
// wins over the restart. Before the restart the first file is finished
// already and the recording ends with it; a restart that ran before the
// key was seen is stopped at once. The key's notice and summary show here.
// Gives the owner back; the tick then ends.
void ViewerStopAtSplit() RELEASE(recording_owner) {
  tick_stop_state.store(1, kRelaxed);
  if (Word(recording_active)) {
    StopRecording(recording.stop_request.load(kRelaxed));
  } else {
    FinishSplitAsStop(recording.stop_request.load(kRelaxed));
  }
  recording.stop_request.store(0, kRelaxed);
  tick_stop_state.store(2, kRelaxed);
  ClearAfterStop();
  EnterPhase(kPhaseIdle);
  ReleaseRecordingTransition();
}

// Stop and restart into the next file, with a pause after each for a
// split at a programme change. A restart that fails (destination gone,
// NTFS, no free name) ends the recording as a stop: the finished file is
// renamed and listed already; the pane goes, no split notice, and the next
// remote key closes the display, and the transition is given back (the
// tick then ends). true when the recording goes on.
bool Split(Tick& tick, uint32_t pause_ms) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  EnterPhase(kPhaseSplitting);
  split_in_progress.store(1, kRelaxed);
  tick_stop_state.store(1, kRelaxed);
  KeyDispatcher(kRequestStop);
  if (pause_ms != 0) SDL_Delay(pause_ms);
  KeyDispatcher(kRequestRecord);
  if (pause_ms != 0) SDL_Delay(pause_ms);
  split_in_progress.store(0, kRelaxed);
  if (Word(recording.stop_request) != 0) {
    ViewerStopAtSplit();
    return false;
  }
  if (Word(recording_active)) {
    tick_stop_state.store(0, kRelaxed);
    EnterPhase(kPhaseRecording);
    tick.split_made = true;
    return true;
  }
  if (Word(pane_state) == 1) HideInfoPaneBackground();
  pane_state.store(0, kRelaxed);
  tick_stop_state.store(2, kRelaxed);
  KeepDisplayOpen(false);
  ClearAfterStop();
  EnterPhase(kPhaseIdle);
  ReleaseRecordingTransition();
  return false;
}

// The recording's move to another disk: stop and restart into the next
// file (recording.leaving makes the restart go to ChooseFailover's
// destination). A viewer's stop that came meanwhile ends the recording as
// at a split; a restart that finds no destination after all ends it as the
// tick's stop with `text` (the first file finished already). true when the
// recording goes on, with the device it went to in tick.moved_to.
bool MoveToOtherDisk(Tick& tick, int text, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  EnterPhase(kPhaseSplitting);
  std::memcpy(recording.leaving.data(), recording.mount.data(), sizeof recording.leaving);
  split_in_progress.store(1, kRelaxed);
  tick_stop_state.store(1, kRelaxed);
  KeyDispatcher(kRequestStop);
  KeyDispatcher(kRequestRecord);
  split_in_progress.store(0, kRelaxed);
  recording.leaving[0] = '\0';
  if (Word(recording.stop_request) != 0) {
    ViewerStopAtSplit();
    *result = End(tick);
    return false;
  }
  if (!Word(recording_active)) {
    FinishSplitAsStop(kKeyStop);
    *result = StoppedByTick(text, true);
    return false;
  }
  tick_stop_state.store(0, kRelaxed);
  EnterPhase(kPhaseRecording);
  CopyDeviceDisplayText(device_table.entries[ActiveDestination()], tick.moved_to, sizeof tick.moved_to);
  // The new disk is measured at the next tick; the old one's failures and
  // figures no longer count.
  disk_check_failures.store(0, kRelaxed);
  disk_check_counter.store(kDiskCheckPeriod, kRelaxed);
  return true;
}

// The disk the recording writes to is full or gone: with failover set and
// another destination usable (ChooseFailover), the recording goes on there
// in its next file, like a split; otherwise the tick's stop with `text`
// (notice after the stop). true when the recording goes on.
bool FullOrGone(Tick& tick, int text, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  if (Setting(extra_settings.failover) != 0) {
    // The devices as they are now: a stick plugged since the start counts.
    BuildDeviceTable();
    RematchDestinations();
    if (ChooseFailover(Word(recording.dest_attempt), recording.mount.data()).index != 0)
      return MoveToOtherDisk(tick, text, result);
  }
  *result = TimedStop(tick, text, true);
  return false;
}

// A clock set backwards, or forwards by more than a minute, between two
// ticks moves the recording's times with it: the recording neither stops at
// once nor runs on.
void FollowClockJump(const Tick& tick) REQUIRES(recording_owner) {
  const uint32_t last = last_tick_time.exchange(tick.now, kRelaxed);
  if (last == 0) return;
  const int64_t step = static_cast<int64_t>(tick.now) - static_cast<int64_t>(last);
  if (step >= 0 && step <= kClockJumpSeconds) return;
  const auto shift = static_cast<uint32_t>(step);  // modulo 2^32: backwards too
  rec_start_time.fetch_add(shift, kRelaxed);
  segment_start_time.fetch_add(shift, kRelaxed);
  if (file_grown_at != 0) file_grown_at += shift;
  if (Word(stop_timer) != 0) stop_time.fetch_add(shift, kRelaxed);
}

void SetGauge(uint32_t free, uint32_t total) {
  int gauge = static_cast<int>(static_cast<double>(free) * kGaugeTop / static_cast<double>(total));
  free_gauge.store(gauge < 0 ? 0 : gauge > kGaugeTop ? kGaugeTop : gauge, kRelaxed);
}

// The steps of a tick return true to go on, with the owner held, or false
// when they ended the tick (its result in *result), with the owner given
// back.

// Free-space texts, gauge and the full disk. A destination that reports no
// blocks at all (total 0) has no gauge and no space checks.
bool CheckFull(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  const uint32_t free = free_kb.load(kRelaxed);
  const uint32_t total = total_kb.load(kRelaxed);
  const int language = Setting(settings.language);
  FormatSpace(free_text.data(), sizeof free_text, free, language);
  FormatSpace(total_text.data(), sizeof total_text, total, language);
  if (total == 0) return true;
  SetGauge(free, total);
  if (free / 1024.0 <= kFullMib) return FullOrGone(tick, kNoticeDiskFull, result);
  return true;
}

// The low-space warning, once until space recovers: below kLowMib free, or
// less than kWarnSecondsLeft of recording left at the rate measured (down
// to the stop's 4 MiB), whichever comes first.
bool CheckLowSpace(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  if (total_kb.load(kRelaxed) == 0) return true;
  if (!SpaceRunningLow(free_kb.load(kRelaxed), tick.bytes_per_second)) {
    low_space_warned.store(0, kRelaxed);
    low_space.store(0, kRelaxed);
    return true;
  }
  if (Word(low_space_warned) != 0) return true;
  low_space.store(1, kRelaxed);
  if (!Notice(tick, kNoticeLowSpace)) {
    *result = End(tick);
    return false;
  }
  low_space_warned.store(1, kRelaxed);
  return true;
}

// The figures of the current file: size, bitrate, minutes left.
void MeasureFile(Tick& tick) REQUIRES(recording_owner) {
  // The size StallCheck read this tick (-1: unreadable, counted as 0).
  constexpr int64_t kMib = 1 << 20;
  const uint32_t size =
      watched_file_bytes <= 0 ? 0u : static_cast<uint32_t>(std::min<int64_t>(watched_file_bytes / kMib, INT32_MAX));
  segment_size_mb.store(size, kRelaxed);
  const uint32_t start = segment_number.load(kRelaxed) <= 0 ? rec_start_time.load(kRelaxed)
                                                            : segment_start_time.load(kRelaxed);
  const int64_t elapsed = static_cast<int64_t>(tick.now) - static_cast<int64_t>(start);
  if (elapsed > 0) {
    bitrate.store(static_cast<uint32_t>(uint64_t{size} * 1024 / static_cast<uint64_t>(elapsed)),
                  kRelaxed);
    if (watched_file_bytes > 0)
      tick.bytes_per_second = static_cast<uint64_t>(watched_file_bytes) / static_cast<uint64_t>(elapsed);
  }
  const uint32_t rate = bitrate.load(kRelaxed);
  const uint32_t free = free_kb.load(kRelaxed);
  if (rate != 0 && free >= kKeptFreeKb) minutes_left.store((free - kKeptFreeKb) / rate / 60, kRelaxed);
}

// The recorder's progress, every tick: a file that has not grown (or
// cannot be read) for kStalledSeconds is a recorder that stopped writing,
// while the destination may still answer the disk check. The recording
// stops as for a vanished destination, with its own notice.
bool StallCheck(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  struct stat status;
  const int64_t bytes = stat(recording.ts_path.data(), &status) == 0 ? status.st_size : -1;
  if (file_grown_at == 0 || (bytes >= 0 && bytes != watched_file_bytes)) {
    watched_file_bytes = bytes;
    file_grown_at = tick.now;
    return true;
  }
  watched_file_bytes = bytes;
  if (tick.now - file_grown_at < kStalledSeconds) return true;
  *result = TimedStop(tick, kNoticeNotWriting, true);
  return false;
}

// The disk check: every 10th tick, and every tick once space is low.
bool DiskCheck(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  if (Word(disk_check_counter) != 0 && Word(low_space) == 0) return true;
  const bool measured = ReadFreeSpace(recording.mount.data()) != 0;
  if (measured) {
    disk_check_failures.store(0, kRelaxed);
    if (!CheckFull(tick, result)) return false;
  } else if (disk_check_failures.fetch_add(1, kRelaxed) + 1 >= kFailedDiskChecks) {
    // The destination is gone (unplugged, unmounted): the recording moves
    // on, or stops like a timed stop, keeping what was written, and the
    // viewer is told.
    if (!FullOrGone(tick, kNoticeDestinationGone, result)) return false;
  }
  if (tick.moved_to[0] != '\0') return true;  // the next file's figures come at the next check
  MeasureFile(tick);
  if (measured && !CheckLowSpace(tick, result)) return false;

  const int choice = Word(split_choice);
  if (choice <= 0 || choice >= kSplitChoiceCount || choice == kSplitByProgramme) return true;
  const uint32_t limit = SplitChoices[choice].limit_mb;
  const uint32_t size = segment_size_mb.load(kRelaxed);
  if (limit == 0) return true;
  if (limit < size) {
    if (!Split(tick, 0)) {
      *result = End(tick);
      return false;
    }
  } else if (limit < size + kSplitWarnMb && Word(split_warned) == 0) {
    if (!NoticeKeepingPicture(tick, kNoticeSplitSoon)) {
      *result = End(tick);
      return false;
    }
    split_warned.store(1, kRelaxed);
  }
  return true;
}

// Prefix samples at checks 0, 1, 2, 4, 8, ...: final_prefix.data() holds the one
// before the last.
void SamplePrefix(bool ok) REQUIRES(recording_owner) {
  const int count = Word(title_check_count);
  const int next = Word(next_title_sample);
  if (count == next) {
    if (count == 0) {
      next_title_sample.store(1, kRelaxed);
      if (ok) {
        std::snprintf(latest_prefix.data(), sizeof latest_prefix, "%s", name_prefix);
        std::snprintf(final_prefix.data(), sizeof final_prefix, "%s", name_prefix);
      } else {
        latest_prefix[0] = final_prefix[0] = '\0';
      }
    } else {
      if (count >= 2 && latest_prefix[0] != '\0')
        std::memcpy(final_prefix.data(), latest_prefix.data(), sizeof final_prefix);
      if (ok) std::snprintf(latest_prefix.data(), sizeof latest_prefix, "%s", name_prefix);
      if (next < (1 << 30)) next_title_sample.store(next * 2, kRelaxed);
    }
  }
  title_check_count.store(count + 1, kRelaxed);
}

void ForgetTitleChange() {
  title_change_window.store(0, kRelaxed);
  title_change_count.store(0, kRelaxed);
}

// The programme check: every 15th tick, and every tick while a change of
// programme is suspected.
bool ProgrammeCheck(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  const bool sampling = Word(title_check_counter) == 0;
  if (!sampling && title_change_count.load(kRelaxed) < 1) return true;
  const bool ok = RefreshProgrammeInfo() == 1;
  if (title_change_count.load(kRelaxed) >= kChangeConfirmed) {
    if (Word(stop_timer) == -1) {
      ForgetTitleChange();
      const int extra = StopExtraMinutes();
      if (extra <= 0) {
        stop_timer.store(0, kRelaxed);
        *result = TimedStop(tick, kNoticeStopTime, false);
        return false;
      }
      stop_timer.store(kRunOnMarker, kRelaxed);
      stop_time.store(tick.now + static_cast<uint32_t>(extra) * 60, kRelaxed);
      if (!Notice(tick, kNoticeRunOn)) {
        *result = End(tick);
        return false;
      }
    } else if (Word(split_choice) == kSplitByProgramme) {
      ForgetTitleChange();
      if (!Split(tick, kProgrammeSplitPauseMs)) {
        *result = End(tick);
        return false;
      }
      return true;  // no sample at a split
    }
  }
  if (sampling) SamplePrefix(ok);
  return true;
}

// While the picture is off: a reminder at 0, 10 and 20 minutes, then every
// 20 minutes; the video is left unmuted after it.
bool Reminder(Tick& tick, uint32_t* result) RELEASE(recording_owner)
    TRY_ACQUIRE(true, recording_owner) {
  if (Word(reminder_counter) != 0 || OsdOpacity() == 0 || Setting(settings.show_notices) == 0 ||
      Setting(settings.screen_off_notice) == 0 || Word(picture_off) == 0)
    return true;
  const int count = reminder_count.fetch_add(1, kRelaxed);
  if (count >= 3 && count % 2 != 0) return true;
  if (Word(video_is_muted) == 0) ToggleVideoMute();
  RestorePictureIfOff();
  if (!Notice(tick, kNoticePictureOff)) {
    *result = End(tick);
    return false;
  }
  PictureOffIfOn();
  ToggleVideoMute();
  return true;
}

void StepCounter(std::atomic<int>& counter, int wrap_above) {
  const int next = Word(counter) + 1;
  counter.store(next > wrap_above ? 0 : next, kRelaxed);
}

// The tick's steps, as the transition's owner. Every path out that ends
// the tick has given the transition back already.
uint32_t TickOwned(Tick& tick) RELEASE(recording_owner) {
  FollowClockJump(tick);
  const int timer = Word(stop_timer);
  if (timer >= 1 && tick.now >= stop_time.load(kRelaxed)) {
    stop_timer.store(0, kRelaxed);
    return TimedStop(tick, kNoticeStopTime, false);
  }
  uint32_t result = kEndTimer;
  if (!StallCheck(tick, &result)) return result;
  if (!DiskCheck(tick, &result)) return result;
  if (!ProgrammeCheck(tick, &result)) return result;
  if (!Reminder(tick, &result)) return result;
  StepCounter(disk_check_counter, kDiskCheckPeriod);
  StepCounter(title_check_counter, kTitleCheckPeriod);
  StepCounter(reminder_counter, kReminderPeriod - 1);
  if (InfoPaneShown.load(kRelaxed)) DrawInfoPane();
  if (tick.moved_to[0] != '\0') {
    if (!NoticeKeepingPicture(tick, kNoticeFailover, tick.moved_to)) return End(tick);
  } else if (tick.split_made && !NoticeKeepingPicture(tick, kNoticeSplitMade)) {
    return End(tick);
  }
  const bool active = Word(recording_active) != 0;
  ReleaseRecordingTransition();
  return active ? kNextTickMs : End(tick);
}

}  // namespace

bool SpaceRunningLow(uint32_t free_kib, uint64_t bytes_per_second) {
  if (free_kib / 1024.0 < kLowMib) return true;
  if (bytes_per_second == 0 || free_kib <= kKeptFreeKb) return false;
  return uint64_t{free_kib - kKeptFreeKb} * 1024 / bytes_per_second < kWarnSecondsLeft;
}

void FormatSpace(char* out, size_t size, uint32_t kib, int language) {
  const bool french = language == 12;
  const double gib = kib / 1024.0 / 1024.0;
  const double mib = kib / 1024.0;
  if (gib > 2.0)
    std::snprintf(out, size, "%0.2f %s", gib, french ? "Go" : "GB");
  else if (mib > 8.0)
    std::snprintf(out, size, "%0.2f %s", mib, french ? "Mo" : "MB");
  else
    std::snprintf(out, size, "%lu %s", static_cast<unsigned long>(kib), french ? "Ko" : "KB");
}

void StartTick(uint32_t generation) {
  SDL_AddTimer(kFirstTickMs, TickTimer, reinterpret_cast<void*>(static_cast<uintptr_t>(generation)));
}

uint32_t TickTimer(uint32_t interval, void* param) {
  // Marks SDL's timer thread: a screen that would close the display here
  // clears it instead (SDL is never shut down on its own timer thread).
  TimerThreadScope timer_thread;
  Tick tick{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(param)), 0, false, "", 0};
  if (!OfThisRecording(tick)) return kEndTimer;  // a tick of an earlier recording
  tick_running.store(1, kRelaxed);
  if (Word(recording_active) == 0) return End(tick);
  if (!TakeRecordingTransition(kTickTransitionWaitMs)) return Current(tick) ? kNextTickMs : End(tick);
  if (!Current(tick)) {
    ReleaseRecordingTransition();
    return End(tick);
  }
  tick.now = static_cast<uint32_t>(time(nullptr));
  return TickOwned(tick);
}
