#include "host/key_dispatcher.h"

#include <array>
#include <climits>
#include <cstdint>
#include <ctime>

#include "display/osd_surface.h"
#include "display/skin.h"
#include "host/key_codes.h"
#include "host/key_hold_watcher.h"
#include "host/recording_control.h"
#include "host/recording_lifecycle.h"
#include "host/recording_state.h"
#include "host/tv_services.h"
#include "settings/dialog_state.h"
#include "settings/entry_points.h"
#include "settings/notices.h"
#include "settings/scripts.h"
#include "settings/settings_record.h"
#include "settings/start_state.h"
#include "settings/toolbox.h"
#include "settings/toolbox_state.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/status_notices.h"
#include "supervision/supervision_state.h"
#include "supervision/timer_tick.h"

const KeyOperations RealKeyOperations = {
    .StartRecording = StartRecording,
    .StopRecording = StopRecording,
    .DeleteRecentFiles = DeleteRecentFiles,
    .ToggleFreeze = ToggleFreeze,
    .SetTvOption = SetTvOption,
    .StartKeyHoldWatch = StartKeyHoldWatch,
    .ShowStopTimer = ShowStopTimer,
    .CloseOsd = CloseScreen,
    .ClearOsd = ClearOsd,
    .ShowInfoPaneBackground = ShowInfoPaneBackground,
    .HideInfoPaneBackground = HideInfoPaneBackground,
    .ClearWarnBand = ClearWarnBand,
    .setup = setup,
    .CloseToolbox = CloseToolbox,
    .ToolboxUp = ToolboxUp,
    .ToolboxDown = ToolboxDown,
    .ToolboxNext = ToolboxNext,
    .ToolboxPrevious = ToolboxPrevious,
    .ShowMessageBox = ShowMessageBox,
    .ShowRefusedIcon = ShowRefusedIcon,
    .ShowBusyIcon = ShowBusyIcon,
    .ShowRecordIcon = ShowRecordIcon,
    .OpenDeleteDialog = OpenDeleteDialog,
    .DrawDeleteDialogButtons = DrawDeleteDialogButtons,
    .RunScript = RunScript,
};

KeyOperations key_operations = RealKeyOperations;

const KeyChoice KeyAction1Choices[6] = {
    {79, kKeyOne}, {80, 233}, {81, 190}, {82, 194}, {83, 197}, {84, 0},
};
const KeyChoice KeyAction68Choices[6] = {
    {85, kKeyFavourite}, {86, 62}, {87, 32}, {88, 3}, {89, 119}, {84, 0},
};

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kScriptRow = 5;
constexpr int kPictureOffOption = 15;

// Digits after key 1 (with key1_action not 0) send these codes instead.
struct DigitRemap {
  int key;
  int code;
};
constexpr DigitRemap DigitRemaps[] = {
    {4, 233}, {5, 190}, {6, 194}, {8, 197}, {9, 132}, {10, 235}, {12, 105}, {17, 134},
};

// Stop-timer steps: minutes, the programme's end (-1), or none (0).
constexpr int kStopAtProgrammeEnd = -1;


// Changes word from `from` to `to` when it holds `from`; true when this call
// changed it. The plain load first keeps the common case (the word holds
// something else) free of a locked read-modify-write on every key.
bool ExchangeIf(std::atomic<int>& word, int from, int to) {
  return Word(word) == from && word.compare_exchange_strong(from, to, kRelaxed);
}

// A recording runs: from its start to its stop, and during the tick's split
// (when the recorder is between two files).
bool Recording() {
  if (Word(recording_active) != 0) return true;
  const RecordingPhase phase = CurrentPhase();
  return phase == kPhaseStarting || phase == kPhaseSplitting;
}
bool AfterKeyOne() { return Word(last_key) == kKeyOne || Word(last_key) == kKeyOneAlt; }
bool FreezeGuarded() { return Word(freeze_guard_140) || Word(freeze_guard_147); }
// The key-44 overlay lets digits, channel keys and key 45 through to the host.
bool OverlayPassing() {
  return settings.key44_passthrough.load(kRelaxed) && Word(key44_count) > 0;
}

