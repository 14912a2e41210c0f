// Fuzz target for the key path: init_config with any settings record, then
// any sequence of keys through KeyDispatcher, on the simulated TV (host
// application, sandboxed set folders, virtual disks, screen) with the
// plug-in's real operations: drawing, waits, the key-hold watcher.
//
// Input: the first 940 bytes are the settings record (a shorter input
// overwrites the start of the default record); the loader's own fields
// (home_dir, key_object, key_object_check) are then set as the loader sets
// them, so that no input makes the plug-in read or write outside its scratch
// home folder and the sandbox. Each further pair of bytes is one key, a
// little-endian 16-bit word w: (w & 0x7fff) % 282 gives remote codes 0..279
// (0..274 and a few beyond) and, for 280 and 281, the tick's internal
// requests -70 and -73; with bit 15 set a remote key is held 6 s before
// its release (key 15 held switches the picture off). At most kMaxKeys keys.
//
// Each input runs on the simulated clock, kSpeed times real time from the
// real time it starts at: waits (message boxes 2.5 s, holds, the watcher's
// seconds) take milliseconds, and libFuzzer's clock still never goes back.
// The clock is the PC's again between inputs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "display/osd_surface.h"
#include "host/dispatcher_state.h"
#include "host/key_codes.h"
#include "host/key_dispatcher.h"
#include "host/key_hold_watcher.h"
#include "settings/device_table.h"
#include "settings/entry_points.h"
#include "settings/settings_record.h"
#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/recorder.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/virtual_disks.h"
#include "sim/screen/screen.h"
#include "supervision/supervision_state.h"

namespace {

namespace fs = std::filesystem;

constexpr double kSpeed = 200.0;
constexpr size_t kMaxKeys = 32;
constexpr int kCodeRange = 282;           // 0..279 remote, 280 and 281 internal
constexpr int kHighestFuzzedRemote = 279;
constexpr auto kHold = std::chrono::seconds(6);
// Slow enough that no input writes much, however long it records.
constexpr int64_t kRecorderBytesPerSecond = 16 * 1024;

// A scratch folder per process: home/ (a copy of the build's home folder
// without the plug-in and its settings file) and sandbox/ (the set's
// folders, made again for every input). In memory where the PC has a
// memory file system: disks are plugged and unplugged for every input.
// Removed when the process ends normally.
struct Scratch {
  std::string root;
  std::string home;  // ends in "/"
  Scratch() {
    char folder[64];
    std::snprintf(folder, sizeof folder, "%s/recolyx-key-fuzz-XXXXXX",
                  access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (mkdtemp(folder) == nullptr) std::abort();
    root = folder;
    home = root + "/home/";
    std::error_code error;
    fs::create_directories(home, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(RECOLYX_FUZZ_HOME, error)) {
      std::string name = entry.path().filename().string();
      if (name == "recolyx.so" || name == "recolyx.cfg") continue;
      fs::copy(entry.path(), home + name, fs::copy_options::recursive, error);
    }
    std::string message;
    if (!sim::StartPlatform(root + "/sandbox", &message)) {
      std::fprintf(stderr, "fuzz_key_dispatcher: sandbox: %s\n", message.c_str());
      std::abort();
    }
    sim::ScreenOptions screen;
    screen.home_dir = home;
    sim::ConfigureScreen(screen);
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

const Scratch& World() {
  static const Scratch scratch;
  return scratch;
}

// The same TV for every input: a FAT stick and an NTFS disk plugged, a
// programme that ends two minutes in (a change of title during the input),
// the recorder at its slow rate.
void StartTv() {
  sim::ResetHost();
  sim::ResetRecorder();
  sim::SetRecorderBitrate(kRecorderBytesPerSecond);
  sim::ResetDisks();
  sim::PlugDevice({"USB1", "Vendor", "Stick", "S1", {{"/dtv/usb/sda1", SIM_FS_FAT, 8ull << 30}}});
  sim::PlugDevice({"USB2", "Maker", "Disk", "S2",
                   {{"/dtv/usb/sdb1", SIM_FS_NTFS, 500ull << 30},
                    {"/dtv/usb/sdb2", SIM_FS_FAT, 4ull << 30}}});
  time_t now = sim_clock_time();
  sim::ResetGuide();
  sim::AddChannel(1, "Sim Eins");
  sim::AddProgramme(1, now - 28 * 60, now + 2 * 60, "Ärger: Teil 2/3");
  sim::AddProgramme(1, now + 2 * 60, now + 32 * 60, "Żółta łódź / Щука");
  sim::SetCurrentChannel(1);
  sim::SetBroadcastTime(now);
}

// The record from the input, with the loader's fields set as the loader sets them.
void BuildRecord(const uint8_t* data, size_t size, SettingsRecord* record) {
  DefaultSettings(record);
  std::memcpy(static_cast<void*>(record), data, std::min(size, kSettingsRecordSize));
  std::memset(record->home_dir, 0, sizeof record->home_dir);
  int n = std::snprintf(record->home_dir, sizeof record->home_dir, "%s", World().home.c_str());
  if (n < 0 || static_cast<size_t>(n) >= sizeof record->home_dir) std::abort();
  record->key_object.store(sim::KeyObjectAddress());
  record->key_object_check.store(sim::KeyObjectCheck());
}

template <size_t N>
void CheckTerminated(const char (&text)[N]) {
  if (std::memchr(text, '\0', N) == nullptr) std::abort();
}

// What init_config promises and every key keeps: destination texts end
// within their fields, the device table within its slots.
void CheckState() {
  for (const DeviceEntry* entry : {&settings.dest1, &settings.dest2}) {
    CheckTerminated(entry->name);
    CheckTerminated(entry->vendor);
    CheckTerminated(entry->product);
    CheckTerminated(entry->serial);
    CheckTerminated(entry->mount);
  }
  int count = device_table.count.load();
  if (count < kFixedDevices || count > kDeviceSlots) std::abort();
}

// One key as the host delivers it: the press through the dispatcher, and for
// a remote key the release (what the release trampoline does) at once or
// after a hold. The host receives a key code: never negative, never beyond
// the codes the remote has.
void PressAndRelease(uint16_t word) {
  int code = (word & 0x7fff) % kCodeRange;
  bool internal = code > kHighestFuzzedRemote;
  int key = !internal ? code : code == kHighestFuzzedRemote + 1 ? kRequestStop : kRequestRecord;
  int result = KeyDispatcher(key);
  if (result < 0 || result > kHighestFuzzedRemote) std::abort();
  if (internal) return;
  if (key_down.load() != 1) std::abort();
  if (word & 0x8000) std::this_thread::sleep_for(kHold);
  StopKeyHoldWatch();
  key_down.store(0);
}

// Leaves nothing running into the next input: a recording is stopped the way
// the tick stops it, the display closed, the watcher ended.
void EndSession() {
  if (recording_active.load()) KeyDispatcher(kRequestStop);
  CloseOsd();
  StopKeyHoldWatch();
  key_down.store(0);
  sim::ResetRecorder();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  World();
  sim_clock_set(-1, kSpeed);
  StartTv();

  SettingsRecord record{};
  BuildRecord(data, size, &record);
  init_config(&record);
  CheckState();

  size_t keys = size > kSettingsRecordSize ? (size - kSettingsRecordSize) / 2 : 0;
  for (size_t i = 0; i < std::min(keys, kMaxKeys); ++i) {
    const uint8_t* at = data + kSettingsRecordSize + 2 * i;
    PressAndRelease(static_cast<uint16_t>(at[0] | at[1] << 8));
    CheckState();
  }

  EndSession();
  sim_clock_reset();
  return 0;
}
