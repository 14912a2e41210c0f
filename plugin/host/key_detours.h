// The two key detours. The loader patches the start of the host's
// KeyCommon::SendKeyPressInput and SendKeyReleaseInput so that they jump into
// these trampolines (trampolines/<arch>.S). They are entered by a jump with
// the host call's registers live and leave by a jump to the host function +
// 24, after re-creating what the patched 24 bytes did. The press trampoline
// calls KeyDispatcher; the release trampoline stops the key-hold watcher and
// clears key_down (host/dispatcher_state.h).
#pragma once

extern "C" {
void injection_press();
void injection_release();
}
