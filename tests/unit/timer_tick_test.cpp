// The supervision tick on the simulated set: each tick is called as SDL
// would call it, with the scaled clock set to the moment it runs.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <string>

#include "host/recording_transition.h"
#include "host/storage_checks.h"
#include "host/tv_services.h"
#include "recording_sandbox.h"
#include "settings/extra_settings.h"
#include "sim/host/host_state.h"
#include "sim/platform/tv_time.h"
#include "supervision/timer_tick.h"

namespace {

constexpr uint32_t kGoOn = 1000;

class TimerTick : public RecordingSandbox {
 protected:
  void SetUp() override {
    RecordingSandbox::SetUp();
    sim::SetRecorderBitrate(188);  // the recorder writes next to nothing
  }

  // A recording on one stick of `capacity` bytes in 1 KiB blocks.
  void Record(uint64_t capacity = 8ull << 30, uint32_t type = SIM_FS_FAT) {
    Plug("sda1", type, capacity, 1024);
    ChooseFixed(1, "/dtv/usb/sda1");
    ASSERT_EQ(StartRecording(kKeyRecord), kConsumed);
    ASSERT_EQ(recording_active.load(), 1);
  }

  // Leaves exactly `kib` KiB free on the stick.
  void LeaveFree(uint32_t kib) {
    ASSERT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 1);
    const uint32_t free = free_kb.load() + filler_kib_;
    ASSERT_GE(free, kib);
    filler_kib_ = free - kib;
    if (filler_kib_ == 0) {
      std::remove("/dtv/usb/sda1/filler");
    } else {
      ASSERT_TRUE(MakeSparseFile("/dtv/usb/sda1/filler", int64_t{filler_kib_} * 1024));
    }
  }

  // `count` ticks, one second apart; the result of the last.
  // `count` seconds of the test's clock, a tick each. The recorder runs on
  // the PC's clock and writes next to nothing meanwhile; a packet is added
  // to its file each second, as a recorder that works would write, so that
  // the tick does not take it for a stalled one.
  uint32_t Ticks(int count) {
    uint32_t result = 0;
    for (int i = 0; i < count; ++i) {
      Advance(1);
      RecorderWrites();
      result = Tick();
    }
    return result;
  }

  static void RecorderWrites() {
    if (!recording_active.load()) return;
    FILE* file = std::fopen(CurrentFile().c_str(), "ab");
    if (file == nullptr) return;
    static const unsigned char kPacket[188] = {0x47};
    std::fwrite(kPacket, 1, sizeof kPacket, file);
    std::fclose(file);
  }

  static std::string CurrentFile() NO_THREAD_SAFETY_ANALYSIS {
    return recording.ts_path.data();
  }

  // The recording has ended by the tick: recorder stopped, the display left
  // to the next key, the timer ended.
  void ExpectEndedByTick() {
    EXPECT_EQ(recording_active.load(), 0);
    EXPECT_EQ(tick_running.load(), 0);
    EXPECT_EQ(tick_stop_state.load(), 2);
    EXPECT_FALSE(sim::GetRecorderStatus().recording);
    EXPECT_FALSE(HoldingRecordingTransition());
    EXPECT_EQ(recording.taken.load(), 0);
  }

  uint32_t filler_kib_ = 0;
};

TEST(SpaceTexts, UnitsByTheSizeAndTheLanguage) {
  char text[kSizeTextSize];
  FormatSpace(text, sizeof text, 3u << 20, 18);
  EXPECT_STREQ(text, "3.00 GB");
  FormatSpace(text, sizeof text, 3u << 20, 12);
  EXPECT_STREQ(text, "3.00 Go");
  FormatSpace(text, sizeof text, 5 * 1024, 18);
  EXPECT_STREQ(text, "5120 KB");
  FormatSpace(text, sizeof text, 9 * 1024, 12);
  EXPECT_STREQ(text, "9.00 Mo");
  FormatSpace(text, sizeof text, UINT32_MAX, 18);
  EXPECT_STREQ(text, "4096.00 GB");
  char small[6];
  FormatSpace(small, sizeof small, UINT32_MAX, 18);  // cut, never past the buffer
  EXPECT_STREQ(small, "4096.");
}

// ---- Disk check

