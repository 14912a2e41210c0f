// The bodies of the host's key functions (heads/<arch>.S) report here what
// they received after their heads ran: the processed-key log that
// ProcessedKeys() returns and that tvsim prints, one line per call:
//
//   key SENT -> KEY passed, arg ARG     a press the plug-in let through
//   key SENT -> KEY replaced, arg ARG   the host processes another code
//   key SENT -> 255 consumed, arg ARG   the plug-in used the key up
//   key KEY processed, arg ARG          a press that did not come from the
//                                       remote (a direct call)
//   key KEY released
#pragma once

#include <cstdint>

// press: 1 for SendKeyPressInput, 0 for SendKeyReleaseInput; arg is 0 for a
// release; loaded is the word the head loaded from the KeyCommon structure.
extern "C" void RecordHostKeyCall(int press, int key, int arg, intptr_t loaded);
