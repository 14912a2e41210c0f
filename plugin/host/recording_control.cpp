#include "host/recording_control.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "display/display_state.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "host/host_interface.h"
#include "host/key_codes.h"
#include "host/playlist_file.h"
#include "host/recording_destination.h"
#include "host/recording_files.h"
#include "host/recording_state.h"
#include "host/recording_transition.h"
#include "host/storage_checks.h"
#include "host/tv_services.h"
#include "settings/device_table.h"
#include "settings/dialog_state.h"
#include "settings/notices.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"
#include "settings/toolbox_state.h"
#include "supervision/info_pane_state.h"
#include "supervision/local_time.h"
#include "supervision/programme_info.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kTitleCheckStart = 10;

uint32_t Now() { return static_cast<uint32_t>(time(nullptr)); }

// A start that records nothing: its message box.
int FailedStart(int text) {
  recording.last_start_failure.store(text, kRelaxed);
  return ShowMessageBox(text, 1);
}

// The message box for a destination that cannot take the file: 4 when it is
// dest2's, else 3.
int NoRoomBox(int index) { return FailedStart(index == settings.dest2.index ? 4 : 3); }

// A restart that was to move the recording to another disk and cannot: no
// box (the tick ends the recording with its own notice), nothing recording.
int FailedMove(int text) {
  recording.last_start_failure.store(text, kRelaxed);
  return kConsumed;
}

// Notes the disk a start records to for the summary: a start from rest
// begins the list; a restart adds the disk when it differs from the last
// one. A full list keeps its first disks and the newest in its last slot.
void NoteDisk(int index, const char* mount, int dvr, bool from_rest) REQUIRES(recording_owner) {
  if (from_rest) recording.disk_count = 0;
  const int count = recording.disk_count;
  if (count > 0 && std::strcmp(recording.disks[count - 1].mount, mount) == 0) return;
  const int slot = count < kRecordingDisks ? count : kRecordingDisks - 1;
  RecordingDisk& disk = recording.disks[slot];
  disk = RecordingDisk{};
  CopyDeviceDisplayText(device_table.entries[index], disk.label, sizeof disk.label);
  std::snprintf(disk.mount, sizeof disk.mount, "%.*s", static_cast<int>(sizeof disk.mount - 1), mount);
  disk.dvr_folder = dvr;
  recording.disk_count = slot + 1;
}

// The words a start sets; `from_rest` also those of a new recording.
void SetStartWords(bool from_rest) REQUIRES(recording_owner) {
  const uint32_t now = Now();
  for (std::atomic<int>* word : {&tick_stop_state, &split_warned, &low_space, &low_space_warned})
    word->store(0, kRelaxed);
  segment_size_mb.store(0, kRelaxed);
  segment_start_time.store(now, kRelaxed);
  watched_file_bytes = -1;
  file_grown_at = 0;
  if (!from_rest) {
    segment_number.fetch_add(1, kRelaxed);
    return;
  }
  recording.recent_file_count.store(0, kRelaxed);
  recording.playlist = PlaylistState{};
  segment_number.store(0, kRelaxed);
  earlier_segments_mb.store(0, kRelaxed);
  rec_start_time.store(now, kRelaxed);
  last_tick_time.store(now, kRelaxed);
  pane_state.store(0, kRelaxed);
  std::snprintf(free_text.data(), sizeof free_text, "?");
  total_text[0] = '\0';
  title_check_counter.store(kTitleCheckStart, kRelaxed);
  free_gauge.store(-1, kRelaxed);
  raw_title[0] = raw_title[1] = 0;
  for (std::atomic<int>* word : {&disk_check_counter, &InfoPaneShown, &tick_running, &stop_timer,
                                 &reminder_counter, &reminder_count, &disk_check_failures})
    word->store(0, kRelaxed);
  bitrate.store(0, kRelaxed);
  minutes_left.store(0, kRelaxed);
  title_change_count.store(0, kRelaxed);
}

