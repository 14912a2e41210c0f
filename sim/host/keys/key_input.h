// The host's key-input thread: remote keys arrive here and are handed to the
// host's key functions, a press through KeyCommon::SendKeyPressInput and,
// after the hold time, the release through SendKeyReleaseInput. Once the
// loader has patched those functions, every key passes through the plug-in.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host_interface.h"

namespace sim {

// What the host's key functions processed, after the head (and any detour).
struct KeyCall {
  bool press;
  int key;          // the key code the host body received
  int arg;          // the third argument of a press (0 for a release)
  intptr_t loaded;  // the word the head loaded from the KeyCommon structure
};

// The host's key handler object that the key functions are called on.
KeyCommon* HostKeyObject();

// The word the heads load from the KeyCommon structure (so that tests can see
// that a detour re-created that load).
intptr_t HostKeyObjectWord();

// Every call the host's key function bodies received, oldest first.
std::vector<KeyCall> ProcessedKeys();
void ClearProcessedKeys();

// Starts the key-input thread (idempotent) and stops it after the queued keys.
void StartKeyInput();
void StopKeyInput();

// Queues a press of key with the third argument arg, released hold_ms later
// (of the simulator's clock). Returns at once; keys are handled in order.
void QueueKey(int key, int arg, int hold_ms);

// Blocks until every queued key has been pressed and released.
void WaitKeysIdle();

}  // namespace sim