// The redraw that follows a refused-key icon while the pane is shown.
int RefusedIcon() {
  int result = key_operations.ShowRefusedIcon();
  if (Word(pane_state) == 1) key_operations.ShowInfoPaneBackground(0);
  return result;
}

// A key the plug-in does not let through during a recording; at rest it
// passes as `code`.
int Refuse(int code) { return Recording() ? RefusedIcon() : code; }

// Runs a key-bound script and tells the viewer when it is missing (44) or
// could not run (45). The key is used up either way.
int KeyScript(const char* name) {
  int result = key_operations.RunScript(name);
  if (result == 0) key_operations.ShowMessageBox(44, 1);
  if (result == -1) key_operations.ShowMessageBox(45, 1);
  return kConsumed;
}

// Key 1 (257): a replacement code by key1_action, or its script.
int RemapKeyOne(int k) {
  int row = ChoiceSetting(settings.key1_action, 6);
  if (row == kScriptRow) return KeyScript("source.sh");
  return row == 0 ? k : KeyAction1Choices[row].code;
}

// A digit or channel key: after key 1 (with key1_action set) the code of
// the digit table, else itself; refused during a recording.
int DigitKey(int k) {
  if (OverlayPassing()) return k;
  int code = k;
  if (ChoiceSetting(settings.key1_action, 6) != 0 && AfterKeyOne()) {
    for (const DigitRemap& remap : DigitRemaps)
      if (remap.key == k) code = remap.code;
  }
  return Refuse(code);
}

// Key 68: unmapped right after key 70, else by key68_action (or its script).
int FavouriteKey(int k) {
  if (Word(last_key) != kKeyStop) {
    int row = ChoiceSetting(settings.key68_action, 6);
    if (row == kScriptRow) return KeyScript("favch.sh");
    int code = KeyAction68Choices[row].code;
    if (code != kKeyFavourite) return code;
  }
  return Recording() ? key_operations.ShowRefusedIcon() : k;
}

// Key 74: freezes or unfreezes the picture by key74_action. In the dialog
// and the settings screen the key is used up after acting.
int FreezeKey(int k, bool menu_open) {
  int result = k;
  switch (ChoiceSetting(settings.key74_action, 3)) {
    case 1:
      result = key_operations.ToggleFreeze();
      break;
    case 2:
      if (FreezeGuarded()) return k;
      result = key_operations.ToggleFreeze();
      break;
    default:
      break;
  }
  return menu_open ? kConsumed : result;
}

void ClearFreezeGuards() {
  freeze_guard_140.store(0, kRelaxed);
  freeze_guard_147.store(0, kRelaxed);
}

int CloseDeleteDialog() {
  key_operations.ClearOsd();
  delete_dialog_open.store(0, kRelaxed);
  key_operations.CloseOsd();
  return kConsumed;
}

// Minutes the stop timer has left by stop_time, at least 1: the run-on
// after a programme's end marks the timer only as set and keeps its minutes
// in stop_time.
int MinutesLeft() {
  int64_t left = static_cast<int64_t>(stop_time.load(kRelaxed)) - static_cast<int64_t>(time(nullptr));
  int64_t minutes = (left + 59) / 60;
  return minutes < 1 ? 1 : minutes > kLongestStopTimer ? kLongestStopTimer : static_cast<int>(minutes);
}

void SetStopTimer(int minutes) {
  stop_timer.store(minutes, kRelaxed);
  if (minutes > 0) stop_time.store(static_cast<uint32_t>(time(nullptr) + minutes * 60), kRelaxed);
  key_operations.ShowStopTimer();
}

