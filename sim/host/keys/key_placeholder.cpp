// Placeholder until the key-input thread lands.
#include "sim/host/keys/key_input.h"
#include "sim/host/keys/key_patch.h"
namespace sim {
bool PatchKeyFunctions(void*, void*, std::string*) { return true; }
void UnpatchKeyFunctions() {}
void StartKeyInput() {}
void StopKeyInput() {}
void QueueKey(int, int, int) {}
void WaitKeysIdle() {}
}  // namespace sim
namespace sim {
std::vector<KeyCall> ProcessedKeys() { return {}; }
void ClearProcessedKeys() {}
intptr_t HostKeyObjectWord() { return 0; }
}  // namespace sim
