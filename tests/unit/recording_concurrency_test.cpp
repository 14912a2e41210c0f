// The recording under two threads: remote keys on the test's thread race the
// supervision tick on SDL's real timer thread (timed stops, programme-end
// stops, splits at programme changes), on the scaled clock. Whatever the
// interleaving, every file the recorder was given is stopped before the
// next one starts and is still there afterwards (renamed or under its first
// name), and the recorder runs exactly while the plug-in says it records.
// Each storm lasts as long as its keys, sized by the stress budget.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/recording_transition.h"
#include "recording_sandbox.h"
#include "sim/host/log/host_log.h"
#include "stress_rounds.h"

#if defined(__SANITIZE_THREAD__)
// SDL 1.2 starts its timer thread before it creates the timer list's mutex
// (inside SDL_InitSubSystem, in the uninstrumented library); the thread only
// locks it once a timer exists. That ordering inside SDL is not ours to check.
extern "C" const char* __tsan_default_suppressions() { return "race:SDL_mutexP\n"; }
#endif

namespace {

struct RecorderLog {
  std::mutex mutex;
  std::vector<std::string> lines;
};

int CountFiles(const std::string& folder, const std::string& extension) {
  int count = 0;
  if (DIR* dir = opendir(sim::SandboxPath(folder).c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() > extension.size() &&
          name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
        ++count;
    }
    closedir(dir);
  }
  return count;
}

// The .ts files of a folder with their sizes.
std::vector<std::pair<std::string, long long>> TsFiles(const std::string& folder) {
  std::vector<std::pair<std::string, long long>> files;
  if (DIR* dir = opendir(sim::SandboxPath(folder).c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() <= 3 || name.compare(name.size() - 3, 3, ".ts") != 0) continue;
      struct stat status;
      const std::string path = folder + "/" + name;
      files.emplace_back(path, stat(path.c_str(), &status) == 0 ? status.st_size : -1);
    }
    closedir(dir);
  }
  return files;
}

// The byte at `offset` of the file, -1 when unreadable.
int ByteAt(const std::string& path, long long offset) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  int byte = fseeko(file, offset, SEEK_SET) == 0 ? std::fgetc(file) : -1;
  std::fclose(file);
  return byte;
}

// Remote keys drawn from `keys`, each after a pause of up to `max_gap_ms` of
// the scaled clock, as many as `rounds` gives, and at least until `seen`
// says the storm has shown what the test judges. Returns how many were
// pressed.
int PressKeysAtRandom(const std::vector<int>& keys, unsigned seed, uint32_t max_gap_ms,
                      StressRounds rounds, const std::function<bool()>& seen) {
  std::mt19937 random(seed);
  int pressed = 0;
  while (rounds.Due(pressed, seen())) {
    KeyDispatcher(keys[random() % keys.size()]);
    ++pressed;
    SDL_Delay(random() % max_gap_ms);
  }
  return pressed;
}

// Collects the recorder's start and stop lines from the host's log.
void CollectRecorderLines(RecorderLog* log) {
  sim::SetHostLog([log](const std::string& line) {
    std::lock_guard lock(log->mutex);
    if (line.rfind("recording st", 0) == 0) log->lines.push_back(line);
  });
}

// What the recorder's lines show so far: the files it was given, and how
// many of them it stopped past `bytes`.
struct RecorderTally {
  int starts = 0;
  int stopped_past = 0;
};

RecorderTally Tally(RecorderLog* log, long long bytes) {
  std::lock_guard lock(log->mutex);
  RecorderTally tally;
  for (const std::string& line : log->lines) {
    if (line.rfind("recording started: ", 0) == 0) {
      ++tally.starts;
    } else if (std::atoll(line.c_str() + line.find(" (") + 2) > bytes) {
      ++tally.stopped_past;
    }
  }
  return tally;
}

// Quiet after a storm: the last recording stopped, the timer thread gone,
// the log and the clock as before; nothing records, nothing is held.
void StopTheStorm() {
  // A stop key during a split is the tick's to carry out, and a timed stop
  // may still show its summary: the viewer presses 70 until all is at rest.
  for (int tries = 0; tries < 20 && (recording_active.load() || CurrentPhase() != kPhaseIdle);
       ++tries) {
    if (recording_active.load() || CurrentPhase() == kPhaseSplitting) KeyDispatcher(kKeyStop);
    SDL_Delay(3000);
  }
  SDL_Delay(3000);
  SDL_QuitSubSystem(SDL_INIT_TIMER);
  sim::SetHostLog(nullptr);
  sim_clock_set(-1, 1.0);
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
  EXPECT_EQ(recording.taken.load(), 0);
  EXPECT_EQ(CurrentPhase(), kPhaseIdle);
}

