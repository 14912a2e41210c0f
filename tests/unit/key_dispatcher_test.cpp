// The key dispatcher's rules, as traces: a starting state, the keys pressed,
// what the host received for each, the operations called with their
// arguments, and the state afterwards. The operations are recording fakes,
// so each trace shows exactly what a key sets in motion.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/dispatcher_state.h"
#include "host/key_dispatcher.h"
#include "host/recording_state.h"
#include "host/tv_state.h"
#include "settings/dialog_state.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "settings/toolbox_state.h"
#include "sim/platform/sim_time.h"
#include "stress_rounds.h"
#include "supervision/info_pane_state.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"

namespace {

// What the fakes return, settable from a trace like any state word.
std::atomic<int> fake_start{255}, fake_refused{255}, fake_record_icon{255}, fake_message{255},
    fake_freeze{255}, fake_script{1};

std::vector<std::string> calls;

void Called(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Called(const char* format, ...) {
  char text[96];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  calls.emplace_back(text);
}

const KeyOperations FakeOperations = {
    .StartRecording = [](int key) { Called("StartRecording(%d)", key); return fake_start.load(); },
    .StopRecording = [](int key) { Called("StopRecording(%d)", key); return key; },
    .DeleteRecentFiles = [] { Called("DeleteRecentFiles()"); },
    .ToggleFreeze = [] { Called("ToggleFreeze()"); return fake_freeze.load(); },
    .SetTvOption = [](int option, int value) { Called("SetTvOption(%d,%d)", option, value); },
    .StartKeyHoldWatch = [](int key) { Called("StartKeyHoldWatch(%d)", key); },
    .ShowStopTimer = [] { Called("ShowStopTimer()"); },
    .CloseOsd = [] { Called("CloseOsd()"); },
    .ClearOsd = [] { Called("ClearOsd()"); },
    .ShowInfoPaneBackground = [](int animate) { Called("ShowInfoPaneBackground(%d)", animate); return 1; },
    .HideInfoPaneBackground = [] { Called("HideInfoPaneBackground()"); return 1; },
    .ClearWarnBand = [] { Called("ClearWarnBand()"); },
    .setup = [] { Called("setup()"); toolbox_open = 1; return 45; },
    .CloseToolbox = [](int save) { Called("CloseToolbox(%d)", save); toolbox_open = 0; },
    .ToolboxUp = [] { Called("ToolboxUp()"); return 255; },
    .ToolboxDown = [] { Called("ToolboxDown()"); return 255; },
    .ToolboxNext = [] { Called("ToolboxNext()"); return 255; },
    .ToolboxPrevious = [] { Called("ToolboxPrevious()"); return 255; },
    .ShowMessageBox = [](int text, int close) { Called("ShowMessageBox(%d,%d)", text, close); return fake_message.load(); },
    .ShowRefusedIcon = [] { Called("ShowRefusedIcon()"); return fake_refused.load(); },
    .ShowBusyIcon = [] { Called("ShowBusyIcon()"); return 255; },
    .ShowRecordIcon = [] { Called("ShowRecordIcon()"); return fake_record_icon.load(); },
    .OpenDeleteDialog = [](int text) {
      Called("OpenDeleteDialog(%d)", text);
      delete_dialog_open = 1;
      delete_choice = -1;
      return 255;
    },
    .DrawDeleteDialogButtons = [] { Called("DrawDeleteDialogButtons(%d)", delete_choice.load()); },
    .RunScript = [](const char* name) { Called("RunScript(%s)", name); return fake_script.load(); },
};

// Every word a trace may set or check, by name.
std::atomic<int>* Word(const std::string& name) {
  static const std::map<std::string, std::atomic<int>*> words = {
      {"last_key", &last_key}, {"key44_count", &key44_count},
      {"freeze_guard_140", &freeze_guard_140}, {"freeze_guard_147", &freeze_guard_147},
      {"key_down", &key_down}, {"pane_state", &pane_state},
      {"picture_frozen", &picture_frozen}, {"picture_off", &picture_off},
      {"saved_option15", &saved_option15}, {"option15_restore_count", &option15_restore_count},
      {"recording_active", &recording_active}, {"split_in_progress", &split_in_progress},
      {"phase", &recording.phase},
      {"stop_timer", &stop_timer}, {"tick_stop_state", &tick_stop_state},
      {"recording.recent_file_count", &recording.recent_file_count}, {"toolbox_open", &toolbox_open},
      {"delete_dialog_open", &delete_dialog_open}, {"delete_choice", &delete_choice},
      {"title_change_count", &title_change_count}, {"title_change_window", &title_change_window},
      {"key1_action", &settings.key1_action}, {"key68_action", &settings.key68_action},
      {"key74_action", &settings.key74_action}, {"key44_passthrough", &settings.key44_passthrough},
      {"record_key_notice", &settings.record_key_notice}, {"osd_opacity", &settings.osd_opacity},
      {"hold_key15", &settings.hold_key15}, {"standby_after", &settings.standby_after},
      {"pane_animation", &settings.pane_animation},
      {"fake_start", &fake_start}, {"fake_refused", &fake_refused},
      {"fake_record_icon", &fake_record_icon}, {"fake_message", &fake_message},
      {"fake_freeze", &fake_freeze}, {"fake_script", &fake_script},
  };
  auto found = words.find(name);
  return found == words.end() ? nullptr : found->second;
}

// "name=value name=value ..." applied to the words, or compared with them.
void SetWords(const std::string& assignments) {
  std::istringstream in(assignments);
  std::string item;
  while (in >> item) {
    size_t equals = item.find('=');
    std::atomic<int>* word = Word(item.substr(0, equals));
    ASSERT_NE(word, nullptr) << "no word " << item;
    *word = std::stoi(item.substr(equals + 1));
  }
}

std::string WrongWords(const std::string& expected) {
  std::istringstream in(expected);
  std::string item, wrong;
  while (in >> item) {
    size_t equals = item.find('=');
    std::atomic<int>* word = Word(item.substr(0, equals));
    if (word == nullptr) return "no word " + item;
    if (word->load() != std::stoi(item.substr(equals + 1)))
      wrong += item + " (is " + std::to_string(word->load()) + ") ";
  }
  return wrong;
}

struct Trace {
  const char* name;
  const char* before;              // words set before the first key
  std::vector<int> keys;           // negative: the tick's internal request
  std::vector<int> results;        // what the host receives for each key
  std::vector<std::string> calls;  // every operation called, in order
  const char* after;               // words checked after the last key
};

std::ostream& operator<<(std::ostream& out, const Trace& trace) { return out << trace.name; }

void ResetEverything() {
  ResetRunTimeState();
  ResetTvState();
  picture_frozen = 0;
  DefaultSettings(&settings);
  key_down = 0;
  fake_start = fake_refused = fake_record_icon = fake_message = fake_freeze = 255;
  fake_script = 1;
  calls.clear();
}

class KeyDispatcherTrace : public ::testing::TestWithParam<Trace> {
 protected:
  void SetUp() override {
    ResetEverything();
    key_operations = FakeOperations;
  }
  void TearDown() override {
    key_operations = RealKeyOperations;
    ResetEverything();
  }
};

TEST_P(KeyDispatcherTrace, Runs) {
  const Trace& trace = GetParam();
  SetWords(trace.before);
  std::vector<int> results;
  for (int key : trace.keys) results.push_back(KeyDispatcher(key));
  EXPECT_EQ(results, trace.results);
  EXPECT_EQ(calls, trace.calls);
  EXPECT_EQ(WrongWords(trace.after), "");
}

using Calls = std::vector<std::string>;
const Calls kNone;

// At rest: no recording, no dialog, no settings screen.
const Trace RestTraces[] = {
    {"RecordKeyStarts", "", {73}, {255}, {"StartRecording(73)"}, "last_key=73 key_down=1"},
    {"RecordKeyNotice", "record_key_notice=1", {73}, {255}, {"ShowMessageBox(6,1)"}, ""},
    {"RecordKeyNoticeNoDisplay", "record_key_notice=1 fake_message=123", {73}, {123},
     {"ShowMessageBox(6,1)"}, ""},
    {"MenuCloseThenRecordOpensToolbox", "", {26, 73}, {26, 45}, {"setup()"},
     "toolbox_open=1 last_key=73"},
    {"KeyOneRemapped", "key1_action=2", {1, 5}, {190, 190}, kNone, "last_key=5"},
    {"KeyOneTwicePassesTheSecond", "key1_action=2", {1, 1}, {190, 1}, kNone, ""},
    {"DigitTableAfterKeyOne", "key1_action=3", {257, 12, 1, 17, 1, 13}, {194, 105, 194, 134, 194, 13},
     kNone, ""},
    {"KeyOneUnchangedByRowZero", "key1_action=0", {1, 5, 257}, {1, 5, 257}, kNone, ""},
    {"KeyOneChoiceOutOfRangeActsAsZero", "key1_action=9", {1, 5}, {1, 5}, kNone, ""},
    {"KeyOneChoiceNegativeActsAsZero", "key1_action=-2147483648", {1, 4}, {1, 4}, kNone, ""},
    {"KeyOneScript", "key1_action=5", {1}, {255}, {"RunScript(source.sh)"}, ""},
    {"KeyOneScriptMissing", "key1_action=5 fake_script=0", {1}, {255},
     {"RunScript(source.sh)", "ShowMessageBox(44,1)"}, ""},
    {"KeyOneScriptFails", "key1_action=5 fake_script=-1", {1}, {255},
     {"RunScript(source.sh)", "ShowMessageBox(45,1)"}, ""},
    {"KeySixtyEightRemapped", "key68_action=1", {68, 70, 68}, {62, 70, 68}, kNone, ""},
    {"KeySixtyEightRows", "key68_action=4", {68}, {119}, kNone, ""},
    {"KeySixtyEightScript", "key68_action=5 fake_script=0", {68}, {255},
     {"RunScript(favch.sh)", "ShowMessageBox(44,1)"}, ""},
    {"KeySixtyEightChoiceOutOfRange", "key68_action=6", {68}, {68}, kNone, ""},
    {"ChannelKeysPass", "", {2, 258, 59, 235, 272, 4}, {2, 258, 59, 235, 272, 4}, kNone, ""},
    {"GuardKeys", "", {140, 147}, {140, 147}, kNone,
     "freeze_guard_140=1 freeze_guard_147=1 recording.recent_file_count=0"},
    {"KeyFortyFiveClearsGuards", "freeze_guard_140=1 freeze_guard_147=1", {45}, {45}, kNone,
     "freeze_guard_140=0 freeze_guard_147=0"},
    {"KeyFifteenArmsTheWatcher", "", {15}, {15}, {"StartKeyHoldWatch(15)"}, ""},
    {"KeyFifteenWithoutHold", "hold_key15=0", {15}, {15}, kNone, ""},
    {"OverlayCountsAndWraps", "", {44, 44, 44, 44}, {44, 44, 44, 44}, kNone, "key44_count=1"},
    {"OverlayEndsWithExit", "key44_count=2", {27, 27}, {27, 27}, kNone, "key44_count=0"},
    {"OverlayPassesDigitsUnmapped", "key1_action=2 key44_count=1", {1, 5}, {190, 5}, kNone, ""},
    {"OverlayUsesUpRecordKey", "key44_count=1", {73}, {255}, kNone, ""},
    {"StopTimerKeysPassAtRest", "", {69, 72, 70, 71}, {69, 72, 70, 71}, kNone, "stop_timer=0"},
    {"UnfreezeAtRest", "picture_frozen=1", {71}, {255}, {"ToggleFreeze()"}, ""},
    {"UnfreezeFails", "picture_frozen=1 fake_freeze=74", {71}, {74}, {"ToggleFreeze()"}, ""},
    {"UnfreezeGuarded", "picture_frozen=1 freeze_guard_147=1", {71}, {71}, kNone, ""},
    {"FreezeActionZeroPasses", "key74_action=0", {74}, {74}, kNone, ""},
    {"FreezeActionOne", "key74_action=1 freeze_guard_140=1", {74}, {255}, {"ToggleFreeze()"}, ""},
    {"FreezeActionTwoGuarded", "key74_action=2", {140, 74, 45, 74}, {140, 74, 45, 255},
     {"ToggleFreeze()"}, ""},
    {"FreezeChoiceOutOfRangePasses", "key74_action=3", {74}, {74}, kNone, ""},
    {"StopThenDeleteOpensDialog", "recording.recent_file_count=2", {70, 108}, {70, 255},
     {"OpenDeleteDialog(36)"}, "delete_dialog_open=1 delete_choice=-1"},
    {"DeleteWithoutFilesPasses", "recording.recent_file_count=0", {70, 108}, {70, 108}, kNone,
     "delete_dialog_open=0"},
    {"DeleteNotRightAfterStop", "recording.recent_file_count=2", {70, 7, 108}, {70, 7, 108}, kNone, ""},
    {"CodesWithoutRulePass", "", {7, 0, 300, 999}, {7, 0, 300, 999}, kNone, "last_key=999"},
    {"InternalRequestLeavesKeyDown", "", {-70}, {70}, kNone, "key_down=0 last_key=70"},
};
INSTANTIATE_TEST_SUITE_P(Rest, KeyDispatcherTrace, ::testing::ValuesIn(RestTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// A recording runs.
const Trace RecordingTraces[] = {
    {"RecordKeyTogglesThePane", "recording_active=1", {73, 73}, {255, 255},
     {"ShowInfoPaneBackground(1)", "HideInfoPaneBackground()"}, "pane_state=0"},
    {"PaneWithoutAnimation", "recording_active=1 pane_animation=0", {73}, {255},
     {"ShowInfoPaneBackground(0)"}, "pane_state=1"},
    {"PaneNotShownWithoutOpacity", "recording_active=1 osd_opacity=0", {73}, {255}, kNone,
     "pane_state=0"},
    {"RecordKeyBringsBackTheIcon", "recording_active=1 pane_state=2", {73}, {255},
     {"ShowRecordIcon()"}, "pane_state=0"},
    {"KeyOneRefused", "recording_active=1 key1_action=2", {1}, {255}, {"ShowRefusedIcon()"}, ""},
    {"RefusedIconWithoutDisplay", "recording_active=1 fake_refused=123", {257, 5}, {123, 123},
     {"ShowRefusedIcon()", "ShowRefusedIcon()"}, ""},
    {"DigitRefusedRedrawsThePane", "recording_active=1 pane_state=1", {5, 190}, {255, 255},
     {"ShowRefusedIcon()", "ShowInfoPaneBackground(0)", "ShowRefusedIcon()",
      "ShowInfoPaneBackground(0)"},
     ""},
    {"GuardKeyRefused", "recording_active=1 recording.recent_file_count=3", {140}, {255},
     {"ShowRefusedIcon()"}, "recording.recent_file_count=0 freeze_guard_140=1"},
    {"PowerKeyStops", "recording_active=1", {2}, {2}, {"StopRecording(2)"}, ""},
    {"PowerKeyTogglesStandby", "recording_active=1 stop_timer=30", {258, 2}, {255, 255},
     {"ShowMessageBox(47,0)", "ClearWarnBand()", "ShowMessageBox(48,0)", "ClearWarnBand()"},
     "standby_after=0"},
    {"StandbyOnAnswersWhatTheBoxGave", "recording_active=1 stop_timer=-1 fake_message=123", {2},
     {123}, {"ShowMessageBox(47,0)", "ClearWarnBand()"}, "standby_after=1"},
    {"StopKey", "recording_active=1", {70}, {70}, {"StopRecording(70)"}, ""},
    {"OverlayDeclinesOnlyTheRemoteStop", "recording_active=1 key44_count=1", {70, -70, 2},
     {255, 70, 2}, {"StopRecording(70)", "StopRecording(2)"}, ""},
    {"OverlayWithoutPassThroughStops", "recording_active=1 key44_count=1 key44_passthrough=0", {70},
     {70}, {"StopRecording(70)"}, ""},
    {"StopTimerDown", "recording_active=1", {69, 69, 69}, {255, 255, 255},
     {"ShowStopTimer()", "ShowStopTimer()", "ShowStopTimer()"}, "stop_timer=-1"},
    {"StopTimerDownFromTheTop", "recording_active=1 stop_timer=180", {69, 69, 69, 69, 69, 69, 69, 69},
     {255, 255, 255, 255, 255, 255, 255, 255}, Calls(8, "ShowStopTimer()"), "stop_timer=0"},
    {"StopTimerUp", "recording_active=1 stop_timer=-1", {72, 72, 72, 72, 72}, {255, 255, 255, 255, 255},
     Calls(5, "ShowStopTimer()"), "stop_timer=60"},
    {"StopTimerUpStopsAt180", "recording_active=1 stop_timer=150", {72, 72}, {255, 255},
     Calls(2, "ShowStopTimer()"), "stop_timer=180"},
    {"StopTimerDownNeverBelowZero", "recording_active=1 stop_timer=5", {69}, {255},
     {"ShowStopTimer()"}, "stop_timer=0"},
    {"ProgrammeEndForgetsEarlierChanges",
     "recording_active=1 title_change_count=2 title_change_window=4", {69}, {255},
     {"ShowStopTimer()"}, "stop_timer=-1 title_change_count=0 title_change_window=0"},
    {"ShowTimerKey", "recording_active=1 picture_frozen=1", {71}, {255}, {"ShowStopTimer()"}, ""},
    {"OverlayRefusedWithoutPassThrough", "recording_active=1 key44_passthrough=0 pane_state=1",
     {44}, {255}, {"ShowRefusedIcon()", "ShowInfoPaneBackground(0)"}, "key44_count=0"},
    {"OverlayHidesThePane", "recording_active=1 pane_state=1", {44}, {44},
     {"HideInfoPaneBackground()", "ClearOsd()"}, "pane_state=2 key44_count=1"},
    {"OverlayPassesDigitsAndHide", "recording_active=1 key44_count=2 pane_state=0", {5, 45, 73},
     {5, 45, 255}, kNone, "pane_state=0"},
    {"ExitEndsOverlay", "recording_active=1 key44_count=3", {27, 27}, {27, 255},
     {"ShowRefusedIcon()"}, "key44_count=0"},
    {"HideFromShownPane", "recording_active=1 pane_state=1", {45, 45}, {45, 45},
     {"HideInfoPaneBackground()", "ClearOsd()"}, "pane_state=2"},
    {"HideFromHiddenPane", "recording_active=1 pane_state=0", {45}, {45}, {"ClearOsd()"},
     "pane_state=2"},
    {"FavouriteRefusedUnmapped", "recording_active=1 key68_action=0", {68}, {255},
     {"ShowRefusedIcon()"}, ""},
    {"FavouriteRemappedWhileRecording", "recording_active=1 key68_action=2", {68}, {32}, kNone, ""},
    {"FavouriteAfterStopRefused", "recording_active=1 key68_action=1 last_key=70", {68}, {255},
     {"ShowRefusedIcon()"}, ""},
    {"KeyOneThenDigitRefused", "recording_active=1 key1_action=2 last_key=1", {5}, {255},
     {"ShowRefusedIcon()"}, ""},
    {"DeleteKeyPasses", "recording_active=1 recording.recent_file_count=2 last_key=70", {108}, {108}, kNone,
     "delete_dialog_open=0"},
    {"RemoteRecordDuringSplitUsedUp", "recording_active=1 split_in_progress=1", {73}, {255}, kNone, ""},
    {"SplitRestartsOnlyFromTheTick", "split_in_progress=1 fake_start=255", {73, -73}, {255, 255},
     {"StartRecording(73)"}, ""},
};
INSTANTIATE_TEST_SUITE_P(Recording, KeyDispatcherTrace, ::testing::ValuesIn(RecordingTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// The settings screen is open.
const Trace ToolboxTraces[] = {
    {"Navigation", "toolbox_open=1", {96, 97, 98, 101}, {255, 255, 255, 255},
     {"ToolboxUp()", "ToolboxDown()", "ToolboxNext()", "ToolboxPrevious()"}, "toolbox_open=1"},
    {"ConfirmSaves", "toolbox_open=1", {104}, {255}, {"CloseToolbox(1)"}, "toolbox_open=0"},
    {"ReturnGivesMenuClose", "toolbox_open=1", {88}, {26}, {"CloseToolbox(0)"},
     "toolbox_open=0 last_key=26"},
    {"ReturnThenRecordReopens", "toolbox_open=1", {88, 73}, {26, 45},
     {"CloseToolbox(0)", "setup()"}, "toolbox_open=1"},
    {"ClosingKeysPass", "toolbox_open=1", {26}, {26}, {"CloseToolbox(0)"}, "toolbox_open=0"},
    {"ExitCloses", "toolbox_open=1 key44_count=2", {27}, {27}, {"CloseToolbox(0)"}, "key44_count=2"},
    {"PowerCloses", "toolbox_open=1 recording_active=1", {2}, {2}, {"CloseToolbox(0)"}, ""},
    {"HideClosesAndClearsGuards", "toolbox_open=1 freeze_guard_147=1", {45}, {45},
     {"CloseToolbox(0)"}, "freeze_guard_147=0"},
    {"TvKeysUsedUp", "toolbox_open=1 recording_active=1 key1_action=2",
     {5, 59, 1, 15, 44, 68, 69, 72, 70, 71, 108, 147, 31, 37, 79},
     {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255}, kNone,
     "stop_timer=0 key44_count=0 freeze_guard_147=0"},
    {"RecordKeyUsedUp", "toolbox_open=1", {73}, {255}, kNone, ""},
    {"RecordKeyUsedUpWhileRecording", "toolbox_open=1 recording_active=1", {73}, {255}, kNone,
     "pane_state=0"},
    {"GuardKeyUsedUp", "toolbox_open=1 recording.recent_file_count=2", {140}, {255}, kNone,
     "recording.recent_file_count=0 freeze_guard_140=1"},
    {"FreezeActsThenUsedUp", "toolbox_open=1 key74_action=1", {74}, {255}, {"ToggleFreeze()"}, ""},
    {"FreezeGuardedPasses", "toolbox_open=1 freeze_guard_140=1", {74}, {74}, kNone, ""},
    {"OtherKeysPass", "toolbox_open=1", {7, 11, 200}, {7, 11, 200}, kNone, ""},
    {"TickStopReachesTheRecording", "toolbox_open=1 recording_active=1", {-70}, {70},
     {"StopRecording(70)"}, "toolbox_open=1"},
    {"SetupAgainChangesNothing", "toolbox_open=1 last_key=26", {73}, {73}, kNone, ""},
};
INSTANTIATE_TEST_SUITE_P(Toolbox, KeyDispatcherTrace, ::testing::ValuesIn(ToolboxTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// The delete dialog is open.
const Trace DialogTraces[] = {
    {"OnlySevenElevenAndMenuKeysPass", "delete_dialog_open=1",
     {7, 11, 31, 37, 79, 5, 1, 73, 70, 26, 27, 96, 300, 0},
     {7, 11, 31, 37, 79, 255, 255, 255, 255, 255, 255, 255, 255, 255}, kNone,
     "delete_dialog_open=1"},
    {"FocusMovesAndDeletes", "delete_dialog_open=1 delete_choice=-1 recording.recent_file_count=2",
     {101, 104}, {255, 255},
     {"DrawDeleteDialogButtons(1)", "ClearOsd()", "DeleteRecentFiles()", "CloseOsd()"},
     "delete_dialog_open=0 delete_choice=1"},
    {"ConfirmOnRightButtonKeeps", "delete_dialog_open=1 delete_choice=-1 recording.recent_file_count=2",
     {104}, {255}, {"ClearOsd()", "CloseOsd()"}, "delete_dialog_open=0"},
    {"BackToRightButtonKeeps", "delete_dialog_open=1 recording.recent_file_count=2", {101, 98, 104},
     {255, 255, 255},
     {"DrawDeleteDialogButtons(1)", "DrawDeleteDialogButtons(0)", "ClearOsd()", "CloseOsd()"}, ""},
    {"ClosingKeys", "delete_dialog_open=1", {45}, {255}, {"ClearOsd()", "CloseOsd()"},
     "delete_dialog_open=0"},
    {"ReturnCloses", "delete_dialog_open=1", {88}, {255}, {"ClearOsd()", "CloseOsd()"},
     "delete_dialog_open=0 last_key=88"},
    {"PowerCloses", "delete_dialog_open=1", {258}, {255}, {"ClearOsd()", "CloseOsd()"}, ""},
    {"FreezeActsThenUsedUp", "delete_dialog_open=1 key74_action=2", {74}, {255},
     {"ToggleFreeze()"}, ""},
    {"FreezeGuardedPasses", "delete_dialog_open=1 freeze_guard_147=1", {74}, {74}, kNone, ""},
    {"TickRequestsReachTheRecording", "delete_dialog_open=1 recording_active=1 split_in_progress=1",
     {-70, -73}, {70, 255}, {"StopRecording(70)", "StartRecording(73)"}, "delete_dialog_open=1"},
};
INSTANTIATE_TEST_SUITE_P(Dialog, KeyDispatcherTrace, ::testing::ValuesIn(DialogTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// The edges of a recording's phases (phase: 1 starting, 3 splitting, 4
// stopping, 5 summary, 6 standby pending), and the internal codes other
// than the tick's, which follow the modes like the remote's keys.
const Trace LifecycleTraces[] = {
    {"StopKeyDuringASplitEndsTheRecording", "phase=3 split_in_progress=1", {70, 258}, {70, 258},
     {"StopRecording(70)", "StopRecording(258)"}, ""},
    {"PowerKeyWithAStopTimerDuringASplitSwitchesTheStandby", "phase=3 stop_timer=30", {2}, {255},
     {"ShowMessageBox(47,0)", "ClearWarnBand()"}, "standby_after=1"},
    {"ChannelKeysDuringASplitAreRefused", "phase=3 split_in_progress=1", {19, 4, 59}, {255, 255, 255},
     {"ShowRefusedIcon()", "ShowRefusedIcon()", "ShowRefusedIcon()"}, ""},
    {"RecordKeyDuringAStartOrSplitIsBusy", "phase=3", {73}, {255}, {"ShowBusyIcon()"}, ""},
    {"StopTimerKeysDuringTheStopsNoticeAreBusy", "phase=4 recording_active=1", {72, 69, 71},
     {255, 255, 255}, {"ShowBusyIcon()", "ShowBusyIcon()", "ShowBusyIcon()"}, "stop_timer=0"},
    {"RecordKeyDuringTheSummaryIsBusy", "phase=5", {73}, {255}, {"ShowBusyIcon()"}, ""},
    {"DigitsDuringTheSummaryPass", "phase=5", {19}, {19}, kNone, ""},
    // Any remote key during the standby's countdown cancels the standby and
    // is used up, before the settings screen or the closing display sees it.
    {"RecordKeyDuringTheStandbyCountdownCancelsIt", "phase=6", {73}, {255}, kNone, "phase=0"},
    {"OnlyTheFirstKeyDuringTheStandbyCountdownIsUsedUp", "phase=6", {19, 2}, {255, 2}, kNone, "phase=0"},
    {"StandbyCountdownCancelledOverTheSettingsScreen", "phase=6 toolbox_open=1", {97}, {255}, kNone,
     "phase=0 toolbox_open=1"},
    {"StandbyCountdownCancelledThenTheDisplayCloses", "phase=6 tick_stop_state=2", {7}, {255},
     {"CloseOsd()"}, "phase=0 tick_stop_state=0"},
    {"TickRequestsLeaveTheStandbyCountdown", "phase=6", {-70}, {70}, kNone, "phase=6"},
    {"TickRequestsGoPastThePhase", "phase=3 recording_active=1 split_in_progress=1", {-70, -73},
     {70, 255}, {"StopRecording(70)", "StartRecording(73)"}, ""},
    {"InternalPowerKeyFollowsTheDialog", "delete_dialog_open=1 recording_active=1", {-2}, {255},
     {"ClearOsd()", "CloseOsd()"}, "delete_dialog_open=0"},
    {"InternalKeysFollowTheSettingsScreen", "toolbox_open=1", {-97, -19}, {255, 255},
     {"ToolboxDown()"}, "toolbox_open=1"},
    {"RecordAfterMenuCloseWithTheOverlayUpIsUsedUp",
     "toolbox_open=1 last_key=26 key44_passthrough=1 key44_count=1", {73}, {255}, kNone, ""},
    {"RecordAfterMenuCloseDuringASplitIsUsedUp", "toolbox_open=1 last_key=26 phase=3", {73}, {255},
     kNone, ""},
};
INSTANTIATE_TEST_SUITE_P(Lifecycle, KeyDispatcherTrace, ::testing::ValuesIn(LifecycleTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// The steps every key takes on its way in and out.
const Trace EntryExitTraces[] = {
    {"TickStopClosesTheDisplayAtTheNextKey", "tick_stop_state=2", {-70, 7}, {70, 7}, {"CloseOsd()"},
     "tick_stop_state=0"},
    {"OptionFifteenRestoredOnce", "option15_restore_count=1 saved_option15=6", {7, 7}, {7, 7},
     {"SetTvOption(15,6)"}, "option15_restore_count=0"},
    {"PassedKeySwitchesThePictureBackOn", "picture_off=1 saved_option15=4", {7, 7}, {7, 7},
     {"SetTvOption(15,4)"}, "picture_off=0 option15_restore_count=0"},
    {"RestoreSkippedWhenThePictureWentOffAgain", "option15_restore_count=1 picture_off=1", {73},
     {255}, {"StartRecording(73)"}, "option15_restore_count=0 picture_off=1"},
    {"ConsumedKeyLeavesThePictureOff", "picture_off=1", {73}, {255}, {"StartRecording(73)"},
     "picture_off=1 option15_restore_count=0"},
    {"TickRequestLeavesThePictureOff", "picture_off=1 recording_active=1", {-70}, {70},
     {"StopRecording(70)"}, "picture_off=1"},
};
INSTANTIATE_TEST_SUITE_P(EntryExit, KeyDispatcherTrace, ::testing::ValuesIn(EntryExitTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// The stop timer's end: set from now, and during the run-on after a
// programme's end stepped from the minutes that are really left.
class StopTimerClock : public ::testing::Test {
 protected:
  static constexpr int64_t kStart = 1700000000;
  void SetUp() override {
    ResetEverything();
    key_operations = FakeOperations;
    sim_clock_set(kStart, 0.001);  // practically standing still
    recording_active = 1;
  }
  void TearDown() override {
    sim_clock_reset();
    key_operations = RealKeyOperations;
    ResetEverything();
  }
  static long EndsIn() { return static_cast<long>(stop_time.load()) - static_cast<long>(kStart); }
};

TEST_F(StopTimerClock, EndIsSetFromNow) {
  KeyDispatcher(72);
  EXPECT_EQ(stop_timer.load(), 10);
  EXPECT_NEAR(EndsIn(), 600, 1);
  stop_timer = 180;
  KeyDispatcher(72);
  EXPECT_EQ(stop_timer.load(), 180);
  EXPECT_NEAR(EndsIn(), 180 * 60, 1);
  for (int press = 0; press < 8; ++press) KeyDispatcher(69);
  EXPECT_EQ(stop_timer.load(), 0);
  stop_time = 5;
  KeyDispatcher(69);  // "at the programme's end" leaves the end alone
  EXPECT_EQ(stop_timer.load(), -1);
  EXPECT_EQ(stop_time.load(), 5u);
}

TEST_F(StopTimerClock, RunOnStepsFromTheMinutesLeft) {
  struct Case {
    int key;
    long seconds_left;
    int minutes;  // stop_timer afterwards
  };
  const Case cases[] = {
      {69, 25 * 60, 15}, {72, 25 * 60, 35}, {69, 5 * 60, 0},  {72, 5 * 60, 15},
      {69, 0, 0},        {72, -90, 11},     {69, 30 * 60, 20}, {72, 30 * 60, 60},
  };
  for (const Case& c : cases) {
    stop_timer = kRunOnMarker;
    stop_time = static_cast<uint32_t>(kStart + c.seconds_left);
    KeyDispatcher(c.key);
    EXPECT_EQ(stop_timer.load(), c.minutes) << c.key << " with " << c.seconds_left << " s left";
    if (c.minutes > 0) {
      EXPECT_NEAR(EndsIn(), c.minutes * 60, 1);
    }
  }
}

// Every rule's code: whatever state and key, the result is the key, another
// key code, or one of the codes the operations give back; the state words
// stay within their ranges.
TEST(KeyDispatcherRanges, AnyKeyInAnyMode) {
  ResetEverything();
  key_operations = FakeOperations;
  unsigned seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) & 0xffff);
  };
  for (int round = 0; round < 20000; ++round) {
    recording_active = next() % 2;
    toolbox_open = next() % 4 == 0;
    delete_dialog_open = !toolbox_open && next() % 4 == 0;
    split_in_progress = next() % 8 == 0;
    settings.key1_action = next() % 9 - 1;
    settings.key68_action = next() % 9 - 1;
    settings.key74_action = next() % 5 - 1;
    settings.key44_passthrough = next() % 2;
    int key = next() % 300 - 10;
    calls.clear();
    int result = KeyDispatcher(key);
    EXPECT_TRUE(result >= 0 && result <= 300) << key << " gave " << result;
    ASSERT_GE(key44_count.load(), 0);
    ASSERT_LE(key44_count.load(), 3);
    ASSERT_GE(stop_timer.load(), -1);
    ASSERT_LE(stop_timer.load(), 180);
  }
  key_operations = RealKeyOperations;
  ResetEverything();
}

}  // namespace

namespace {

// The key thread and the tick's thread in the dispatcher at once: every
// word they share is atomic (ThreadSanitizer runs this), and the words stay
// within their ranges whatever interleaving.
std::atomic<int> concurrent_calls{0};

int CountedCode() {
  concurrent_calls.fetch_add(1, std::memory_order_relaxed);
  return 255;
}
int CountedKey(int key) {
  concurrent_calls.fetch_add(1, std::memory_order_relaxed);
  return key;
}
void Counted() { concurrent_calls.fetch_add(1, std::memory_order_relaxed); }
void CountedInt(int) { Counted(); }
void CountedPair(int, int) { Counted(); }
int CountedInt1(int) { return CountedCode(); }
int CountedInt2(int, int) { return CountedCode(); }
int CountedName(const char*) { return CountedCode(); }

TEST(KeyDispatcherConcurrent, KeyThreadAndTickThread) {
  ResetEverything();
  key_operations = KeyOperations{
      CountedInt1, CountedKey,  Counted,     CountedCode, CountedPair, CountedInt,
      Counted,     Counted,     Counted,     CountedInt1, CountedCode, Counted,
      CountedCode, CountedInt,  CountedCode, CountedCode, CountedCode, CountedCode,
      CountedInt2, CountedCode, CountedCode, CountedCode, CountedInt1, Counted,
      CountedName,
  };
  recording_active = 1;
  std::atomic<bool> stop{false};
  std::thread tick([&stop] {
    while (!stop.load()) {
      KeyDispatcher(-70);
      split_in_progress = 1;
      KeyDispatcher(-73);
      split_in_progress = 0;
    }
  });
  unsigned seed = 7;
  StressRounds presses(5000, 50000, 100);
  for (int press = 0; presses.Due(press); ++press) {
    seed = seed * 1103515245u + 12345u;
    int key = static_cast<int>((seed >> 8) % 280);
    int result = KeyDispatcher(key);
    ASSERT_TRUE(result >= 0 && result <= 279) << key;
    if (press % 1000 == 0) toolbox_open = !toolbox_open;
  }
  stop = true;
  tick.join();
  EXPECT_GE(key44_count.load(), 0);
  EXPECT_LE(key44_count.load(), 3);
  EXPECT_GE(stop_timer.load(), -1);
  EXPECT_LE(stop_timer.load(), 180);
  EXPECT_GT(concurrent_calls.load(), 0);
  key_operations = RealKeyOperations;
  ResetEverything();
}

}  // namespace