// Key 69: 0 becomes "at the programme's end"; above 30 minutes steps of 30,
// below steps of 10, never below 0 (no timer).
int StopTimerDown() {
  int minutes = Word(stop_timer);
  if (minutes == kRunOnMarker) minutes = MinutesLeft();
  if (minutes == 0) {
    // A programme change seen before the timer was set must not end the
    // recording at once.
    title_change_count.store(0, kRelaxed);
    title_change_window.store(0, kRelaxed);
    minutes = kStopAtProgrammeEnd;
  } else if (minutes > 30) {
    minutes -= 30;
  } else if (minutes > 0) {
    minutes = minutes > 10 ? minutes - 10 : 0;
  }
  SetStopTimer(minutes);
  return kConsumed;
}

// Key 72: "at the programme's end" becomes no timer; then steps of 10 up to
// 30 and of 30 up to 180; at 180 the 180 minutes start again from now.
int StopTimerUp() {
  int minutes = Word(stop_timer);
  if (minutes == kRunOnMarker) minutes = MinutesLeft();
  if (minutes < 0) {
    minutes = 0;
  } else if (minutes < kLongestStopTimer) {
    minutes += minutes <= 29 ? 10 : 30;
  }
  if (minutes > kLongestStopTimer) minutes = kLongestStopTimer;
  SetStopTimer(minutes);
  return kConsumed;
}

// Key 2 (258) during a recording: stops it, or with a stop timer set
// toggles the standby after the timed stop.
int PowerKeyRecording(int k) {
  if (Word(stop_timer) == 0) return key_operations.StopRecording(k);
  int result;
  if (settings.standby_after.load(kRelaxed) == 0) {
    settings.standby_after.store(1, kRelaxed);
    result = key_operations.ShowMessageBox(47, 0);
  } else {
    settings.standby_after.store(0, kRelaxed);
    result = key_operations.ShowMessageBox(48, 0);
  }
  key_operations.ClearWarnBand();
  return result;
}

// Key 73 during a recording: shows, hides or brings back the pane.
int TogglePane() {
  switch (Word(pane_state)) {
    case 0:
      if (OsdOpacity() == 0) break;
      pane_state.store(1, kRelaxed);
      key_operations.ShowInfoPaneBackground(settings.pane_animation.load(kRelaxed));
      break;
    case 1:
      pane_state.store(0, kRelaxed);
      key_operations.HideInfoPaneBackground();
      break;
    default:
      key_operations.ShowRecordIcon();
      pane_state.store(0, kRelaxed);
      break;
  }
  return kConsumed;
}

// A start from rest, and the tick of the recording it started.
int StartFromRest() {
  const int result = key_operations.StartRecording(kKeyRecord);
  if (const uint32_t generation = TakeTickRequest()) StartTick(generation);
  return result;
}

// Key 45 during a recording: hides the plug-in's pictures.
void HidePictures() {
  switch (Word(pane_state)) {
    case 1:
      key_operations.HideInfoPaneBackground();
      key_operations.ClearOsd();
      pane_state.store(2, kRelaxed);
      break;
    case 0:
      key_operations.ClearOsd();
      pane_state.store(2, kRelaxed);
      break;
    default:
      break;
  }
}

// Digit and channel keys, and the codes that change the channel: one byte
// per key code, so that a key's class costs one load on every key's path.
enum KeyClass : unsigned char { kOtherKey, kDigitOrChannelKey, kChannelChangingKey };

constexpr std::array<unsigned char, kHighestKey + 1> KeyClasses = [] {
  std::array<unsigned char, kHighestKey + 1> classes{};
  for (int k : {4, 5, 6, 8, 9, 10, 12, 13, 14, 16, 17, 18, 19, 272, 274})
    classes[k] = kDigitOrChannelKey;
  for (int k : {59, 105, 107, 121, 132, 134, 139, 190, 192, 194, 197, 233, 235})
    classes[k] = kChannelChangingKey;
  return classes;
}();