// Every start is followed by the stop of the same file before the next.
// Returns the number of files the recorder was given.
int CheckStartsStoppedInTurn(const RecorderLog& log) {
  int starts = 0;
  std::string open;
  for (const std::string& line : log.lines) {
    if (line.rfind("recording started: ", 0) == 0) {
      EXPECT_EQ(open, "") << "started while " << open << " still records";
      open = line.substr(19);
      ++starts;
    } else {
      const std::string path = line.substr(19, line.find(" (") - 19);
      EXPECT_EQ(path, open);
      open.clear();
    }
  }
  EXPECT_EQ(open, "");
  return starts;
}

using RecordingThreads = RecordingSandbox;

TEST_F(RecordingThreads, ConcurrentKeysTicksStopsAndSplitsLoseNoFile) {
  Plug("sda1", SIM_FS_FAT, 8ull << 30, 1024);
  ChooseFixed(1, "/dtv/usb/sda1");
  settings.split_mode = 5;  // a split at every programme change
  settings.write_test = 1;
  settings.stop_extra_minutes = 0;
  settings.stop_summary = 1;  // keys come during the summaries too
  sim::SetRecorderBitrate(16 * 1024);
  RecorderLog log;
  CollectRecorderLines(&log);
  // The display stays as it is: SDL is started once, here, so that its own
  // start and shutdown (not thread-safe inside SDL 1.2) stay out of the race.
  key_operations.CloseOsd = [] {};
  sim_clock_set(now_, 300.0);  // a tick every 3.3 ms
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);

  // The programme changes now and then, and stop timers run out.
  std::atomic<bool> storm{true};
  std::thread guide([&storm] {
    std::mt19937 random(7);
    while (storm.load()) {
      SDL_Delay(1000 + random() % 4000);
      switch (random() % 3) {
        case 0:  // the viewer asked to stop at the programme's end
          stop_timer.store(-1);
          title_change_count.store(3);
          break;
        case 1:  // a stop timer about to run out
          stop_time.store(static_cast<uint32_t>(time(nullptr) + 2));
          stop_timer.store(1);
          break;
        default:  // the programme changes: a split
          title_change_count.store(3);
          break;
      }
    }
  });

  // Keys at random moments, in every phase (splits, stops, summaries):
  // record, stop, power, the stop timer, a digit and a channel key.
  const int pressed = PressKeysAtRandom(
      {kKeyRecord, kKeyRecord, kKeyStop, kKeyPower, kKeyTimerUp, 4, kKeyRecord, 19, kKeyTimerDown},
      11, 3000,
      StressRounds(100, 300), [&log] { return Tally(&log, 0).starts > 5; });
  storm.store(false);
  guide.join();

  StopTheStorm();
  const int starts = CheckStartsStoppedInTurn(log);
  EXPECT_GT(starts, 5);
  // Nothing lost: one .ts and one .mdb per file the recorder was given.
  EXPECT_EQ(CountFiles("/dtv/usb/sda1", ".ts"), starts);
  EXPECT_EQ(CountFiles("/dtv/usb/sda1", ".mdb"), starts);
  // The last recording's files are listed once each.
  std::set<std::string> listed;
  for (int i = 0; i < recording.recent_file_count.load(); ++i) listed.insert(recording.recent_files[i].ts);
  EXPECT_EQ(static_cast<int>(listed.size()), recording.recent_file_count.load());
  std::printf("keys pressed %d, files recorded %d, files lost %d\n", pressed, starts,
              starts - CountFiles("/dtv/usb/sda1", ".ts"));
}

