// The simulated TV application's observable state. Everything the plug-in
// asks the host to do lands here, so that tests and tvsim can see it.
// The simulator is not the plug-in: it guards its state with a mutex.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_interface.h"
#include "sim/host/log/host_log.h"

namespace sim {

struct HostEvent {
  int words[5];
  int application;
  bool wait;
  bool by_pointer;  // true: SendEvent(PTEvent*, ...); false: SendEvent(long, ...)
};

struct MuteCall {
  const TCWindow* window;
  int mute;
};

struct OptionCall {
  int option;
  int value;
};

struct HostState {
  std::mutex mutex;
  int options[256] = {};
  std::vector<OptionCall> option_calls;
  std::vector<HostEvent> events;
  std::vector<MuteCall> mute_calls;
  int main_window_muted = 0;
  int pip_window_muted = 0;
  int frozen = 0;
  bool display_processor_fails = false;  // spIDp_Open reports an error
  bool display_processor_null = false;   // spIDp_Open gives no handle
  int display_opens = 0;
  int display_closes = 0;
  std::vector<int> injected_keys;        // keys sent through SsKeyInputBase::SendKey
  int menu_language = 18;
  int rec_instance_result = 0;           // what spIPvr_GetRecInstance returns
};

HostState& Host();

// A TV option as the host holds it (read under the host's lock).
int HostOption(int option);

// Clears the state to a freshly started TV.
void ResetHost();

// The recorder instance whose int32 at byte 44 is the write chunk in bytes.
unsigned char* RecorderInstance();
int RecorderChunkBytes();

// The key structure the loader hands over for key injection: a word at byte 8
// points at the injecting object, whose table's seventh 32-bit word is the
// check value. Placed below 4 GiB so that its address fits the settings
// record's 32-bit field.
uint32_t KeyObjectAddress();
int32_t KeyObjectCheck();

}  // namespace sim