TEST_F(TimerTick, FreeSpaceOfFourMibStopsAndJustAboveWarns) {
  Record(64ull << 20);
  LeaveFree(4 * 1024 + 11);  // 4.01 MiB: warned, records on
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(low_space.load(), 1);
  EXPECT_EQ(low_space_warned.load(), 1);
  EXPECT_EQ(free_gauge.load(), static_cast<int>(free_kb.load() * 83.0 / total_kb.load()));

  // Below 32 MiB the disk is checked on every tick, not every tenth.
  LeaveFree(4 * 1024);
  const std::string file = recording.ts_path.data();
  EXPECT_EQ(Ticks(1), 0u);
  ExpectEndedByTick();
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(recording.recent_file_count.load(), 1);
}

// At 2 MiB/s the tick's stop at 4 MiB free comes before the recorder ever
// finds no room for a chunk: between two ticks a second's worth of stream
// (2 MiB and at most a chunk) is written. On TV time the recorder writes
// exactly the second before each tick, whatever the PC's speed.
TEST_F(TimerTick, TwoMibPerSecondIsStoppedBeforeTheDiskIsFull) {
  constexpr uint64_t kBitrate = 2048 * 1024;
  ASSERT_EQ(tv_time_start(now_, 0, TV_TIME_SERIAL, 0), 0);
  sim::SetRecorderBitrate(kBitrate);
  Record(16ull << 20);
  LeaveFree(4 * 1024 + 5 * 1024);  // room for about two and a half seconds

  int ticks = 0;
  uint64_t written = 0;
  while (recording_active.load() == 1 && ticks < 10) {
    ASSERT_TRUE(sim::GetRecorderStatus().recording);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const sim::RecorderStatus before = sim::GetRecorderStatus();
    // The whole chunks due in the second: a second of stream within a chunk.
    const uint64_t second = before.bytes_written - written;
    EXPECT_GE(second + before.chunk_bytes, kBitrate) << "before tick " << ticks + 1;
    EXPECT_LE(second, kBitrate + before.chunk_bytes) << "before tick " << ticks + 1;
    written = before.bytes_written;
    const uint32_t result = Tick();
    ++ticks;
    const sim::RecorderStatus after = sim::GetRecorderStatus();
    ASSERT_EQ(after.write_errors, 0) << after.last_error << " at tick " << ticks;
    ASSERT_TRUE(after.last_error.empty()) << after.last_error;
    if (result == 0) break;
    EXPECT_EQ(result, kGoOn);
    EXPECT_EQ(low_space_warned.load(), 1);
  }
  EXPECT_EQ(ticks, 3);  // two ticks saw room and let it record on
  ExpectEndedByTick();
  tv_time_stop();
  const sim::RecorderStatus last = sim::GetRecorderStatus();
  EXPECT_EQ(last.write_errors, 0) << last.last_error;
  EXPECT_GT(last.chunks_written, 0u);
  // What the recorder left: more than a second's worth of room.
  ASSERT_EQ(ReadFreeSpace("/dtv/usb/sda1"), 1);
  EXPECT_GT(uint64_t{free_kb.load()} * 1024, kBitrate);
}

TEST_F(TimerTick, SpaceRecoveringClearsTheWarning) {
  Record(64ull << 20);
  LeaveFree(20 * 1024);
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(low_space_warned.load(), 1);
  LeaveFree(40 * 1024);
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(low_space.load(), 0);
  EXPECT_EQ(low_space_warned.load(), 0);
  EXPECT_EQ(disk_check_counter.load(), 2);
}

TEST_F(TimerTick, ShareWithoutBlocksHasNoGaugeAndNoSpaceChecks) {
  Record(0, SIM_FS_CIFS);
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(total_kb.load(), 0u);
  EXPECT_EQ(free_gauge.load(), -1);
  EXPECT_EQ(low_space.load(), 0);
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_STREQ(free_text.data(), "0 KB");
}

TEST_F(TimerTick, SizeBitrateAndMinutesLeft) {
  Record(8ull << 30);
  ASSERT_TRUE(MakeSparseFile(recording.ts_path.data(), 100ll << 20));
  rec_start_time = static_cast<uint32_t>(now_ - 100);
  EXPECT_EQ(Tick(), kGoOn);  // 100 s after the start
  EXPECT_EQ(segment_size_mb.load(), 100u);
  EXPECT_EQ(bitrate.load(), 1024u);
  EXPECT_EQ(minutes_left.load(), (free_kb.load() - 4096) / 1024 / 60);
  EXPECT_STRNE(free_text.data(), "?");
}

