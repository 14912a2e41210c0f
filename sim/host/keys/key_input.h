// The host's key-input thread: remote keys arrive here and are handed to the
// host's key functions, a press through KeyCommon::SendKeyPressInput and the
// release through SendKeyReleaseInput. Once the loader has patched those
// functions, every key passes through the plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/host_interface.h"

namespace sim {

// What the host's key functions processed, after the head (and any detour).
struct KeyCall {
  bool press;
  int key;          // the key code the host body received
  int arg;          // the third argument of a press (0 for a release)
  intptr_t loaded;  // the word the head loaded from the KeyCommon structure
  bool from_remote; // the press came from the key-input thread
  int sent;         // the code the remote sent (from_remote presses; else key)
};

// The host's key handler object that the key functions are called on.
KeyCommon* HostKeyObject();

// The word the heads load from the KeyCommon structure (so that tests can see
// that a detour re-created that load).
intptr_t HostKeyObjectWord();

// Every call the host's key function bodies received, oldest first.
std::vector<KeyCall> ProcessedKeys();
void ClearProcessedKeys();

// Presses key on the host's key object as the remote does: the body's record
// of the press (and its log line) names key as the code the remote sent.
// Returns what SendKeyPressInput returns, the code the body processed.
int PressRemoteKey(int key, int arg);

// Starts the key-input thread (idempotent) and stops it after the queued keys.
// A key still held when it stops stays held (no release is sent).
void StartKeyInput();
void StopKeyInput();

// Queues a press of key with the third argument arg, released hold_ms later
// (of the simulator's clock; below 0 counts as 0). Returns at once; keys are
// handled in the order they were queued.
void QueueKey(int key, int arg, int hold_ms);

// Queues a press of key that stays held until QueueRelease. Returns false
// (queuing nothing) while another key is held.
bool QueuePress(int key, int arg);

// Queues the release of the held key. Returns false (queuing nothing) when
// no key is held.
bool QueueRelease();

// The key queued by QueuePress and not yet released, in queue order (the
// press may still be waiting in the queue); nullopt when none is.
std::optional<int> HeldKey();

// Blocks until every queued key event has been carried out (a held key stays
// held). Returns at once when the key-input thread is not running, and as
// soon as it is held at a point of TV time (the scenario's hold step).
void WaitKeysIdle();

}  // namespace sim
