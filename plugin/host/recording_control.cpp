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
#include "supervision/programme_info.h"
#include "supervision/supervision_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr uint32_t kFirstTickMs = 200;
constexpr int kTitleCheckStart = 10;

uint32_t Now() { return static_cast<uint32_t>(time(nullptr)); }

// A start that records nothing: its message box.
int FailedStart(int text) {
  last_start_failure.store(text, kRelaxed);
  return ShowMessageBox(text, 1);
}

// The message box for a destination that cannot take the file: 4 when it is
// dest2's, else 3.
int NoRoomBox(int index) { return FailedStart(index == settings.dest2.index ? 4 : 3); }

// The words a start sets; `from_rest` also those of a new recording.
void SetStartWords(bool from_rest) {
  const uint32_t now = Now();
  for (std::atomic<int>* word : {&tick_stop_state, &split_warned, &low_space, &low_space_warned})
    word->store(0, kRelaxed);
  segment_size_mb.store(0, kRelaxed);
  segment_start_time.store(now, kRelaxed);
  if (!from_rest) {
    segment_number.fetch_add(1, kRelaxed);
    return;
  }
  recent_file_count.store(0, kRelaxed);
  segment_number.store(0, kRelaxed);
  earlier_segments_mb.store(0, kRelaxed);
  rec_start_time.store(now, kRelaxed);
  last_tick_time.store(now, kRelaxed);
  pane_state.store(0, kRelaxed);
  std::snprintf(free_text, sizeof free_text, "?");
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

// The start itself, as the transition's owner. A start from rest asks for
// the tick's timer of `*timer_for`'s recording through *timer_wanted.
int StartOwned(bool split, uint32_t* timer_for, bool* timer_wanted) {
  BuildDeviceTable();
  RematchDestinations();
  const int attempt = Word(dest_attempt) == 1 ? 1 : 0;
  if (!split) {
    const DeviceEntry& wanted = attempt == 0 ? settings.dest1 : settings.dest2;
    if (RunDeviceScript(wanted.index) == -1) return FailedStart(45);
  }

  next_title_sample.store(0, kRelaxed);
  title_check_count.store(0, kRelaxed);
  settings.active_dest.store(0, kRelaxed);
  network_dest.store(0, kRelaxed);
  memory_dest.store(0, kRelaxed);
  RematchDestinations();

  const DestinationChoice choice = ChooseDestination(attempt);
  if (choice.index == 0) {
    dest_attempt.store(choice.next_attempt, kRelaxed);
    return FailedStart(choice.text);
  }
  settings.active_dest.store(choice.index, kRelaxed);
  split_choice.store(ClassifyDestination(choice.index, ChoiceSetting(settings.split_mode, kSplitChoiceCount)),
                     kRelaxed);

  const char* mount = device_table.entries[choice.index].mount;
  const int dvr = FindDvrFolder(mount);
  settings.dvr_folder.store(dvr, kRelaxed);
  char folder[kPathSize];
  char prefix[kPathSize];
  RefreshProgrammeInfo();
  if (!RecordingFolder(folder, sizeof folder, mount, dvr) ||
      !FitPrefix(prefix, sizeof prefix, name_prefix, PrefixRoom(folder)))
    return NoRoomBox(choice.index);
  const int number = FindFreeNumber(folder, prefix, Setting(settings.write_test) != 0);
  if (number == 0 || !RecordingPath(ts_path, sizeof ts_path, folder, prefix, number, ".ts") ||
      !RecordingPath(mdb_path, sizeof mdb_path, folder, prefix, number, ".mdb")) {
    ts_path[0] = mdb_path[0] = '\0';
    return NoRoomBox(choice.index);
  }
  std::memcpy(start_prefix, prefix, sizeof start_prefix);

  last_start_failure.store(0, kRelaxed);
  SetStartWords(!split);
  uint32_t generation = recording_generation.load(kRelaxed);
  if (!split) generation = recording_generation.fetch_add(1, kRelaxed) + 1;
  recording_active.store(1, kRelaxed);
  spI_Stream_Record(ts_path);
  if (split) return kConsumed;

  OpenOsd();
  const int result = ShowRecordIcon();
  split_in_progress.store(0, kRelaxed);
  *timer_for = generation;
  *timer_wanted = true;
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

// Renames the finished file after the tick's sampled title, keeping the
// date and time of its start, in the folder it is in. Never over another
// file; a failure leaves the file under its first name.
void RenameFinished() {
  if (Word(title_check_count) == 0 || final_prefix[0] == '\0') return;
  char folder[kPathSize];
  char joined[kPathSize];
  char prefix[kPathSize];
  if (!FolderOf(folder, sizeof folder, ts_path) ||
      !FinalPrefix(joined, sizeof joined, start_prefix, final_prefix) ||
      !FitPrefix(prefix, sizeof prefix, joined, PrefixRoom(folder)) ||
      !RecordingPath(rename_path, sizeof rename_path, folder, prefix,
                     segment_number.load(kRelaxed) + 1, ".ts"))
    return;
  if (std::strcmp(rename_path, ts_path) == 0 || !Exists(ts_path) || NameTaken(rename_path)) return;
  if (std::rename(ts_path, rename_path) == 0) std::memcpy(ts_path, rename_path, sizeof ts_path);
}

// Lists the finished file; a full list keeps its first nine and the newest.
void ListFinished() {
  int slot = Word(recent_file_count);
  if (slot > kRecentFileSlots - 1) slot = kRecentFileSlots - 1;
  if (slot < 0) slot = 0;
  std::memcpy(recent_files[slot].ts, ts_path, kPathSize);
  std::memcpy(recent_files[slot].mdb, mdb_path, kPathSize);
  recent_file_count.store(slot + 1, kRelaxed);
}

// The stop itself, as the transition's owner. 1 when the file was empty
// and has been deleted, else 0.
int StopOwned(int key, bool split) {
  if (!split) {
    if (Word(video_is_muted)) ToggleVideoMute();
    if (Word(picture_off)) RestorePictureIfOff();
  }
  recording_active.store(0, kRelaxed);
  if (key == kKeyStop && !split && Word(pane_state) != 2) ShowMessageImage("icon_stoprec");
  spI_Stream_Record_Stop();

  const int size = FileSizeMb(ts_path);
  segment_size_mb.store(static_cast<uint32_t>(size), kRelaxed);
  earlier_segments_mb.fetch_add(size, kRelaxed);
  if (!split) {
    if (Word(pane_state) == 1) HideInfoPaneBackground();
    pane_state.store(0, kRelaxed);
  }
  if (Setting(settings.delete_mdb) && SideFile(ts_path, mdb_path)[0] != '\0') {
    std::remove(mdb_path);
    mdb_path[0] = '\0';
  }
  const int removed = RemoveIfEmpty(ts_path, SideFile(ts_path, mdb_path));
  if (!removed) {
    RenameFinished();
    ListFinished();
  }
  if (split) return kConsumed;
  dest_attempt.store(0, kRelaxed);
  return removed;
}

// What a stop shows afterwards, with the transition given back (the notice
// takes seconds): key 70's notice and summary; other keys pass on.
int StopNotice(int key, int removed) {
  if (key != kKeyStop) return key;
  const int result = ShowStopNotice(removed);
  if (Setting(settings.stop_summary) && !removed) ShowStopSummary();
  return result;
}

}  // namespace

int StartRecording(int key) {
  if (Word(toolbox_open)) return key;
  const bool split = Word(split_in_progress) != 0 && HoldingRecordingTransition();
  if (!TakeRecordingTransition(kTransitionWaitMs)) return kConsumed;
  int result = kConsumed;
  uint32_t generation = 0;
  bool timer_wanted = false;
  // A recording started by the other thread meanwhile is not started twice.
  if (split || !Word(recording_active)) result = StartOwned(split, &generation, &timer_wanted);
  ReleaseRecordingTransition();
  // Registered once the transition is free: SDL holds its timer lock while
  // a tick runs, and a tick may be waiting for the transition.
  if (timer_wanted) {
    tick_timer_id.store(SDL_AddTimer(kFirstTickMs, TickTimer,
                                     reinterpret_cast<void*>(static_cast<uintptr_t>(generation))),
                        kRelaxed);
  }
  return result;
}

int StopRecording(int key) {
  // A split is only ever carried out by the thread that holds the
  // transition already (the tick).
  const bool split = Word(split_in_progress) != 0 && HoldingRecordingTransition();
  if (!TakeRecordingTransition(kTransitionWaitMs)) return kConsumed;
  // Stopped by the other thread meanwhile: nothing left to stop.
  if (!Word(recording_active)) {
    ReleaseRecordingTransition();
    return key == kKeyStop ? kConsumed : key;
  }
  const int removed = StopOwned(key, split);
  ReleaseRecordingTransition();
  return split ? kConsumed : StopNotice(key, removed);
}

void DeleteRecentFiles() {
  int deleted = 0;
  if (TakeRecordingTransition(kTransitionWaitMs)) {
    int count = Word(recent_file_count);
    if (count > kRecentFileSlots) count = kRecentFileSlots;
    // Deleted recordings leave the list, so that a second confirm does not
    // claim them again; one that could not be deleted stays listed.
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      if (std::remove(recent_files[i].ts) == 0) {
        ++deleted;
        const char* side = SideFile(recent_files[i].ts, recent_files[i].mdb);
        if (!Setting(settings.delete_mdb) && side[0] != '\0') std::remove(side);
        continue;
      }
      if (kept != i) recent_files[kept] = recent_files[i];
      ++kept;
    }
    recent_file_count.store(kept, kRelaxed);
    ReleaseRecordingTransition();
  }
  deleted_recording_count.store(deleted, kRelaxed);
  ShowMessageBox(39, 1);
}
