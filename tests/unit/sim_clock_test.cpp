// The simulated clock: a settable start, and time, sleeps and SDL's clock
// scaled together.
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include <gtest/gtest.h>

#include "sim/platform/sim_time.h"

extern "C" uint32_t SDL_GetTicks(void);
extern "C" void SDL_Delay(uint32_t milliseconds);

namespace {

class SimClock : public ::testing::Test {
 protected:
  void TearDown() override { sim_clock_reset(); }
};

constexpr int64_t kSwitchDay = 1711846790;  // 2024-03-31 00:59:50 UTC

TEST_F(SimClock, StartsAtTheChosenUtcTime) {
  sim_clock_set(kSwitchDay, 1.0);
  time_t now = time(nullptr);
  EXPECT_GE(now, kSwitchDay);
  EXPECT_LT(now, kSwitchDay + 5);
  struct tm local;
  localtime_r(&now, &local);  // the set's local time is UTC
  EXPECT_EQ(local.tm_hour, 0);
  EXPECT_EQ(local.tm_min, 59);
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  EXPECT_LE(tv.tv_sec - now, 1);
  EXPECT_LE(ts.tv_sec - now, 1);
  EXPECT_EQ(sim_clock_time() / 60, now / 60);
}

TEST_F(SimClock, SleepsAndTimeRunFasterTogether) {
  sim_clock_set(kSwitchDay, 1000.0);
  auto real_start = std::chrono::steady_clock::now();
  uint32_t ticks = SDL_GetTicks();
  sleep(20);                                                 // 20 ms of real time
  std::this_thread::sleep_for(std::chrono::seconds(10));     // nanosleep
  usleep(5000000);
  SDL_Delay(5000);
  double real_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - real_start).count();
  EXPECT_GE(time(nullptr), kSwitchDay + 40);
  EXPECT_GE(SDL_GetTicks() - ticks, 40000u);
  EXPECT_LT(real_seconds, 20.0);  // far below the 40 simulated seconds

  // A new date does not make SDL's clock jump.
  uint32_t before = SDL_GetTicks();
  sim_clock_set(kSwitchDay + 86400 * 365, 1.0);
  EXPECT_LT(SDL_GetTicks() - before, 1000u);
  EXPECT_GE(time(nullptr), kSwitchDay + 86400 * 365);
}

}  // namespace
