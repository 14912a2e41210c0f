// The plug-in's key handler: called by the press trampoline with every remote
// key (and by the supervision tick with negative internal codes); the code it
// returns is the key the host goes on to process: the key itself (passed),
// another code (replaced), 255 (consumed), or the code of an operation that
// opened the settings screen (45) or could not draw or freeze (122, 123,
// 125, 74).
//
// Each key is routed by the plug-in's modes in a fixed order: the delete
// dialog, the settings screen, the recording's phase
// (host/recording_lifecycle.h), then a recording or rest (the key-44 overlay
// is a variant of both). The tick's requests (-70, -73) go past the dialog,
// the settings screen and the phase: a stop or split the tick decided
// always reaches the recording. Other negative codes follow the same rules
// as the remote's keys.
#pragma once

#include "host/dispatcher_state.h"

extern "C" int KeyDispatcher(int key);

// Everything the dispatcher calls in other units. `key_operations` holds the
// real operations; tests put recording fakes in its place and restore it.
struct KeyOperations {
  int (*StartRecording)(int key);
  int (*StopRecording)(int key);
  void (*DeleteRecentFiles)();
  int (*ToggleFreeze)();
  void (*SetTvOption)(int option, int value);
  void (*StartKeyHoldWatch)(int key);
  void (*ShowStopTimer)();
  void (*CloseOsd)();
  void (*ClearOsd)();
  int (*ShowInfoPaneBackground)(int animate);
  int (*HideInfoPaneBackground)();
  void (*ClearWarnBand)();
  int (*setup)();
  void (*CloseToolbox)(int save);
  int (*ToolboxUp)();
  int (*ToolboxDown)();
  int (*ToolboxNext)();
  int (*ToolboxPrevious)();
  int (*ShowMessageBox)(int text, int close);
  int (*ShowRefusedIcon)();
  int (*ShowBusyIcon)();
  int (*ShowRecordIcon)();
  int (*OpenDeleteDialog)(int text);
  void (*DrawDeleteDialogButtons)();
  int (*RunScript)(const char* name);
};

extern KeyOperations key_operations;
// The real operations, for restoring key_operations.
extern const KeyOperations RealKeyOperations;

// The code a remote key 1 is replaced with, by key1_action (row 0: 1 itself;
// row 5 runs a script instead and has no code). And the same for key 68.
struct KeyChoice {
  int text;  // catalogue text the settings screen shows
  int code;  // code sent to the host; 0 when the row runs a script
};
extern const KeyChoice KeyAction1Choices[6];
extern const KeyChoice KeyAction68Choices[6];