TEST_F(TimerTick, VanishedDestinationStopsAfterTwoFailedChecksKeepingTheFile) {
  Record();
  const std::string file = recording.ts_path.data();
  ASSERT_TRUE(MakeSparseFile(file.c_str(), 1 << 20));
  ASSERT_TRUE(sim::UnplugDevice("sda1"));
  EXPECT_EQ(Tick(), kGoOn);  // one failed check
  EXPECT_EQ(Ticks(9), kGoOn);
  EXPECT_EQ(Ticks(1), 0u);  // the next check fails as well
  ExpectEndedByTick();
  EXPECT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), file);
  Plug("sda1", SIM_FS_FAT, 8ull << 30, 1024);
  EXPECT_TRUE(Exists(file));
}

// ---- The low-space warning by time left

TEST(SpaceRunningLow, TenMinutesAtTheRateOrThirtyTwoMibWhicheverFirst) {
  // At 1 MiB/s the stop at 4 MiB free is 600 s away with 4 + 600 MiB free.
  constexpr uint32_t kStopKib = 4096;
  constexpr uint64_t kMibPerSecond = 1 << 20;
  EXPECT_FALSE(SpaceRunningLow(kStopKib + 600 * 1024, kMibPerSecond));
  EXPECT_TRUE(SpaceRunningLow(kStopKib + 600 * 1024 - 1, kMibPerSecond));
  // At 10 KiB/s ten minutes are 6000 KiB: 32 MiB comes first.
  EXPECT_FALSE(SpaceRunningLow(32 * 1024, 10 * 1024));
  EXPECT_TRUE(SpaceRunningLow(32 * 1024 - 1, 10 * 1024));
  // No rate measured yet: by space alone.
  EXPECT_FALSE(SpaceRunningLow(32 * 1024, 0));
  EXPECT_TRUE(SpaceRunningLow(kStopKib + 1, 0));
  EXPECT_FALSE(SpaceRunningLow(UINT32_MAX, 0));
  // 4 TiB free: ten minutes at 7 GiB/s and more, no overflow.
  const uint64_t all = (uint64_t{UINT32_MAX} - kStopKib) * 1024;
  EXPECT_FALSE(SpaceRunningLow(UINT32_MAX, all / 601));
  EXPECT_TRUE(SpaceRunningLow(UINT32_MAX, all / 599));
  EXPECT_TRUE(SpaceRunningLow(UINT32_MAX, UINT64_MAX));
}

TEST_F(TimerTick, TenMinutesLeftAtTheMeasuredBitrateWarnsOnce) {
  Record(8ull << 30);
  // 600 MiB in 600 s: 1024 KiB/s.
  ASSERT_TRUE(MakeSparseFile(recording.ts_path.data(), 600ll << 20));
  rec_start_time = static_cast<uint32_t>(now_ - 600);
  LeaveFree(4096 + 601 * 1024);  // a little over ten minutes
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(bitrate.load(), 1024u);
  EXPECT_EQ(low_space.load(), 0);
  EXPECT_EQ(minutes_left.load(), 10u);

  LeaveFree(4096 + 599 * 1024);  // under ten minutes, far above 32 MiB
  rec_start_time = static_cast<uint32_t>(now_ - 600 + 10);  // the rate as before at the next check
  EXPECT_EQ(Ticks(10), kGoOn);
  EXPECT_EQ(bitrate.load(), 1024u);
  EXPECT_EQ(low_space.load(), 1);
  EXPECT_EQ(low_space_warned.load(), 1);
  EXPECT_EQ(minutes_left.load(), 9u);
  // Once low, the disk is checked every tick; the warning comes once.
  rec_start_time = rec_start_time.load() + 1;
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(low_space.load(), 1);
  EXPECT_EQ(disk_check_counter.load(), 2);
  EXPECT_EQ(low_space_warned.load(), 1);
}

// ---- Failover: a full or vanished disk hands over to the other destination

