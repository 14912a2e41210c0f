// The one list of the plug-in's run-time words: a reset that puts every
// subsystem's words as at a fresh start. init_config calls it, and so does
// whatever must start from that same rest (the test fixtures, the gallery),
// so that a subsystem added to the list is reset everywhere at once.
//
// Not in the list, because they mirror something outside the plug-in and
// have resets of their own: the display (ForgetDisplay), the TV's words
// (ResetPictureOffState, which reads the host's option), the settings record
// and the device table.
#pragma once

// Dispatcher, recording, key hold, supervision, programme, information
// pane, toolbox, delete dialog, scripts and status band: each subsystem's
// Reset...State.
void ResetRunTimeState();