KeyClass ClassOf(int k) {
  if (static_cast<unsigned>(k) > kHighestKey) return kOtherKey;
  return static_cast<KeyClass>(KeyClasses[k]);
}

bool IsDigitOrChannelKey(int k) { return ClassOf(k) == kDigitOrChannelKey; }

bool IsChannelChangingKey(int k) { return ClassOf(k) == kChannelChangingKey; }

// ---- The delete dialog: only its own keys, 7 and 11 (and 31, 37, 79)
// reach anything; a closing key closes it without deleting.
int DeleteDialogKey(int k) {
  if (IsDigitOrChannelKey(k) || IsChannelChangingKey(k)) return kConsumed;
  switch (k) {
    case kKeySeven:
    case kKeyEleven:
    case 31: case 37: case 79:
      return k;
    case kKeyHide:
      ClearFreezeGuards();
      return CloseDeleteDialog();
    case kKeyPower:
    case kKeyPowerAlt:
    case kKeyReturn:
      return CloseDeleteDialog();
    case kKeyFreeze:
      return FreezeKey(k, true);
    case kKeyRight:
    case kKeyLeft:
      delete_choice.store(k == kKeyLeft ? 1 : 0, kRelaxed);
      key_operations.DrawDeleteDialogButtons();
      return kConsumed;
    case kKeyConfirm:
      key_operations.ClearOsd();
      if (Word(delete_choice) == 1 && Word(recording.recent_file_count) >= 1)
        key_operations.DeleteRecentFiles();
      delete_dialog_open.store(0, kRelaxed);
      key_operations.CloseOsd();
      return kConsumed;
    default:
      return kConsumed;
  }
}

// ---- The settings screen: navigation goes to it, closing keys close it
// (104 saves), keys that would act on the TV under it are used up.
int ToolboxKey(int k, int* recorded_key) {
  if (IsDigitOrChannelKey(k) || IsChannelChangingKey(k)) return kConsumed;
  switch (k) {
    case kKeyOne: case kKeyOneAlt: case kKeyPictureOff: case kKeyOverlay: case kKeyFavourite:
    case kKeyTimerDown: case kKeyTimerUp: case kKeyStop: case kKeyShowTimer: case kKeyDelete:
    case kKeyGuard147: case 31: case 37: case 79:
      return kConsumed;
    case kKeyGuard140:
      recording.recent_file_count.store(0, kRelaxed);
      freeze_guard_140.store(1, kRelaxed);
      return kConsumed;
    case kKeyHide:
      ClearFreezeGuards();
      key_operations.CloseToolbox(0);
      return k;
    case kKeyPower: case kKeyPowerAlt: case kKeyMenuClose: case kKeyExit:
      key_operations.CloseToolbox(0);
      return k;
    case kKeyRecord:
      // Right after 26 the host gets the key (the screen was opened by the
      // loader meanwhile), unless it would be used up without the menu too
      // (a recording or split runs, the key-44 overlay is up); otherwise
      // nothing records or draws under the menu.
      return Word(last_key) == kKeyMenuClose && !Recording() && !OverlayPassing() ? k : kConsumed;
    case kKeyFreeze:
      return FreezeKey(k, true);
    case kKeyReturn:
      key_operations.CloseToolbox(0);
      *recorded_key = kKeyMenuClose;
      return kKeyMenuClose;
    case kKeyUp:
      return key_operations.ToolboxUp();
    case kKeyDown:
      return key_operations.ToolboxDown();
    case kKeyRight:
      return key_operations.ToolboxNext();
    case kKeyLeft:
      return key_operations.ToolboxPrevious();
    case kKeyConfirm:
      key_operations.CloseToolbox(1);
      return kConsumed;
    default:
      return k;
  }
}