// The start itself, as the owner. A start from rest leaves its
// generation in tick_wanted for the dispatcher to start the tick.
int StartOwned(bool split) REQUIRES(recording_owner) {
  BuildDeviceTable();
  RematchDestinations();
  const int attempt = Word(recording.dest_attempt) == 1 ? 1 : 0;
  if (!split) {
    const DeviceEntry& wanted = attempt == 0 ? settings.dest1 : settings.dest2;
    if (RunDeviceScript(wanted.index) == -1) return FailedStart(45);
  }

  next_title_sample.store(0, kRelaxed);
  title_check_count.store(0, kRelaxed);
  settings.active_dest.store(0, kRelaxed);
  recording.network_dest.store(0, kRelaxed);
  recording.memory_dest.store(0, kRelaxed);
  RematchDestinations();

  // A restart that moves away from a full or vanished disk goes to the
  // other destination, and records to it from then on.
  const bool moving = split && recording.leaving[0] != '\0';
  const DestinationChoice choice =
      moving ? ChooseFailover(attempt, recording.leaving.data()) : ChooseDestination(attempt);
  if (choice.index == 0) {
    if (moving) return FailedMove(choice.text);
    recording.dest_attempt.store(choice.next_attempt, kRelaxed);
    return FailedStart(choice.text);
  }
  if (moving) recording.dest_attempt.store(choice.next_attempt, kRelaxed);
  settings.active_dest.store(choice.index, kRelaxed);
  split_choice.store(ClassifyDestination(choice.index, ChoiceSetting(settings.split_mode, kSplitChoiceCount)),
                     kRelaxed);

  const char* mount = device_table.entries[choice.index].mount;
  // The tick measures this folder: a later scan of the devices may give
  // the table's slot to another disk.
  std::snprintf(recording.mount.data(), sizeof recording.mount, "%s", mount);
  const int dvr = FindDvrFolder(mount);
  settings.dvr_folder.store(dvr, kRelaxed);
  char folder[kPathSize];
  char prefix[kPathSize];
  RefreshProgrammeInfo();
  // The folder is reached without following a link: a destination whose
  // folder leads elsewhere is refused as a missing one.
  if (!RecordingFolder(folder, sizeof folder, mount, dvr) || !OwnFolder(folder, mount) ||
      !FitPrefix(prefix, sizeof prefix, name_prefix, PrefixRoom(folder)))
    return moving ? FailedMove(3) : NoRoomBox(choice.index);
  const int number = FindFreeNumber(folder, prefix, Setting(settings.write_test) != 0);
  if (number == 0 || !RecordingPath(recording.ts_path.data(), sizeof recording.ts_path, folder, prefix, number, ".ts") ||
      !RecordingPath(recording.mdb_path.data(), sizeof recording.mdb_path, folder, prefix, number, ".mdb")) {
    recording.ts_path[0] = recording.mdb_path[0] = '\0';
    return moving ? FailedMove(3) : NoRoomBox(choice.index);
  }
  std::memcpy(recording.start_prefix.data(), prefix, sizeof recording.start_prefix);

  recording.last_start_failure.store(0, kRelaxed);
  NoteDisk(choice.index, mount, dvr, !split);
  SetStartWords(!split);
  uint32_t generation = recording.generation.load(kRelaxed);
  if (!split) generation = recording.generation.fetch_add(1, kRelaxed) + 1;
  recording_active.store(1, kRelaxed);
  spI_Stream_Record(recording.ts_path.data());
  if (split) return kConsumed;

  EnterPhase(kPhaseRecording);
  OpenOsd();
  // The screens that close while the recording runs keep the display (the
  // tick draws with its fonts) and clear only what they drew.
  KeepDisplayOpen(true);
  const int result = ShowRecordIcon();
  split_in_progress.store(0, kRelaxed);
  recording.tick_wanted.store(generation, kRelaxed);
  if (Setting(settings.pane_on_start) == 1 && OsdOpacity() != 0 && Word(pane_state) == 0) {
    pane_state.store(1, kRelaxed);
    ShowInfoPaneBackground(Setting(settings.pane_animation));
  }
  return result;
}