// Files that grow by a hundred MiB a second of the scaled clock split at
// 1004 MiB every few disk checks, while the disk is filled to the brim now
// and then (a stop with notice 21 on the tick's thread) and remote keys
// stop, start, switch standby and set timers at random moments. Whatever
// the interleaving: every file the recorder was given was stopped and is
// still there, renamed or under its first name, and holds whole transport
// packets; the recorder runs exactly while the plug-in says it records.
TEST_F(RecordingThreads, ConcurrentSizeSplitsAndDiskFullStopsLoseNoFile) {
  Plug("sda1", SIM_FS_FAT, 512ull << 30, 4096);
  ChooseFixed(1, "/dtv/usb/sda1");
  settings.split_mode = 2;  // 1004 MiB
  settings.write_test = 0;
  sim::SetRecorderBitrate(2 << 20);
  sim::SetRecorderGrowth(100 << 20);
  RecorderLog log;
  CollectRecorderLines(&log);
  key_operations.CloseOsd = [] {};
  sim_clock_set(now_, 300.0);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0);

  // Now and then the disk is filled to 2 MiB of free space for a while,
  // and the recorder and the plug-in are compared while neither side moves
  // (the check holds the recording's transition).
  std::atomic<bool> storm{true};
  std::atomic<int> fills{0}, checks{0}, mismatches{0};
  std::thread filler([&] {
    std::mt19937 random(5);
    while (storm.load()) {
      SDL_Delay(5000 + random() % 30000);
      if (TakeRecordingTransition(0)) {
        checks.fetch_add(1);
        if (sim::GetRecorderStatus().recording != (recording_active.load() != 0))
          mismatches.fetch_add(1);
        ReleaseRecordingTransition();
      }
      if (random() % 3 != 0) continue;
      struct statvfs disk;
      if (statvfs("/dtv/usb/sda1", &disk) != 0) continue;
      const long long free = static_cast<long long>(disk.f_bavail) * disk.f_bsize;
      if (free > (8 << 20) && MakeSparseFile("/dtv/usb/sda1/filler", free - (2 << 20)))
        fills.fetch_add(1);
      SDL_Delay(5000 + random() % 20000);
      std::remove("/dtv/usb/sda1/filler");
    }
  });

  const int pressed = PressKeysAtRandom(
      {kKeyRecord, kKeyRecord, kKeyRecord, kKeyStop, kKeyPower, kKeyTimerUp, 4, 19}, 13, 20000,
      StressRounds(50, 300), [&] {
        const RecorderTally tally = Tally(&log, 1004ll << 20);
        return tally.starts > 10 && tally.stopped_past > 0 && fills.load() > 0;
      });
  storm.store(false);
  filler.join();

  StopTheStorm();
  EXPECT_EQ(mismatches.load(), 0) << "of " << checks.load() << " checks";
  const int starts = CheckStartsStoppedInTurn(log);
  EXPECT_GT(starts, 10);

  // Nothing lost, and every file whole transport packets (the last one a
  // real packet: the holes lie between them).
  const auto files = TsFiles("/dtv/usb/sda1");
  EXPECT_EQ(static_cast<int>(files.size()), starts);
  EXPECT_EQ(CountFiles("/dtv/usb/sda1", ".mdb"), starts);
  int split_sized = 0;
  for (const auto& [path, size] : files) {
    ASSERT_GE(size, 0) << path;
    EXPECT_EQ(size % 188, 0) << path;
    if (size > 0) {
      EXPECT_EQ(ByteAt(path, 0), 0x47) << path;
      EXPECT_EQ(ByteAt(path, size - 188), 0x47) << path;
    }
    if (size > (1004ll << 20)) ++split_sized;
  }
  EXPECT_GT(split_sized, 0);
  EXPECT_GT(fills.load(), 0);
  // The last recording's files are listed once each, and exist.
  std::set<std::string> listed;
  for (int i = 0; i < recording.recent_file_count.load(); ++i) {
    listed.insert(recording.recent_files[i].ts);
    EXPECT_TRUE(Exists(recording.recent_files[i].ts)) << recording.recent_files[i].ts;
  }
  EXPECT_EQ(static_cast<int>(listed.size()), recording.recent_file_count.load());
  std::printf("keys pressed %d, files recorded %d (%d past 1004 MiB), disk fills %d, "
              "recorder checks %d, files lost %d\n",
              pressed, starts, split_sized, fills.load(), checks.load(),
              starts - static_cast<int>(files.size()));
}

TEST_F(RecordingThreads, ThreadHoldingTheRecordingMakesTheOtherWaitThenRefuse) {
  Plug("sda1", SIM_FS_FAT, 1ull << 30);
  ASSERT_EQ(StartRecording(kKeyRecord), kConsumed);
  std::atomic<int> phase{0};
  std::thread holder([&phase] {
    ASSERT_TRUE(TakeRecordingTransition(0));
    phase.store(1);
    while (phase.load() != 2) std::this_thread::yield();
    ReleaseRecordingTransition();
  });
  while (phase.load() != 1) std::this_thread::yield();
  sim_clock_set(-1, 1000.0);  // the bounded wait passes in milliseconds
  EXPECT_EQ(StopRecording(kKeyStop), kConsumed);  // refused: nothing stopped
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_TRUE(sim::GetRecorderStatus().recording);
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  phase.store(2);
  holder.join();
  sim_clock_set(-1, 1.0);
  EXPECT_EQ(StopRecording(kKeyPower), kKeyPower);  // free again: stops
  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
}

}  // namespace