// ---- Keys with no dialog and no settings screen open, recording or not.
// `request`: the tick's own -70 or -73.
int TvKey(int k, bool request) {
  const bool recording_now = Recording();
  if (IsDigitOrChannelKey(k)) return DigitKey(k);
  if (IsChannelChangingKey(k)) return Refuse(k);
  switch (k) {
    case kKeyOne:
    case kKeyOneAlt:
      if (recording_now) return key_operations.ShowRefusedIcon();
      return AfterKeyOne() ? k : RemapKeyOne(k);
    case kKeyPower:
    case kKeyPowerAlt:
      return recording_now ? PowerKeyRecording(k) : k;
    case kKeyGuard140:
      recording.recent_file_count.store(0, kRelaxed);
      freeze_guard_140.store(1, kRelaxed);
      return Refuse(k);
    case kKeyGuard147:
      freeze_guard_147.store(1, kRelaxed);
      return k;
    case kKeyPictureOff:
      if (settings.hold_key15.load(kRelaxed) == 1) key_operations.StartKeyHoldWatch(k);
      return k;
    case kKeyExit:
      if (Word(key44_count) > 0) {
        key44_count.store(0, kRelaxed);
        return k;
      }
      return recording_now ? RefusedIcon() : k;
    case kKeyOverlay:
      if (recording_now) {
        if (!settings.key44_passthrough.load(kRelaxed)) return RefusedIcon();
        if (Word(pane_state) == 1) key_operations.HideInfoPaneBackground();
        key_operations.ClearOsd();
        pane_state.store(2, kRelaxed);
      }
      key44_count.store(Word(key44_count) >= 3 ? 1 : Word(key44_count) + 1, kRelaxed);
      return k;
    case kKeyHide:
      ClearFreezeGuards();
      if (recording_now && !OverlayPassing()) HidePictures();
      return k;
    case kKeyFavourite:
      return FavouriteKey(k);
    case kKeyTimerDown:
      return recording_now ? StopTimerDown() : k;
    case kKeyTimerUp:
      return recording_now ? StopTimerUp() : k;
    case kKeyStop:
      if (!recording_now) return k;
      // The key-44 overlay declines the viewer's stop key; a stop the tick
      // decided (disk full, timer) is never declined.
      if (!request && OverlayPassing()) return kConsumed;
      return key_operations.StopRecording(kKeyStop);
    case kKeyShowTimer:
      if (recording_now) {
        key_operations.ShowStopTimer();
        return kConsumed;
      }
      if (Word(picture_frozen) == 1 && !FreezeGuarded()) return key_operations.ToggleFreeze();
      return k;
    case kKeyRecord:
      if (Word(split_in_progress)) {
        // Only the tick's own request restarts a split: a second start from
        // the remote would hand the recorder a second file.
        return request ? key_operations.StartRecording(kKeyRecord) : kConsumed;
      }
      if (OverlayPassing()) return kConsumed;
      if (recording_now) return TogglePane();
      if (Word(last_key) == kKeyMenuClose) return key_operations.setup();
      if (settings.record_key_notice.load(kRelaxed)) return key_operations.ShowMessageBox(6, 1);
      return StartFromRest();
    case kKeyFreeze:
      return FreezeKey(k, false);
    case kKeyDelete:
      if (!recording_now && Word(last_key) == kKeyStop && Word(recording.recent_file_count) >= 1)
        return key_operations.OpenDeleteDialog(36);
      return k;
    default:
      [[likely]] return k;
  }
}

KeyGroup GroupOf(int k) {
  switch (ClassOf(k)) {
    case kDigitOrChannelKey:
    case kChannelChangingKey:
      return kGroupChannel;
    default:
      break;
  }
  switch (k) {
    case kKeyRecord:
      return kGroupRecord;
    case kKeyStop:
      return kGroupStop;
    case kKeyPower:
    case kKeyPowerAlt:
      // With a stop timer set the power key switches the standby after it.
      return Word(stop_timer) == 0 ? kGroupStop : kGroupOther;
    case kKeyTimerDown:
    case kKeyTimerUp:
    case kKeyShowTimer:
      return kGroupTimer;
    default:
      return kGroupOther;
  }
}

