// Speed of the recording's two file-system paths, each as the ratio of its
// time to the system calls it cannot avoid, measured alternately in the same
// run on the simulated set (its sandboxed stick, through the platform layer
// like the plug-in's own calls):
//   - one supervision tick with the disk check and without the pane, against
//     the statvfs of the destination and the stat of the file it makes
//     (goal: at most 1.5);
//   - a recording start with 500 earlier files of the same name in the folder,
//     against 500 stat calls of those files (goal: at most 2), and against
//     those and the two statvfs of the stick it makes (see below).
// The simulated clock runs at a thousandth of real time, so that the name
// prefix keeps its minute and no tick comes by itself. The sandbox lives in
// memory (/dev/shm when there is one): on a disk's file system the recorder's
// file creation right after the previous start's file was deleted costs more
// than the whole start (ext4 searches its recently deleted inodes), which
// says nothing about the plug-in.
//
// Run: build/<dir>/bench/recording_bench   (the counter "ratio" is the figure)
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "display/display_state.h"
#include "host/recording_control.h"
#include "host/recording_state.h"
#include "host/host_interface.h"
#include "host/recording_transition.h"
#include "settings/device_table.h"
#include "settings/settings_record.h"
#include "sim/host/recorder.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/virtual_disks.h"
#include "supervision/supervision_state.h"
#include "supervision/timer_tick.h"

namespace {

constexpr const char* kMount = "/dtv/usb/sda1";
constexpr int kEarlierFiles = 500;
constexpr int64_t kStartUtc = 1709838900;  // 2024-03-07 19:15 UTC

// The sandbox with one 8 GB FAT stick, the plug-in's settings with nothing
// drawn and no device script, the clock nearly standing. Removed at exit.
struct Set {
  std::string root;
  bool ready = false;
  Set() {
    char folder[64];
    std::snprintf(folder, sizeof folder, "%s/recolyx-bench-XXXXXX",
                  access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    std::string error;
    if (mkdtemp(folder) == nullptr || !sim::StartPlatform(folder, &error)) {
      std::fprintf(stderr, "cannot start the sandbox: %s\n", error.c_str());
      return;
    }
    root = folder;
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    sim_clock_set(kStartUtc, 0.001);
    sim::ResetDisks();
    ready = sim::PlugDevice({"USB1", "Acme", "Stick", "1", {{kMount}}});
    sim::SetRecorderBitrate(0);
    VideoStarted = 1;  // OpenOsd starts no SDL
    DefaultSettings(&settings);
    settings.osd_opacity = 0;
    settings.device_script = 0;
    settings.pane_on_start = 0;
    settings.delete_empty = 1;  // each start's empty file goes at its stop
    settings.delete_mdb = 1;
    BuildDeviceTable();
  }
  ~Set() {
    spI_Stream_Record_Stop();
    sim::ResetDisks();
    std::error_code ignored;
    if (!root.empty()) std::filesystem::remove_all(root, ignored);
  }
};

Set& TheSet() {
  static Set set;
  return set;
}

// ---- One tick

// A recording's words as a start leaves them, on a file of the stick, with
// the disk check due (counter 0) and the programme check not.
bool PrepareTick(std::string* file) {
  if (!TheSet().ready) return false;
  *file = std::string(kMount) + "/tick.ts";
  int fd = open(file->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = ftruncate(fd, 300 << 20) == 0;
  close(fd);
  int index = 0;
  for (int i = 0; i < device_table.count.load(); ++i)
    if (std::strcmp(device_table.entries[i].mount, kMount) == 0) index = i;
  if (!written || index == 0) return false;
  ResetSupervisionState();
  std::snprintf(recording.ts_path.data(), sizeof recording.ts_path, "%s", file->c_str());
  std::snprintf(recording.mount.data(), sizeof recording.mount, "%s", kMount);  // what the tick measures
  settings.active_dest.store(index);
  recording.generation.store(7);
  recording_active.store(1);
  const uint32_t now = static_cast<uint32_t>(time(nullptr));
  rec_start_time.store(now - 600);
  segment_start_time.store(now - 600);
  last_tick_time.store(now);
  split_choice.store(0);
  return true;
}

void TickVsItsSystemCalls(benchmark::State& state) {
  std::string file;
  if (!PrepareTick(&file)) {
    state.SkipWithError("cannot prepare the recording");
    return;
  }
  const char* mount = kMount;
  const char* path = file.c_str();
  void* generation = reinterpret_cast<void*>(static_cast<uintptr_t>(recording.generation.load()));
  uint32_t next = 0;
  bench::CompareSettled(
      state,
      [&] {
        disk_check_counter.store(0);
        title_check_counter.store(1);
        next = TickTimer(1000, generation);
      },
      [&] {
        struct statvfs figures;
        struct stat status;
        benchmark::DoNotOptimize(statvfs(mount, &figures));
        benchmark::DoNotOptimize(stat(path, &status));
      },
      [&]() -> const char* { return next == 1000 ? nullptr : "the tick ended the recording"; });
  recording_active.store(0);
  std::remove(path);
}

// ---- A start among 500 earlier files

// Makes files 001..500 of the prefix a start takes now; their paths.
bool PrepareFolder(std::vector<std::string>* files) {
  if (!TheSet().ready || StartRecording(73) != 255 || recording_active.load() == 0) return false;
  const std::string prefix = recording.start_prefix.data();
  StopRecording(2);
  for (int number = 1; number <= kEarlierFiles; ++number) {
    char path[512];
    std::snprintf(path, sizeof path, "%s/R%s%03d.ts", kMount, prefix.c_str(), number);
    int fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
    files->push_back(path);
  }
  return true;
}

// The start against the stat of each earlier file, and with `statvfs_calls`
// statvfs of the stick added to the bound.
void StartVersus(benchmark::State& state, int statvfs_calls) {
  std::vector<std::string> files;
  if (!PrepareFolder(&files)) {
    state.SkipWithError("cannot prepare the folder");
    return;
  }
  char expected[512];
  std::snprintf(expected, sizeof expected, "%03d.ts", kEarlierFiles + 1);
  int result = 0;
  bench::CompareSettled(
      state, [&] { result = StartRecording(73); },
      [&] {
        for (const std::string& file : files) {
          struct stat status;
          benchmark::DoNotOptimize(stat(file.c_str(), &status));
        }
        for (int i = 0; i < statvfs_calls; ++i) {
          struct statvfs figures;
          benchmark::DoNotOptimize(statvfs(kMount, &figures));
        }
      },
      [&]() -> const char* {
        const size_t length = std::strlen(recording.ts_path.data());
        const bool after_them = result == 255 && recording_active.load() == 1 && length > 6 &&
                                std::strcmp(recording.ts_path.data() + length - 6, expected) == 0;
        StopRecording(2);  // the empty file and its side file go
        return after_them ? nullptr : "the start did not take the number after the earlier files";
      });
  for (const std::string& file : files) std::remove(file.c_str());
}

// The goal's bound: 500 stat calls.
void StartVsStats(benchmark::State& state) { StartVersus(state, 0); }
// The simulator's statvfs adds up the sizes of the folder's files (a stat of
// each) when nothing it remembers is still good (disk_state.h), where the
// set's is one call: the start makes two (the "Auto" choice and the split
// choice's file system), so this bound adds them.
void StartVsStatsAndItsStatvfs(benchmark::State& state) { StartVersus(state, 2); }

BENCHMARK(TickVsItsSystemCalls)->UseManualTime();
BENCHMARK(StartVsStats)->UseManualTime();
BENCHMARK(StartVsStatsAndItsStatvfs)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
