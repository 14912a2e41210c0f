#include "sim/host/keys/key_calls.h"

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <vector>

#include "sim/host/keys/key_input.h"
#include "sim/host/keys/key_object_layout.h"
#include "sim/host/log/host_log.h"

namespace sim {
namespace {

// The host's KeyCommon structure: the key functions' heads load the word at
// SIM_KEY_OBJECT_WORD_OFFSET.
struct KeyCommonLayout {
  unsigned char header[SIM_KEY_OBJECT_WORD_OFFSET];
  intptr_t word;
  unsigned char rest[48];
};
static_assert(offsetof(KeyCommonLayout, word) == SIM_KEY_OBJECT_WORD_OFFSET);

alignas(16) KeyCommonLayout key_common{{}, static_cast<intptr_t>(0x4b3e7c19), {}};

std::mutex calls_mutex;
std::vector<KeyCall> calls;

// The code the remote sent for the press that is in the host's key function
// on this thread (the body runs on the caller's thread, after the detour).
thread_local bool remote_press = false;
thread_local int remote_key = 0;

constexpr int kConsumedCode = 255;

const char* Outcome(int sent, int key) {
  if (key == sent) return "passed";
  return key == kConsumedCode ? "consumed" : "replaced";
}

}  // namespace

KeyCommon* HostKeyObject() { return reinterpret_cast<KeyCommon*>(&key_common); }

intptr_t HostKeyObjectWord() { return key_common.word; }

std::vector<KeyCall> ProcessedKeys() {
  std::lock_guard lock(calls_mutex);
  return calls;
}

void ClearProcessedKeys() {
  std::lock_guard lock(calls_mutex);
  calls.clear();
}

int PressRemoteKey(int key, int arg) {
  remote_press = true;
  remote_key = key;
  int processed = HostKeyObject()->SendKeyPressInput(key, arg);
  remote_press = false;
  return processed;
}

}  // namespace sim

void RecordHostKeyCall(int press, int key, int arg, intptr_t loaded) {
  const bool from_remote = press && sim::remote_press;
  const int sent = from_remote ? sim::remote_key : key;
  {
    std::lock_guard lock(sim::calls_mutex);
    sim::calls.push_back({press != 0, key, arg, loaded, from_remote, sent});
  }
  char line[96];
  if (from_remote)
    std::snprintf(line, sizeof line, "key %d -> %d %s, arg %d", sent, key,
                  sim::Outcome(sent, key), arg);
  else if (press)
    std::snprintf(line, sizeof line, "key %d processed, arg %d", key, arg);
  else
    std::snprintf(line, sizeof line, "key %d released", key);
  sim::HostLog(line);
}
