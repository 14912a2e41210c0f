// Holding key 15: the simulator's key-input thread presses and holds the key
// through the patched host key functions, where the key dispatcher arms the
// watcher (hold_key15 is on by default); the test arms it as well once it
// sees the press, which only updates the watched key of a running watch.
//
// Everything runs on TV time (sim/platform/tv_time.h): the watcher's and
// the stop's sleep(1), the key-input thread's hold and the test's own waits
// take turns on the simulator's clock, which moves only when they all wait,
// so every duration is exact and each race between two threads (a release
// against the watcher's next second) is decided the same way every time.
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "host/dispatcher_state.h"
#include "host/key_detours.h"
#include "host/key_hold_watcher.h"
#include "host/tv_services.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/host/keys/key_patch.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/tv_time.h"

namespace {

using std::chrono::milliseconds;

// Sleeps in steps of TV time until done() holds or `seconds` of TV time
// have passed; returns done().
bool WaitFor(const std::function<bool()>& done, double seconds) {
  int64_t deadline = sim_clock_wall_ns() + static_cast<int64_t>(seconds * 1e9);
  while (!done() && sim_clock_wall_ns() < deadline) std::this_thread::sleep_for(milliseconds(10));
  return done();
}

// Each suite runs on TV time, started before its threads; each test measures
// from its own start and ends once no key and no watcher is left running.
class TvClockTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(tv_time_start(-1, 0, TV_TIME_SERIAL, 0), 0); }
  static void TearDownTestSuite() { tv_time_stop(); }
  void SetUp() override { start_ns_ = sim_clock_wall_ns(); }
  void TearDown() override {
    sim::WaitKeysIdle();
    WaitFor([] { return watcher_running == 0; }, 20.0);
  }
  // TV seconds since the test's start.
  double Elapsed() const { return static_cast<double>(sim_clock_wall_ns() - start_ns_) / 1e9; }

  int64_t start_ns_ = 0;
};

class KeyHoldWatcherTest : public TvClockTest {
 protected:
  static void SetUpTestSuite() {
    TvClockTest::SetUpTestSuite();
    std::string error;
    ASSERT_TRUE(sim::PatchKeyFunctions(reinterpret_cast<void*>(&injection_press),
                                       reinterpret_cast<void*>(&injection_release), &error))
        << error;
    sim::StartKeyInput();
  }
  static void TearDownTestSuite() {
    sim::StopKeyInput();
    sim::UnpatchKeyFunctions();
    TvClockTest::TearDownTestSuite();
  }
  void SetUp() override {
    TvClockTest::SetUp();
    sim::ResetHost();
    DefaultSettings(&settings);
    sim::Host().options[15] = 1;
    ResetRunTimeState();
    ResetPictureOffState();
  }

  // Presses key 15 for hold_ms (simulated) and arms the watcher once the
  // press is seen; returns the simulated time just before the press, which
  // no watch can start earlier than.
  int64_t HoldKey15(int hold_ms) {
    key_down = 0;
    int64_t queued = sim_clock_wall_ns();
    sim::QueueKey(15, 0, hold_ms);
    while (!key_down) std::this_thread::sleep_for(milliseconds(2));
    StartKeyHoldWatch(15);
    return queued;
  }
  static int PictureOffEvents() {
    std::lock_guard lock(sim::Host().mutex);
    return static_cast<int>(sim::Host().events.size());
  }
};

// The release at 2.5 s comes half a second before the watcher's third second.
TEST_F(KeyHoldWatcherTest, TwoAndAHalfSecondsChangeNothing) {
  HoldKey15(2500);
  sim::WaitKeysIdle();
  EXPECT_EQ(sim::HostOption(15), 1);
  EXPECT_EQ(picture_off, 0);
  EXPECT_EQ(watcher_running, 0);
  EXPECT_EQ(key_down, 0);
  EXPECT_EQ(held_key, 255);
}