// The recording's phase first: the edges between its phases.
int PhaseKey(int k, KeyRule rule, bool request) {
  switch (rule) {
    case kBusy:
      return key_operations.ShowBusyIcon();
    case kRefused:
      return RefusedIcon();
    case kStopAtSplit:
      return key_operations.StopRecording(k);
    case kCancelStandby:
      // The countdown ran out meanwhile (the standby key went): as at rest.
      return LeaveStandbyPending() ? kConsumed : TvKey(k, request);
    case kUsual:
    default:
      return TvKey(k, request);
  }
}

// Applies the rule for key k in the mode the plug-in is in. `recorded_key`
// is what last_key becomes (k unless the rule says otherwise). The tick's
// requests go straight to their rule; every other code, remote or not,
// follows the dialog's and the settings screen's rules and the phase's.
int RouteKey(int k, bool request, int* recorded_key) {
  if (request) return TvKey(k, true);
  if (Word(delete_dialog_open)) [[unlikely]]
    return DeleteDialogKey(k);
  if (Word(toolbox_open)) [[unlikely]]
    return ToolboxKey(k, recorded_key);
  const RecordingPhase phase = CurrentPhase();
  if (phase == kPhaseIdle || phase == kPhaseRecording) [[likely]]
    return TvKey(k, false);
  return PhaseKey(k, PhaseKeyRule(phase, GroupOf(k)), false);
}

}  // namespace

int KeyDispatcher(int key) {
  const bool remote = key >= 0;
  const int k = remote ? key : key == INT_MIN ? 0 : -key;

  // Entry steps: the key is held; a stop the tick carried out closes the
  // display it left open (at the next remote key: the tick's own requests
  // run on SDL's timer thread, where SDL must not be shut down); TV option
  // 15 goes back once more after the picture came back on.
  LeaveLoadedState();  // a key before the first start: that start resets
  bool standby_cancelled = false;
  if (remote) [[likely]] {
    key_down.store(1, kRelaxed);
    // Before the display may close below: the standby's countdown runs on
    // SDL's timer thread, and closing the display waits for that thread.
    if (CurrentPhase() == kPhaseStandbyPending) [[unlikely]]
      standby_cancelled = PhaseKeyRule(kPhaseStandbyPending, GroupOf(k)) == kCancelStandby && LeaveStandbyPending();
    // The settings screen keeps the display it draws on until it closes.
    if (Word(toolbox_open) == 0 && ExchangeIf(tick_stop_state, 2, 0)) key_operations.CloseOsd();
  }
  int restores = Word(option15_restore_count);
  while (restores >= 1 &&
         !option15_restore_count.compare_exchange_weak(restores, restores - 1, kRelaxed)) {
  }
  // A picture switched off again meanwhile (the tick's reminder) stays off.
  if (restores >= 1 && Word(picture_off) == 0)
    key_operations.SetTvOption(kPictureOffOption, Word(saved_option15));

  int recorded_key = k;
  int result;
  const bool request = key == kRequestStop || key == kRequestRecord;
  if (standby_cancelled) [[unlikely]]
    result = kConsumed;
  else if (k >= 1 && k <= kHighestKey) [[likely]]
    result = RouteKey(k, request, &recorded_key);
  else  // codes without a rule: used up only by the delete dialog
    result = !request && Word(delete_dialog_open) ? kConsumed : k;

  // Exit step: any remote key that reaches the host switches the picture
  // back on at the next key.
  last_key.store(recorded_key, kRelaxed);
  if (remote && result != kConsumed && ExchangeIf(picture_off, 1, 0))
    option15_restore_count.store(1, kRelaxed);
  return result;
}