class Failover : public TimerTick {
 protected:
  // Recording to sda1 (dest1, `capacity`) with sdb1 (dest2, 8 GiB) beside.
  void RecordWithSecondStick(uint64_t capacity = 64ull << 20, uint64_t second = 8ull << 30) {
    Plug("sdb1", SIM_FS_FAT, second, 1024);
    Plug("sda1", SIM_FS_FAT, capacity, 1024);
    ChooseFixed(1, "/dtv/usb/sda1");
    ChooseFixed(2, "/dtv/usb/sdb1");
    ASSERT_EQ(StartRecording(kKeyRecord), kConsumed);
    ASSERT_EQ(CurrentFile().rfind("/dtv/usb/sda1/", 0), 0u);
    first_ = CurrentFile();
  }
  static int Disks() NO_THREAD_SAFETY_ANALYSIS { return recording.disk_count; }
  static const RecordingDisk& DiskAt(int i) NO_THREAD_SAFETY_ANALYSIS { return recording.disks[i]; }

  std::string first_;
};

TEST_F(Failover, AFullDiskHandsTheRecordingToDestinationTwo) {
  RecordWithSecondStick();
  LeaveFree(4 * 1024);
  EXPECT_EQ(Tick(), kGoOn);
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(CurrentFile().rfind("/dtv/usb/sdb1/R2024-03-07_20-15_Das_Boot_", 0), 0u) << CurrentFile();
  EXPECT_EQ(sim::GetRecorderStatus().path, CurrentFile());
  EXPECT_EQ(segment_number.load(), 1);
  EXPECT_EQ(recording.dest_attempt.load(), 1);  // it records to dest2 from now on
  EXPECT_EQ(tick_stop_state.load(), 0);
  EXPECT_EQ(CurrentPhase(), kPhaseRecording);
  EXPECT_EQ(disk_check_counter.load(), 0);  // the new disk is measured at the next tick
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first_);
  EXPECT_TRUE(Exists(first_));
  // The next tick measures sdb1: no warning, no stop.
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(low_space.load(), 0);
  EXPECT_GT(free_kb.load(), 7u << 20);

  // A later split by size stays on sdb1 (sda1 is still full).
  split_choice = 2;
  ASSERT_TRUE(MakeSparseFile(CurrentFile().c_str(), 1005ll << 20));
  EXPECT_EQ(Ticks(10), kGoOn);
  EXPECT_EQ(segment_number.load(), 2);
  EXPECT_EQ(CurrentFile().rfind("/dtv/usb/sdb1/", 0), 0u) << CurrentFile();

  StopRecording(kKeyStop);
  ASSERT_EQ(Disks(), 2);
  EXPECT_STREQ(DiskAt(0).mount, "/dtv/usb/sda1");
  EXPECT_STREQ(DiskAt(0).label, "sda1");
  EXPECT_EQ(DiskAt(0).files, 1);
  EXPECT_EQ(std::string(DiskAt(0).last_path), first_);
  EXPECT_STREQ(DiskAt(1).mount, "/dtv/usb/sdb1");
  EXPECT_EQ(DiskAt(1).files, 2);
  EXPECT_EQ(std::string(DiskAt(1).last_path), CurrentFile());
  EXPECT_EQ(recording.recent_file_count.load(), 3);
  EXPECT_EQ(recording.dest_attempt.load(), 0);  // the next start tries dest1 again
}

TEST_F(Failover, AVanishedDiskHandsOverAfterTheSecondFailedCheck) {
  RecordWithSecondStick(8ull << 30);
  ASSERT_TRUE(sim::UnplugDevice("sda1"));
  EXPECT_EQ(Tick(), kGoOn);  // one failed check
  EXPECT_EQ(CurrentFile(), first_);
  EXPECT_EQ(Ticks(10), kGoOn);  // the second: the recording moves on
  ASSERT_EQ(recording_active.load(), 1);
  EXPECT_EQ(CurrentFile().rfind("/dtv/usb/sdb1/", 0), 0u) << CurrentFile();
  EXPECT_EQ(disk_check_failures.load(), 0);
  EXPECT_EQ(Ticks(1), kGoOn);  // sdb1 measured: no failure
  EXPECT_EQ(disk_check_failures.load(), 0);
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first_);
}

TEST_F(Failover, StopsAsBeforeWhenOff) {
  extra_settings.failover = 0;
  RecordWithSecondStick();
  LeaveFree(4 * 1024);
  EXPECT_EQ(Ticks(1), 0u);
  ExpectEndedByTick();
  EXPECT_EQ(Disks(), 1);
  EXPECT_TRUE(std::filesystem::is_empty(sim::SandboxPath("/dtv/usb/sdb1")));
}