// The side file's path when it names a file other than the recording.
const char* SideFile(const char* ts, const char* mdb) {
  return mdb[0] != '\0' && std::strcmp(ts, mdb) != 0 ? mdb : "";
}

bool Exists(const char* path) { return access(path, F_OK) == 0; }

// When the current file started, as the tick keeps it (moved with every
// jump of the clock).
uint32_t FileStartTime() {
  return segment_number.load(kRelaxed) <= 0 ? rec_start_time.load(kRelaxed) : segment_start_time.load(kRelaxed);
}

// The date part of a prefix for the start of the current file, from its
// start time as the tick kept it (moved with every jump of the clock): for
// a file created while the clock was not set ("_"), once it is. false when
// the clock is still not set.
bool ShiftedStartPrefix(char* out, size_t size) {
  const uint32_t start = FileStartTime();
  struct tm local{};
  const time_t clock = static_cast<time_t>(start);
  if (Setting(settings.clock_source) == 1) {
    gmtime_r(&clock, &local);  // the broadcast clock's names are in its own (UTC) time
  } else {
    const TimeZone& zone = TimeZones[ChoiceSetting(settings.time_zone, kTimeZoneCount)];
    LocalTimeAt(clock, zone.standard, zone.summer, &local);
  }
  if (!ClockIsSet(local)) return false;
  const int written = std::snprintf(out, size, "%04lld-%02d-%02d_%02d-%02d_", CalendarYear(local),
                                    local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
  return written > 0 && static_cast<size_t>(written) < size;
}

// Renames the finished file after the tick's sampled title, keeping the
// date and time of its start, in the folder it is in. A file created while
// the clock was not set takes the date and time of its start as the clock
// now gives it (with the sampled title, or none). Never over another file;
// a failure leaves the file under its first name.
void RenameFinished() REQUIRES(recording_owner) {
  const bool sampled = Word(title_check_count) != 0 && final_prefix[0] != '\0';
  char shifted[kPathSize];
  const bool redated = !HasDate(recording.start_prefix.data()) && ShiftedStartPrefix(shifted, sizeof shifted);
  if (!sampled && !redated) return;
  const char* start = redated ? shifted : recording.start_prefix.data();
  char folder[kPathSize];
  char joined[kPathSize];
  char prefix[kPathSize];
  if (!FolderOf(folder, sizeof folder, recording.ts_path.data())) return;
  if (!sampled || !FinalPrefix(joined, sizeof joined, start, final_prefix.data())) {
    if (!redated) return;
    std::memcpy(joined, shifted, sizeof joined);
  }
  if (!FitPrefix(prefix, sizeof prefix, joined, PrefixRoom(folder)) ||
      !RecordingPath(recording.rename_path.data(), sizeof recording.rename_path, folder, prefix,
                     segment_number.load(kRelaxed) + 1, ".ts"))
    return;
  if (std::strcmp(recording.rename_path.data(), recording.ts_path.data()) == 0 || !Exists(recording.ts_path.data()) ||
      NameTaken(recording.rename_path.data()))
    return;
  if (std::rename(recording.ts_path.data(), recording.rename_path.data()) == 0)
    std::memcpy(recording.ts_path.data(), recording.rename_path.data(), sizeof recording.ts_path);
}

// Lists the finished file for the delete dialog (a full list keeps its
// first nine and the newest) and counts it on its disk for the summary.
void ListFinished() REQUIRES(recording_owner) {
  int slot = Word(recording.recent_file_count);
  if (slot > kRecentFileSlots - 1) slot = kRecentFileSlots - 1;
  if (slot < 0) slot = 0;
  std::memcpy(recording.recent_files[slot].ts, recording.ts_path.data(), kPathSize);
  std::memcpy(recording.recent_files[slot].mdb, recording.mdb_path.data(), kPathSize);
  recording.recent_file_count.store(slot + 1, kRelaxed);
  if (recording.disk_count > 0) {
    RecordingDisk& disk = recording.disks[recording.disk_count - 1];
    ++disk.files;
    std::memcpy(disk.last_path, recording.ts_path.data(), sizeof disk.last_path);
  }
}

// What the stop hands to its notices: the recording's figures as they are
// once its last file is finished.
StopOutcome Outcome(int removed) REQUIRES(recording_owner) {
  StopOutcome outcome;
  outcome.removed = removed;
  outcome.files = segment_number.load(kRelaxed) + 1;
  outcome.size_mb = static_cast<uint32_t>(earlier_segments_mb.load(kRelaxed));
  outcome.start_time = rec_start_time.load(kRelaxed);
  outcome.dvr_folder = settings.dvr_folder.load(kRelaxed);
  std::memcpy(outcome.last_path, recording.ts_path.data(), sizeof outcome.last_path);
  outcome.disk_count = recording.disk_count;
  for (int i = 0; i < recording.disk_count && i < kRecordingDisks; ++i) outcome.disks[i] = recording.disks[i];
  return outcome;
}

// The end of a recording after its last file is finished: the picture and
// sound as before it, the pane gone, the next start from dest1 again.
StopOutcome EndRecording(int removed) REQUIRES(recording_owner) {
  if (Word(pane_state) == 1) HideInfoPaneBackground();
  pane_state.store(0, kRelaxed);
  recording.dest_attempt.store(0, kRelaxed);
  recording.stop_request.store(0, kRelaxed);
  KeepDisplayOpen(false);
  return Outcome(removed);
}

// Sound and picture as before the recording, at its stop.
void RestoreTvForStop() {
  if (Word(video_is_muted)) ToggleVideoMute();
  if (Word(picture_off)) RestorePictureIfOff();
}

// Stops the recorder and finishes its file: measured, the side file (with
// delete_mdb) and an empty file (with delete_empty) deleted, the rest
// renamed and listed. 1 when the file was empty and has been deleted.
int FinishFile(int key, bool split) REQUIRES(recording_owner) {
  if (!split) RestoreTvForStop();
  recording_active.store(0, kRelaxed);
  if (key == kKeyStop && !split && Word(pane_state) != 2) ShowMessageImage("icon_stoprec");
  spI_Stream_Record_Stop();

  const int size = FileSizeMb(recording.ts_path.data());
  segment_size_mb.store(static_cast<uint32_t>(size), kRelaxed);
  earlier_segments_mb.fetch_add(size, kRelaxed);
  if (Setting(settings.delete_mdb) && SideFile(recording.ts_path.data(), recording.mdb_path.data())[0] != '\0') {
    std::remove(recording.mdb_path.data());
    recording.mdb_path[0] = '\0';
  }
  const int removed = RemoveIfEmpty(recording.ts_path.data(), SideFile(recording.ts_path.data(), recording.mdb_path.data()));
  if (!removed) {
    RenameFinished();
    ListFinished();
    // The TV time it recorded; none when the clock went back meanwhile.
    const uint32_t now = Now(), start = FileStartTime();
    AddToPlaylist(recording.playlist, recording.ts_path.data(), now > start ? now - start : 0);
  }
  return removed;
}

// What a stop shows afterwards, without the owner (the notice takes
// seconds): key 70's notice and summary; other keys pass on. Then the phase
// the stop leaves behind: idle, unless the tick's timed stop still has its
// standby to send (it moves on then).
int StopNotices(int key, const StopOutcome& outcome) {
  int result = key;
  if (key == kKeyStop) {
    result = ShowStopNotice(outcome.removed);
    if (Setting(settings.stop_summary) && !outcome.removed) {
      recording.phase.store(kPhaseSummary, kRelaxed);
      ShowStopSummary(outcome);
    }
  }
  if (tick_stop_state.load(kRelaxed) == 0) recording.phase.store(kPhaseIdle, kRelaxed);
  return result;
}

}  // namespace

