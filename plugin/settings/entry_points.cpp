#include "settings/entry_points.h"

#include <cstring>

#include "display/debug_log.h"
#include "display/osd_surface.h"
#include "host/key_codes.h"
#include "host/recording_state.h"
#include "host/tv_services.h"
#include "settings/device_table.h"
#include "settings/dialog_state.h"
#include "settings/extra_settings.h"
#include "settings/home_folder.h"
#include "settings/notices.h"
#include "settings/run_time_reset.h"
#include "settings/script_state.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"
#include "settings/start_state.h"
#include "settings/toolbox.h"
#include "settings/toolbox_state.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

// The record is taken as the loader gives it, but a text that runs to the
// end of its field would let every string call read on into the next field.
template <size_t N>
void TerminateAtLastByte(char (&text)[N]) {
  text[N - 1] = '\0';
}

void TerminateDestination(DeviceEntry& entry) {
  TerminateAtLastByte(entry.name);
  TerminateAtLastByte(entry.vendor);
  TerminateAtLastByte(entry.product);
  TerminateAtLastByte(entry.serial);
  TerminateAtLastByte(entry.mount);
}

// Which build runs, and from which home folder: the first line the set's
// owner reads in the log. A home folder too long for a log line is left
// out, not cut. Joined by copies: home_dir is terminated by now.
void LogStart() {
  static constexpr char kStarted[] = "Recolyx " RECOLYX_VERSION " started";
  static constexpr char kHomeFolder[] = ", home folder ";
  char line[kDebugLogTextMax + 1];
  static_assert(sizeof kStarted <= sizeof line);
  std::memcpy(line, kStarted, sizeof kStarted);
  const size_t home = std::strlen(settings.home_dir);
  char* at = line + sizeof kStarted - 1;
  if (sizeof kStarted - 1 + sizeof kHomeFolder - 1 + home < sizeof line) {
    std::memcpy(at, kHomeFolder, sizeof kHomeFolder - 1);
    at += sizeof kHomeFolder - 1;
    std::memcpy(at, settings.home_dir, home + 1);
  }
  DebugLog(line);
}

}  // namespace

int init_config(const void* record) {
  // On the loaded image every run-time word is at rest already (see
  // settings/start_state.h): the resets are skipped, not its pages touched.
  const bool as_loaded = state_as_loaded.load(kRelaxed) != 0;
  if (!as_loaded) device_table.count.store(0, kRelaxed);
  std::memcpy(static_cast<void*>(&settings), record, kSettingsRecordSize);
  TerminateAtLastByte(settings.home_dir);
  TerminateDestination(settings.dest1);
  TerminateDestination(settings.dest2);
  if (!as_loaded) ResetRunTimeState();
  LogStart();
  CheckHomeFolder();
  LoadExtraSettings();
  telnet_running.store(TelnetRunning(), kRelaxed);
  BuildDeviceTable();
  if (!as_loaded) ForgetDisplay();
  ResetPictureOffState();
  LeaveLoadedState();
  return SetRecorderValue(settings.recorder_value.load(kRelaxed));
}

int setup() {
  LeaveLoadedState();
  if (toolbox_open.load(kRelaxed)) return kToolboxOpened;
  if (delete_dialog_open.load(kRelaxed)) {
    // The loader may open the screen over the dialog: close it unanswered.
    ClearOsd();
    delete_dialog_open.store(0, kRelaxed);
    CloseOsd();
  }
  ShowHomeFolderNotice();  // a home folder too long for some of its files
  toolbox_open.store(1, kRelaxed);
  toolbox_item.store(0, kRelaxed);
  toolbox_row.store(0, kRelaxed);
  toolbox_scroll.store(0, kRelaxed);
  ScanDeviceLog();
  RematchDestinations();
  OpenOsd();
  DrawToolbox();
  return kToolboxOpened;
}

void CloseToolbox(int save) {
  // During a recording the menu's pixels go and the recording's pictures
  // come back; at rest the display closes.
  CloseScreen();
  toolbox_open.store(0, kRelaxed);
  recording.dest_attempt.store(0, kRelaxed);
  CopyDestination(1);
  CopyDestination(2);
  if (save) {
    SaveSettings();
    SaveExtraSettings();
  }
}