TEST_F(Failover, StopsAsBeforeWhenTheOtherDiskHasNoRoom) {
  // dest2 with only 32 MiB free (the least it needs is more than that).
  RecordWithSecondStick(64ull << 20, 32ull << 20);
  LeaveFree(4 * 1024);
  EXPECT_EQ(Ticks(1), 0u);
  ExpectEndedByTick();
  EXPECT_EQ(Disks(), 1);
}

TEST_F(Failover, AutoMovesToTheRoomiestOtherDisk) {
  Plug("sdb1", SIM_FS_FAT, 2ull << 30, 1024);
  Plug("sdc1", SIM_FS_FAT, 4ull << 30, 1024);
  Plug("sda1", SIM_FS_FAT, 16ull << 30, 1024);  // the roomiest: "Auto" takes it
  ASSERT_EQ(StartRecording(kKeyRecord), kConsumed);
  ASSERT_EQ(CurrentFile().rfind("/dtv/usb/sda1/", 0), 0u) << CurrentFile();
  LeaveFree(4 * 1024);
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(CurrentFile().rfind("/dtv/usb/sdc1/", 0), 0u) << CurrentFile();
  EXPECT_EQ(recording.dest_attempt.load(), 0);  // still "Auto"
}

TEST_F(Failover, AMoveWhoseNewDiskTakesNoFileEndsAsTheStop) {
  RecordWithSecondStick();
  // No free name on sdb1 for the next file.
  for (int n = 1; n <= 998; ++n) {
    char name[kPathSize];
    std::snprintf(name, sizeof name, "/dtv/usb/sdb1/R2024-03-07_20-15_Das_Boot_%03d.ts", n);
    FILE* file = std::fopen(name, "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  LeaveFree(4 * 1024);
  EXPECT_EQ(Ticks(1), 0u);
  ExpectEndedByTick();
  EXPECT_EQ(recording.last_start_failure.load(), 3);
  EXPECT_EQ(CurrentPhase(), kPhaseIdle);
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first_);
  EXPECT_EQ(recording.dest_attempt.load(), 0);
}

// ---- Splits

TEST_F(TimerTick, SplitBySizeWarnsOnceThenSplitsIntoTheNextFile) {
  Record();
  settings.split_mode = 2;
  split_choice = 2;  // 1004 MiB
  const std::string first = recording.ts_path.data();
  ASSERT_TRUE(MakeSparseFile(recording.ts_path.data(), 990ll << 20));
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(split_warned.load(), 1);
  EXPECT_EQ(segment_number.load(), 0);

  ASSERT_TRUE(MakeSparseFile(recording.ts_path.data(), 1005ll << 20));
  EXPECT_EQ(Ticks(10), kGoOn);  // the next disk check
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_EQ(segment_number.load(), 1);
  EXPECT_EQ(split_in_progress.load(), 0);
  EXPECT_EQ(split_warned.load(), 0);
  EXPECT_EQ(earlier_segments_mb.load(), 1005);
  EXPECT_NE(std::string(recording.ts_path.data()), first);
  EXPECT_EQ(sim::GetRecorderStatus().path, std::string(recording.ts_path.data()));
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first);
  EXPECT_EQ(tick_stop_state.load(), 0);
}