TEST_F(KeyHoldWatcherTest, ThreeSecondsSwitchThePictureOffOnce) {
  int64_t pressed = HoldKey15(5200);
  // The picture goes off while the key is held (after its release the
  // watcher no longer acts): at the third second the watcher counts, which
  // is no earlier than three seconds after the press. (An upper bound in
  // time would only measure how late a loaded machine wakes the threads.)
  ASSERT_TRUE(WaitFor([] { return picture_off == 1 || key_down == 0; }, 10.0));
  double off_after = static_cast<double>(sim_clock_wall_ns() - pressed) / 1e9;
  EXPECT_EQ(picture_off, 1) << "picture off while the key is held";
  EXPECT_EQ(sim::HostOption(15), 5);
  EXPECT_GE(off_after, 2.999);  // 1 ms for the scaled clock's rounding
  EXPECT_EQ(hold_seconds, 3);
  sim::WaitKeysIdle();
  EXPECT_EQ(PictureOffEvents(), 1);
  EXPECT_EQ(sim::HostOption(15), 5);  // only a later key brings the picture back
  EXPECT_EQ(watcher_running, 0);
}

TEST_F(KeyHoldWatcherTest, EarlyReleaseEndsTheWatchWithinTwoSeconds) {
  HoldKey15(1200);
  sim::WaitKeysIdle();
  // The release waits for the watcher's next second (2 s after the press),
  // then the key-input thread's release ends: well before the eight-second
  // limit (9.2 s).
  EXPECT_EQ(Elapsed(), 2.2);
  EXPECT_EQ(watcher_running, 0);
  EXPECT_EQ(picture_off, 0);
  EXPECT_EQ(sim::HostOption(15), 1);
}

TEST_F(KeyHoldWatcherTest, SecondPressWhileWatchingOnlyUpdatesTheKey) {
  HoldKey15(2500);
  ASSERT_TRUE(WaitFor([] { return hold_seconds >= 1; }, 2.0));
  ASSERT_EQ(key_down, 1);
  pthread_t first = watcher_thread.load();
  int counted = hold_seconds;
  StartKeyHoldWatch(16);
  EXPECT_EQ(held_key, 16);
  EXPECT_EQ(watcher_running, 1);
  EXPECT_TRUE(pthread_equal(first, watcher_thread.load()));
  EXPECT_GE(hold_seconds, counted);  // a new watch would count from 0 again
  sim::WaitKeysIdle();
  EXPECT_EQ(watcher_running, 0);
}

// Without a watcher the release does not wait at all: the key's hold of
// 10 ms is all the TV time that passes.
TEST_F(KeyHoldWatcherTest, ReleaseWithoutWatcherReturnsAtOnce) {
  key_down = 0;
  sim::QueueKey(20, 0, 10);
  sim::WaitKeysIdle();
  EXPECT_EQ(Elapsed(), 0.01);
  EXPECT_EQ(key_down, 0);
  EXPECT_EQ(held_key, 255);
}

// The stop's last resort, SIGALRM to a watcher that outlives eight seconds,
// must never end the host, whatever the host does with SIGALRM.
class KeyHoldWatcherSignal : public TvClockTest {};

TEST_F(KeyHoldWatcherSignal, AlarmNeverReachesTheHost) {
  struct sigaction original {};
  sigaction(SIGALRM, nullptr, &original);
  struct sigaction fatal {};
  fatal.sa_handler = SIG_DFL;  // the default: terminate the process
  sigaction(SIGALRM, &fatal, nullptr);

  key_down = 1;
  StartKeyHoldWatch(15);
  ASSERT_EQ(watcher_start_result, 0);
  pthread_kill(watcher_thread.load(), SIGALRM);  // as the stop does after eight seconds
  std::this_thread::sleep_for(milliseconds(100));
  key_down = 0;
  StopKeyHoldWatch();
  EXPECT_EQ(watcher_running, 0);
  sigaction(SIGALRM, &original, nullptr);
}

}  // namespace
