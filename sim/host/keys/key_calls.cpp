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

}  // namespace sim

void RecordHostKeyCall(int press, int key, int arg, intptr_t loaded) {
  {
    std::lock_guard lock(sim::calls_mutex);
    sim::calls.push_back({press != 0, key, arg, loaded});
  }
  char line[64];
  if (press)
    std::snprintf(line, sizeof line, "key %d processed (arg %d)", key, arg);
  else
    std::snprintf(line, sizeof line, "key %d released", key);
  sim::HostLog(line);
}