TEST_F(TimerTick, SplitWhoseRestartFailsEndsAsAStop) {
  Record();
  split_choice = kSplitByProgramme;
  pane_state = 1;
  const std::string first = recording.ts_path.data();
  for (int n = 2; n <= 998; ++n) {  // no free name for the next file
    char name[kPathSize];
    std::snprintf(name, sizeof name, "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot_%03d.ts", n);
    FILE* file = std::fopen(name, "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  title_change_count = 3;  // a programme change is confirmed
  EXPECT_EQ(Tick(), 0u);
  ExpectEndedByTick();
  EXPECT_EQ(pane_state.load(), 0);
  EXPECT_EQ(split_in_progress.load(), 0);
  EXPECT_EQ(recording.last_start_failure.load(), 3);
  ASSERT_EQ(recording.recent_file_count.load(), 1);
  EXPECT_EQ(std::string(recording.recent_files[0].ts), first);

  // The next key 73 records again.
  std::remove("/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot_500.ts");
  EXPECT_EQ(StartRecording(kKeyRecord), kConsumed);
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_EQ(std::string(recording.ts_path.data()), "/dtv/usb/sda1/R2024-03-07_20-15_Das_Boot_500.ts");
  EXPECT_EQ(Tick(), kGoOn);
}

TEST_F(TimerTick, ProgrammeChangeSplitsAtEachProgramme) {
  Record();
  split_choice = kSplitByProgramme;
  Guide().title = u"Tatort";
  ApplyGuide();
  title_change_count = 3;
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(segment_number.load(), 1);
  EXPECT_EQ(title_change_count.load(), 0);
  EXPECT_EQ(std::string(recording.ts_path.data()), "/dtv/usb/sda1/R2024-03-07_20-15_Tatort_001.ts");
  EXPECT_EQ(recording.recent_file_count.load(), 1);
}

// ---- Stops by time

TEST_F(TimerTick, StopTimerActsAtTheNextTickEvenWithoutDiskCheckAndInTheOverlay) {
  Record();
  stop_timer = 10;
  stop_time = static_cast<uint32_t>(now_ + 605);
  EXPECT_EQ(Tick(), kGoOn);
  settings.key44_passthrough = 1;
  key44_count = 1;
  EXPECT_EQ(Ticks(604), kGoOn);
  Advance(1);
  const time_t before = time(nullptr);
  EXPECT_EQ(Tick(), 0u);
  EXPECT_LE(time(nullptr) - before, 1);  // the stop does not wait for its own tick
  EXPECT_NE(disk_check_counter.load(), 0);
  ExpectEndedByTick();
  EXPECT_EQ(stop_timer.load(), 0);
}

TEST_F(TimerTick, ProgrammeEndStopsAtOnceWithoutRunOn) {
  Record();
  stop_timer = -1;
  settings.stop_extra_minutes = 0;
  title_change_count = 3;
  EXPECT_EQ(Tick(), 0u);
  ExpectEndedByTick();
  EXPECT_EQ(stop_timer.load(), 0);
  EXPECT_EQ(title_change_count.load(), 0);
}

TEST_F(TimerTick, ProgrammeEndRunsOnForTheExtraMinutes) {
  Record();
  stop_timer = -1;
  settings.stop_extra_minutes = 45;  // read within 0..30
  title_change_count = 3;
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(stop_timer.load(), kRunOnMarker);
  EXPECT_EQ(stop_time.load(), static_cast<uint32_t>(now_ + 30 * 60));
  EXPECT_EQ(Ticks(30 * 60 - 1), kGoOn);
  EXPECT_EQ(recording_active.load(), 1);
  EXPECT_EQ(Ticks(1), 0u);
  ExpectEndedByTick();
}

TEST_F(TimerTick, ClockJumpsMoveTheRecordingsTimes) {
  Record();
  stop_timer = 10;
  stop_time = static_cast<uint32_t>(now_ + 600);
  const uint32_t start = rec_start_time.load();
  EXPECT_EQ(Ticks(1), kGoOn);
  Advance(3600);  // the clock set from the broadcast, an hour on
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(rec_start_time.load(), start + 3601);
  EXPECT_EQ(stop_time.load(), static_cast<uint32_t>(start + 600 + 3601));
  Advance(-7200);  // and two hours back
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(rec_start_time.load(), start + 3601 - 7199);
  EXPECT_EQ(segment_start_time.load(), start + 3601 - 7199);
  EXPECT_EQ(recording_active.load(), 1);
  Advance(30);  // ordinary time passing moves nothing
  EXPECT_EQ(Ticks(1), kGoOn);
  EXPECT_EQ(rec_start_time.load(), start + 3601 - 7199);
}

// ---- Title samples and the final name

TEST_F(TimerTick, FinalNameTakesTheTitleSampledBeforeTheLastAndTheStartTime) {
  Record();
  EXPECT_EQ(Ticks(6), kGoOn);  // check 0 on the sixth tick
  EXPECT_EQ(title_check_count.load(), 1);
  EXPECT_STREQ(final_prefix.data(), "2024-03-07_20-15_Das_Boot_");
  Guide().title = u"Brennpunkt";
  ApplyGuide();
  EXPECT_EQ(Ticks(15), kGoOn);  // check 1
  EXPECT_EQ(std::string(latest_prefix.data()).substr(17), "Brennpunkt_");
  EXPECT_STREQ(final_prefix.data(), "2024-03-07_20-15_Das_Boot_");
  Guide().title = u"Tagesthemen";
  ApplyGuide();
  EXPECT_EQ(Ticks(15), kGoOn);  // check 2: the older sample becomes final
  EXPECT_EQ(std::string(final_prefix.data()).substr(17), "Brennpunkt_");
  EXPECT_EQ(next_title_sample.load(), 4);

  StopRecording(kKeyStop);
  EXPECT_STREQ(recording.ts_path.data(), "/dtv/usb/sda1/R2024-03-07_20-15_Brennpunkt_001.ts");
  EXPECT_TRUE(Exists(recording.ts_path.data()));
}

TEST_F(TimerTick, NoProgrammeAtTheFirstCheckLeavesBothPrefixesEmpty) {
  Guide().has_programme = false;
  ApplyGuide();
  Record();
  EXPECT_EQ(Ticks(6), kGoOn);
  EXPECT_STREQ(final_prefix.data(), "");
  EXPECT_STREQ(latest_prefix.data(), "");
  Guide().has_programme = true;
  ApplyGuide();
  EXPECT_EQ(Ticks(15), kGoOn);
  EXPECT_STRNE(latest_prefix.data(), "");
  EXPECT_STREQ(final_prefix.data(), "");
  EXPECT_EQ(Ticks(15), kGoOn);
  EXPECT_STRNE(final_prefix.data(), "");
}

// ---- The timer's life

TEST_F(TimerTick, TicksOfEndedOrEarlierRecordingsEndThemselves) {
  Record();
  const uint32_t generation = recording.generation.load();
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(tick_running.load(), 1);
  StopRecording(kKeyStop);
  EXPECT_EQ(Tick(), 0u);  // the user stopped: the next tick ends the timer
  EXPECT_EQ(tick_running.load(), 0);

  ASSERT_EQ(StartRecording(kKeyRecord), kConsumed);
  EXPECT_EQ(Tick(), kGoOn);
  // The earlier recording's timer, late: it ends and touches nothing.
  tick_running = 1;
  disk_check_counter = 4;
  EXPECT_EQ(TickTimer(1000, reinterpret_cast<void*>(static_cast<uintptr_t>(generation))), 0u);
  EXPECT_EQ(tick_running.load(), 1);
  EXPECT_EQ(disk_check_counter.load(), 4);
  EXPECT_EQ(recording_active.load(), 1);
}

TEST_F(TimerTick, TickSkipsWhileTheKeyThreadHoldsTheRecording) {
  Record();
  std::thread holder([] {
    ASSERT_TRUE(TakeRecordingTransition(0));
    SDL_Delay(50);
    ReleaseRecordingTransition();
  });
  while (recording.taken.load() == 0) std::this_thread::yield();
  sim_clock_set(-1, 1000.0);  // the tick's bounded wait passes quickly
  const int counter = disk_check_counter.load();
  const uint32_t result = Tick();
  holder.join();
  EXPECT_EQ(result, kGoOn);
  // Either it waited for the key thread and ran, or it was skipped.
  EXPECT_LE(disk_check_counter.load(), counter + 1);
}

TEST_F(TimerTick, PictureOffReminderLeavesThePictureOffAndTheVideoUnmuted) {
  Record();
  settings.osd_opacity = 100;  // reminders are notices: shown only with opacity
  sim_clock_set(-1, 1000.0);   // and their waits pass quickly
  PictureOffIfOn();
  ASSERT_EQ(picture_off.load(), 1);
  EXPECT_EQ(Tick(), kGoOn);
  EXPECT_EQ(reminder_count.load(), 1);
  EXPECT_EQ(picture_off.load(), 1);
  EXPECT_EQ(video_is_muted.load(), 0);
  EXPECT_EQ(reminder_counter.load(), 1);
  // Slots at 0, 10 and 20 minutes, then every second slot.
  for (int slot = 1; slot < 5; ++slot) {
    reminder_counter = 0;
    EXPECT_EQ(Tick(), kGoOn);
  }
  EXPECT_EQ(reminder_count.load(), 5);
  EXPECT_EQ(picture_off.load(), 1);
  EXPECT_EQ(video_is_muted.load(), 0);
  // The notice switched the picture on and off again: nothing is left for
  // the next key to restore, so a key the plug-in keeps leaves it off.
  EXPECT_EQ(option15_restore_count.load(), 0);
  EXPECT_EQ(sim::Host().options[15], 5);
  EXPECT_EQ(KeyDispatcher(kKeyShowTimer), kConsumed);
  EXPECT_EQ(sim::Host().options[15], 5);
  EXPECT_EQ(picture_off.load(), 1);
}

}  // namespace
