// The recording under two threads: remote keys on the test's thread race the
// supervision tick on SDL's real timer thread (timed stops, programme-end
// stops, splits at programme changes), on the scaled clock. Whatever the
// interleaving, every file the recorder was given is stopped before the
// next one starts and is still there afterwards (renamed or under its first
// name), and the recorder runs exactly while the plug-in says it records.
#include <dirent.h>

#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/recording_transition.h"
#include "recording_sandbox.h"
#include "sim/host/log/host_log.h"

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

using RecordingThreads = RecordingSandbox;

TEST_F(RecordingThreads, ConcurrentKeysTicksStopsAndSplitsLoseNoFile) {
  Plug("sda1", SIM_FS_FAT, 8ull << 30, 1024);
  ChooseFixed(1, "/dtv/usb/sda1");
  settings.split_mode = 5;  // a split at every programme change
  settings.write_test = 1;
  settings.stop_extra_minutes = 0;
  sim::SetRecorderBitrate(16 * 1024);
  RecorderLog log;
  sim::SetHostLog([&log](const std::string& line) {
    std::lock_guard lock(log.mutex);
    if (line.rfind("recording st", 0) == 0) log.lines.push_back(line);
  });
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

  // Keys at random moments: record, stop, power, stop timer up, a digit.
  const int keys[] = {kKeyRecord, kKeyRecord, kKeyStop, kKeyPower, kKeyTimerUp, 4, kKeyRecord};
  std::mt19937 random(11);
  int pressed = 0;
  for (int i = 0; i < 300; ++i) {
    KeyDispatcher(keys[random() % std::size(keys)]);
    ++pressed;
    SDL_Delay(random() % 3000);
  }
  storm.store(false);
  guide.join();

  // Quiet: the last recording stopped, the timer thread gone.
  if (recording_active.load()) KeyDispatcher(kKeyStop);
  SDL_Delay(3000);
  SDL_QuitSubSystem(SDL_INIT_TIMER);
  sim::SetHostLog(nullptr);
  sim_clock_set(-1, 1.0);

  EXPECT_EQ(recording_active.load(), 0);
  EXPECT_FALSE(sim::GetRecorderStatus().recording);
  EXPECT_EQ(recording_transition.load(), 0);

  // Every start is followed by the stop of the same file before the next.
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
  EXPECT_GT(starts, 5);
  // Nothing lost: one .ts and one .mdb per file the recorder was given.
  EXPECT_EQ(CountFiles("/dtv/usb/sda1", ".ts"), starts);
  EXPECT_EQ(CountFiles("/dtv/usb/sda1", ".mdb"), starts);
  // The last recording's files are listed once each.
  std::set<std::string> listed;
  for (int i = 0; i < recent_file_count.load(); ++i) listed.insert(recent_files[i].ts);
  EXPECT_EQ(static_cast<int>(listed.size()), recent_file_count.load());
  std::printf("keys pressed %d, files recorded %d, files lost %d\n", pressed, starts,
              starts - CountFiles("/dtv/usb/sda1", ".ts"));
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
