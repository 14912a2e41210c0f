// Patching the host's key functions, as the set's loader does: the first 24
// bytes of KeyCommon::SendKeyPressInput and SendKeyReleaseInput become an
// absolute jump to the plug-in's trampolines.
#pragma once

#include <string>

namespace sim {

inline constexpr int kPatchBytes = 24;

// Overwrites the first 24 bytes of function with an absolute jump to target
// (after making its page writable, then executable again).
bool PatchFunctionHead(void* function, void* target, std::string* error);

// Patches both host key functions. The original heads are kept, so that
// UnpatchKeyFunctions can put them back.
bool PatchKeyFunctions(void* press_target, void* release_target, std::string* error);
void UnpatchKeyFunctions();

}  // namespace sim