int StartRecording(int key) {
  const bool split = Word(split_in_progress) != 0 && HoldingRecordingTransition();
  // The settings screen stops only a viewer's start from under it; a
  // split's restart goes on whatever the screen shows.
  if (!split && Word(toolbox_open)) return key;
  if (!TakeRecordingTransition(kTransitionWaitMs)) return ShowBusyIcon();
  RecordingTurn turn(recording_owner);
  // A viewer's stop that came during the split wins over its restart.
  if (split && Word(recording.stop_request) != 0) return kConsumed;
  // A recording started by the other thread meanwhile is not started twice.
  if (!split && Word(recording_active)) return kConsumed;
  if (split) return StartOwned(true);
  EnterPhase(kPhaseStarting);
  const int result = StartOwned(false);
  if (!Word(recording_active)) EnterPhase(kPhaseIdle);
  return result;
}

int StopRecording(int key) {
  // A viewer's stop during the tick's split: the tick finishes the split
  // as this stop (the owner is the tick's until then).
  if (CurrentPhase() == kPhaseSplitting && !HoldingRecordingTransition()) {
    recording.stop_request.store(key, kRelaxed);
    return key == kKeyStop ? kConsumed : key;
  }
  // A split is only ever carried out by the thread that holds the
  // transition already (the tick).
  const bool split = Word(split_in_progress) != 0 && HoldingRecordingTransition();
  if (!TakeRecordingTransition(kTransitionWaitMs)) return ShowBusyIcon();
  StopOutcome outcome;
  {
    RecordingTurn turn(recording_owner);
    // Stopped by the other thread meanwhile: nothing left to stop.
    if (!Word(recording_active)) return key == kKeyStop ? kConsumed : key;
    if (split) {
      FinishFile(key, true);
      return kConsumed;
    }
    EnterPhase(kPhaseStopping);
    outcome = EndRecording(FinishFile(key, false));
  }
  return StopNotices(key, outcome);
}

