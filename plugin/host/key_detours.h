// The two key detours. The loader patches the start of the host's
// KeyCommon::SendKeyPressInput and SendKeyReleaseInput so that they jump into
// these trampolines (trampolines/<arch>.S). They are entered by a jump with
// the host call's registers live and leave by a jump to the host function +
// 24, after re-creating what the patched 24 bytes did.
#pragma once

#include <atomic>

// 1 while a remote key is held: raised by the dispatcher on every key,
// cleared by the release trampoline once the key-hold watcher has stopped.
extern "C" std::atomic<int> key_down;

extern "C" {
void injection_press();
void injection_release();
}
