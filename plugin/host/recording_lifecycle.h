// What a remote key does in each phase of the recording's life
// (RecordingPhase, host/recording_state.h): one table for the key
// dispatcher. kUsual leaves the key to the dispatcher's rules for a
// recording or for rest (a recording runs from the start to the stop, and
// during the tick's split); the other rules decide the edges between
// phases. The tick's own requests (-70, -73) are the owner's and are not
// looked up here.
#pragma once

#include "host/recording_state.h"

enum KeyGroup : unsigned char {
  kGroupRecord,   // 73
  kGroupStop,     // 70, and 2/258 while no stop timer is set
  kGroupTimer,    // 69, 71, 72: the stop timer
  kGroupChannel,  // digits, channel keys and the codes that change the channel
  kGroupOther,
};
inline constexpr int kKeyGroupCount = 5;

enum KeyRule : unsigned char {
  kUsual,        // the dispatcher's rules
  kBusy,         // refused with the "no" icon: a transition is under way
  kRefused,      // refused with the "no" icon, as during a recording
  kStopAtSplit,  // the viewer's stop ends the recording; the split does not restart
  kCancelStandby,  // the key cancels the standby after a timed stop and is used up
};

// Rows by RecordingPhase, columns by KeyGroup.
//  - A start from rest or a split: a second 73 would hand the recorder a
//    second file; channel keys would change the programme being recorded.
//  - The stop's notice ("Stop time reached") and summary: a new stop timer
//    or a new start would be promised and then overtaken by the stop.
//  - The standby countdown after a timed stop: any remote key cancels the
//    standby and is used up (the dispatcher takes this step first, before a
//    dialog or the settings screen sees the key and before the display may
//    close: the countdown runs on SDL's timer thread, which SDL's shutdown
//    waits for).
inline constexpr KeyRule PhaseKeyRules[kPhaseCount][kKeyGroupCount] = {
    //  record  stop          timer    channel   other
    {kUsual, kUsual, kUsual, kUsual, kUsual},         // idle
    {kBusy, kUsual, kUsual, kRefused, kUsual},        // starting
    {kUsual, kUsual, kUsual, kUsual, kUsual},         // recording
    {kBusy, kStopAtSplit, kUsual, kRefused, kUsual},  // splitting
    {kBusy, kUsual, kBusy, kUsual, kUsual},           // stopping
    {kBusy, kUsual, kUsual, kUsual, kUsual},          // summary
    {kCancelStandby, kCancelStandby, kCancelStandby, kCancelStandby, kCancelStandby},  // standby pending
};

inline KeyRule PhaseKeyRule(RecordingPhase phase, KeyGroup group) {
  if (static_cast<unsigned>(phase) >= static_cast<unsigned>(kPhaseCount)) phase = kPhaseIdle;
  return PhaseKeyRules[phase][group];
}
