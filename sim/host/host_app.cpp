// The simulated TV application: the host classes and platform calls that the
// plug-in references, defined for real and exported from the simulator's
// executable so that the dynamic linker resolves recolyx.so against them.
#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/host_interface.h"
#include "sim/host/host_state.h"

namespace sim {
namespace {

std::string Format(const char* format, auto... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  return line;
}

alignas(16) unsigned char recorder_instance[256];

// The display processor's handle: any non-null address.
int display_processor;

constexpr int32_t kKeyCheck = 0x5ec7ab1e;

unsigned char* KeyRegion() {
  static unsigned char* region = [] {
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#if defined(__x86_64__)
    flags |= MAP_32BIT;
#endif
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, flags, -1, 0);
    if (page == MAP_FAILED) {
      std::perror("tvsim: key structure");
      std::abort();
    }
    auto* bytes = static_cast<unsigned char*>(page);
    // Layout: structure at 0, object at 64, table at 128.
    auto* object = bytes + 64;
    auto* table = bytes + 128;
    uintptr_t object_address = reinterpret_cast<uintptr_t>(object);
    uintptr_t table_address = reinterpret_cast<uintptr_t>(table);
    std::memcpy(bytes + 8, &object_address, sizeof object_address);
    std::memcpy(object, &table_address, sizeof table_address);
    std::memcpy(table + 24, &kKeyCheck, sizeof kKeyCheck);
    return bytes;
  }();
  return region;
}

}  // namespace

HostState& Host() {
  static HostState state;
  return state;
}

int HostOption(int option) {
  std::lock_guard lock(Host().mutex);
  return option >= 0 && option < 256 ? Host().options[option] : 0;
}

void ResetHost() {
  HostState& host = Host();
  std::lock_guard lock(host.mutex);
  std::memset(host.options, 0, sizeof host.options);
  host.option_calls.clear();
  host.events.clear();
  host.mute_calls.clear();
  host.main_window_muted = host.pip_window_muted = 0;
  host.frozen = 0;
  host.display_processor_fails = host.display_processor_null = false;
  host.display_opens = host.display_closes = 0;
  host.injected_keys.clear();
  host.menu_language = 18;
  host.rec_instance_result = 0;
  std::memset(recorder_instance, 0, sizeof recorder_instance);
}

unsigned char* RecorderInstance() { return recorder_instance; }

int RecorderChunkBytes() {
  int32_t chunk;
  std::memcpy(&chunk, recorder_instance + 44, sizeof chunk);
  return chunk;
}

uint32_t KeyObjectAddress() {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(KeyRegion()));
}

int32_t KeyObjectCheck() { return kKeyCheck; }

}  // namespace sim

using sim::Format;
using sim::Host;
using sim::HostLog;

// The TV object and the two video windows.
static TCTv the_tv;
TCTv* g_AppTV = &the_tv;
TCWindow g_AppWindow;
TCWindow g_AppWindowPIP;

bool TCTv::SetOption(int option, int value) {
  {
    std::lock_guard lock(Host().mutex);
    if (option >= 0 && option < 256) Host().options[option] = value;
    Host().option_calls.push_back({option, value});
  }
  HostLog(Format("option %d set to %d", option, value));
  return true;
}

bool TCTv::GetOption(int option, int* value) {
  std::lock_guard lock(Host().mutex);
  if (option < 0 || option >= 256) return false;
  *value = Host().options[option];
  return true;
}

int TCTv::PreferLanguage() {
  std::lock_guard lock(Host().mutex);
  return Host().menu_language;
}

bool TCWindow::MuteVideo(int mute) {
  bool pip = this == &g_AppWindowPIP;
  {
    std::lock_guard lock(Host().mutex);
    Host().mute_calls.push_back({this, mute});
    (pip ? Host().pip_window_muted : Host().main_window_muted) = mute;
  }
  HostLog(Format("%s window video %s", pip ? "PIP" : "main", mute ? "muted" : "unmuted"));
  return true;
}

static void RecordEvent(const int* words, DTV_APPLICATION app, bool wait, bool by_pointer) {
  sim::HostEvent event{};
  std::memcpy(event.words, words, sizeof event.words);
  event.application = app;
  event.wait = wait;
  event.by_pointer = by_pointer;
  {
    std::lock_guard lock(Host().mutex);
    Host().events.push_back(event);
  }
  HostLog(Format("event %d %d %d %d %d to application %d", words[0], words[1], words[2],
                 words[3], words[4], static_cast<int>(app)));
}

bool CApp::SendEvent(PTEvent* event, DTV_APPLICATION app, bool wait) {
  RecordEvent(reinterpret_cast<const int*>(event), app, wait, true);
  return true;
}

bool CApp::SendEvent(long event, DTV_APPLICATION app, bool wait) {
  RecordEvent(reinterpret_cast<const int*>(event), app, wait, false);
  return true;
}

bool SsKeyInputBase::SendKey(int key) {
  {
    std::lock_guard lock(Host().mutex);
    Host().injected_keys.push_back(key);
  }
  HostLog(Format("key %d injected", key));
  return true;
}

extern "C" int spIPvr_GetRecInstance(int, void** instance) {
  *instance = sim::RecorderInstance();
  std::lock_guard lock(Host().mutex);
  return Host().rec_instance_result;
}

extern "C" int spIDp_Open(int, void** handle) {
  std::lock_guard lock(Host().mutex);
  ++Host().display_opens;
  if (Host().display_processor_fails) return -1;
  *handle = Host().display_processor_null ? nullptr : &sim::display_processor;
  return 0;
}

extern "C" int spIDp_SetFreeze(void* handle, int freeze) {
  {
    std::lock_guard lock(Host().mutex);
    if (handle != &sim::display_processor) return -1;
    Host().frozen = freeze;
  }
  HostLog(freeze ? "picture frozen" : "picture running");
  return 0;
}

extern "C" int spIDp_Close(void* handle) {
  std::lock_guard lock(Host().mutex);
  ++Host().display_closes;
  return handle == &sim::display_processor ? 0 : -1;
}