int FinishSplitAsStop(int key) {
  if (!TakeRecordingTransition(kTransitionWaitMs)) return kConsumed;
  StopOutcome outcome;
  {
    RecordingTurn turn(recording_owner);
    EnterPhase(kPhaseStopping);
    RestoreTvForStop();
    outcome = EndRecording(0);
  }
  return StopNotices(key, outcome);
}

uint32_t TakeTickRequest() { return recording.tick_wanted.exchange(0, kRelaxed); }

void DeleteRecentFiles() {
  int deleted = 0;
  if (TakeRecordingTransition(kTransitionWaitMs)) {
    RecordingTurn turn(recording_owner);
    int count = Word(recording.recent_file_count);
    if (count > kRecentFileSlots) count = kRecentFileSlots;
    // Deleted recordings leave the list, so that a second confirm does not
    // claim them again; one that could not be deleted stays listed.
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      if (std::remove(recording.recent_files[i].ts) == 0) {
        ++deleted;
        const char* side = SideFile(recording.recent_files[i].ts, recording.recent_files[i].mdb);
        if (!Setting(settings.delete_mdb) && side[0] != '\0') std::remove(side);
        continue;
      }
      if (kept != i) recording.recent_files[kept] = recording.recent_files[i];
      ++kept;
    }
    recording.recent_file_count.store(kept, kRelaxed);
    // The recording's playlist goes with its files.
    if (deleted > 0) DeletePlaylist(recording.playlist);
  }
  deleted_recording_count.store(deleted, kRelaxed);
  ShowMessageBox(39, 1);
}
