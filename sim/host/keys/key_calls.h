// The bodies of the host's key functions (heads/<arch>.S) report here what
// they received after their heads ran: the processed-key log that
// ProcessedKeys() returns and that tvsim prints.
#pragma once

#include <cstdint>

// press: 1 for SendKeyPressInput, 0 for SendKeyReleaseInput; arg is 0 for a
// release; loaded is the word the head loaded from the KeyCommon structure.
extern "C" void RecordHostKeyCall(int press, int key, int arg, intptr_t loaded);
