// Holding key 15: the simulator's key-input thread presses and holds the key
// through the patched host key functions; the test arms the watcher as the
// key dispatcher will when the key arrives.
#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "host/dispatcher_state.h"
#include "host/key_detours.h"
#include "host/key_hold_watcher.h"
#include "host/tv_services.h"
#include "settings/settings_record.h"
#include "sim/host/host_state.h"
#include "sim/host/keys/key_input.h"
#include "sim/host/keys/key_patch.h"

namespace {

using Clock = std::chrono::steady_clock;

class KeyHoldWatcherTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(sim::PatchKeyFunctions(reinterpret_cast<void*>(&injection_press),
                                       reinterpret_cast<void*>(&injection_release), &error))
        << error;
    sim::StartKeyInput();
  }
  static void TearDownTestSuite() {
    sim::StopKeyInput();
    sim::UnpatchKeyFunctions();
  }
  void SetUp() override {
    sim::ResetHost();
    DefaultSettings(&settings);
    sim::Host().options[15] = 1;
    ResetPictureOffState();
    start_ = Clock::now();
  }

  // Presses key 15 for hold_ms and arms the watcher once the press is seen.
  void HoldKey15(int hold_ms) {
    key_down = 0;
    sim::QueueKey(15, 0, hold_ms);
    while (!key_down) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    StartKeyHoldWatch(15);
  }
  double Elapsed() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
  }
  static int PictureOffEvents() {
    std::lock_guard lock(sim::Host().mutex);
    return static_cast<int>(sim::Host().events.size());
  }

  Clock::time_point start_;
};

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
  HoldKey15(5200);
  std::this_thread::sleep_for(std::chrono::milliseconds(3300));
  EXPECT_EQ(sim::HostOption(15), 5) << "picture off after three seconds";
  EXPECT_EQ(picture_off, 1);
  sim::WaitKeysIdle();
  EXPECT_EQ(PictureOffEvents(), 1);
  EXPECT_EQ(sim::HostOption(15), 5);  // only a later key brings the picture back
  EXPECT_EQ(watcher_running, 0);
}

TEST_F(KeyHoldWatcherTest, EarlyReleaseEndsTheWatchWithinTwoSeconds) {
  HoldKey15(1200);
  sim::WaitKeysIdle();
  double elapsed = Elapsed();
  EXPECT_GE(elapsed, 2.0);  // the release waits at least one second for the watcher
  EXPECT_LT(elapsed, 4.0);  // and ends well before the eight-second limit
  EXPECT_EQ(watcher_running, 0);
  EXPECT_EQ(picture_off, 0);
  EXPECT_EQ(sim::HostOption(15), 1);
}

TEST_F(KeyHoldWatcherTest, SecondPressWhileWatchingOnlyUpdatesTheKey) {
  HoldKey15(1500);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  pthread_t first = watcher_thread.load();
  int counted = hold_seconds;
  StartKeyHoldWatch(16);
  EXPECT_EQ(held_key, 16);
  EXPECT_TRUE(pthread_equal(first, watcher_thread.load()));
  EXPECT_EQ(hold_seconds, counted);
  sim::WaitKeysIdle();
  EXPECT_EQ(watcher_running, 0);
}

TEST_F(KeyHoldWatcherTest, ReleaseWithoutWatcherReturnsAtOnce) {
  key_down = 0;
  sim::QueueKey(20, 0, 10);
  sim::WaitKeysIdle();
  EXPECT_LT(Elapsed(), 1.0);
  EXPECT_EQ(key_down, 0);
  EXPECT_EQ(held_key, 255);
}

// The stop's last resort, SIGALRM to a watcher that outlives eight seconds,
// must never end the host, whatever the host does with SIGALRM.
TEST(KeyHoldWatcherSignal, AlarmNeverReachesTheHost) {
  struct sigaction original {};
  sigaction(SIGALRM, nullptr, &original);
  struct sigaction fatal {};
  fatal.sa_handler = SIG_DFL;  // the default: terminate the process
  sigaction(SIGALRM, &fatal, nullptr);

  key_down = 1;
  StartKeyHoldWatch(15);
  ASSERT_EQ(watcher_start_result, 0);
  pthread_kill(watcher_thread.load(), SIGALRM);  // as the stop does after eight seconds
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  key_down = 0;
  StopKeyHoldWatch();
  EXPECT_EQ(watcher_running, 0);
  sigaction(SIGALRM, &original, nullptr);
}

}  // namespace
