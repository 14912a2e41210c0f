// TV time: the simulator's clock moves only when every thread waits. These
// tests judge the clock by its own reading (exact TV nanoseconds) and the
// order of events by a log the threads write, never by the PC's clock.
#include "sim/platform/tv_time.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sandbox_fixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
constexpr int64_t kSecond = 1000000000;

// A log of what the threads did, with the TV time of each entry.
class EventLog {
 public:
  void Add(const std::string& what) {
    std::lock_guard lock(mutex_);
    entries_.push_back(what + "@" + std::to_string(tv_time_elapsed_ns() / 1000000));
  }
  std::vector<std::string> Entries() {
    std::lock_guard lock(mutex_);
    return entries_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

class TvTimeTest : public ::testing::Test {
 protected:
  void Start(tv_time_order order = TV_TIME_SERIAL, uint64_t seed = 0) {
    ASSERT_EQ(tv_time_start(1700000000, 0, order, seed), 0);
  }
  void TearDown() override { tv_time_stop(); }
};

TEST_F(TvTimeTest, SleepsEndInTvOrderAtTheirExactTimes) {
  for (tv_time_order order : {TV_TIME_SERIAL, TV_TIME_PARALLEL}) {
    Start(order);
    EventLog log;
    std::vector<std::thread> threads;
    for (int hours : {3, 1, 2}) {
      threads.emplace_back([&log, hours] {
        std::this_thread::sleep_for(std::chrono::hours(hours));
        log.Add("slept " + std::to_string(hours) + " h");
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"slept 1 h@3600000", "slept 2 h@7200000",
                                                       "slept 3 h@10800000"}));
    EXPECT_EQ(tv_time_elapsed_ns(), 3 * 3600 * kSecond);
    EXPECT_EQ(time(nullptr), 1700000000 + 3 * 3600);
    tv_time_stop();
  }
}

TEST_F(TvTimeTest, TimedWaitsEndAtTheirDeadlineOrAtTheSignal) {
  Start();
  std::mutex mutex;
  std::condition_variable changed;
  bool flag = false;
  {
    std::unique_lock lock(mutex);
    EXPECT_FALSE(changed.wait_for(lock, seconds(5), [&] { return flag; }));
  }
  EXPECT_EQ(tv_time_elapsed_ns(), 5 * kSecond);

  std::thread setter([&] {
    std::this_thread::sleep_for(seconds(2));
    std::lock_guard lock(mutex);
    flag = true;
    changed.notify_one();
  });
  {
    std::unique_lock lock(mutex);
    EXPECT_TRUE(changed.wait_for(lock, seconds(60), [&] { return flag; }));
  }
  EXPECT_EQ(tv_time_elapsed_ns(), 7 * kSecond);
  setter.join();

  // A deadline on the wall clock (pthread_cond_timedwait's default) too.
  std::unique_lock lock(mutex);
  EXPECT_EQ(changed.wait_until(lock, std::chrono::system_clock::now() + seconds(3)),
            std::cv_status::timeout);
  EXPECT_EQ(tv_time_elapsed_ns(), 10 * kSecond);
}

// A thread that sleeps while holding a mutex still gets its turn: the one
// waiting for the mutex waits on TV time's terms, not forever.
TEST_F(TvTimeTest, AMutexHeldAcrossASleepIsHandedOnWhenItIsFreed) {
  Start();
  std::mutex mutex;
  EventLog log;
  std::thread holder([&] {
    std::lock_guard lock(mutex);
    log.Add("holder has it");
    std::this_thread::sleep_for(seconds(1));
    log.Add("holder lets go");
  });
  std::this_thread::sleep_for(milliseconds(10));
  {
    std::lock_guard lock(mutex);
    log.Add("second has it");
  }
  holder.join();
  EXPECT_EQ(log.Entries(),
            (std::vector<std::string>{"holder has it@0", "holder lets go@1000", "second has it@1000"}));
}

TEST_F(TvTimeTest, AHeldThreadWaitsWhileTvTimeGoesOnUntilItIsResumed) {
  Start();
  EventLog log;
  ASSERT_EQ(tv_time_hold("record-start"), 0);
  EXPECT_EQ(tv_time_hold(std::string(40, 'x').c_str()), -1);
  std::thread worker([&] {
    std::this_thread::sleep_for(seconds(30));
    tv_time_point("record-start", nullptr);
    log.Add("worker goes on");
  });
  EXPECT_EQ(tv_time_wait_held("record-start", 60 * kSecond), 1);
  EXPECT_EQ(tv_time_elapsed_ns(), 30 * kSecond);
  std::this_thread::sleep_for(seconds(100));  // the held thread stays held meanwhile
  log.Add("main resumes");
  EXPECT_EQ(tv_time_resume("record-start"), 1);
  worker.join();
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"main resumes@130000", "worker goes on@130000"}));
  // A hold that catches nothing within the time: the wait ends at its deadline.
  ASSERT_EQ(tv_time_hold("tick"), 0);
  EXPECT_EQ(tv_time_wait_held("tick", 5 * kSecond), 0);
  EXPECT_EQ(tv_time_elapsed_ns(), 135 * kSecond);
  EXPECT_EQ(tv_time_resume("tick"), 0);
  EXPECT_EQ(tv_time_resume("tick"), -1);
}

// Several threads that hand work on through condition variables, wake at
// the same TV instants and take one mutex: the order of what they did.
std::vector<std::string> PlayBusyTown(uint64_t seed) {
  EXPECT_EQ(tv_time_start(1700000000, 0, TV_TIME_SERIAL, seed), 0);
  EventLog log;
  std::mutex mutex;
  std::condition_variable changed;
  int turn = 0;
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) {
    threads.emplace_back([&, id] {
      for (int round = 0; round < 5; ++round) {
        std::this_thread::sleep_for(milliseconds(100 * (id % 2 + 1)));
        std::unique_lock lock(mutex);
        log.Add("t" + std::to_string(id) + " r" + std::to_string(round));
        ++turn;
        changed.notify_all();
        changed.wait_for(lock, milliseconds(50), [&] { return turn % 3 == 0; });
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  tv_time_stop();
  return log.Entries();
}

TEST_F(TvTimeTest, ASerialRunReplaysExactlyWithOrWithoutAShakeSeed) {
  std::vector<std::string> plain = PlayBusyTown(0);
  EXPECT_EQ(plain.size(), 20u);
  EXPECT_EQ(PlayBusyTown(0), plain);
  std::vector<std::string> shaken = PlayBusyTown(12345);
  EXPECT_EQ(PlayBusyTown(12345), shaken);
  // Some seed among a few orders the threads otherwise: the shake varies.
  bool varied = false;
  for (uint64_t seed = 1; seed <= 8 && !varied; ++seed) varied = PlayBusyTown(seed) != plain;
  EXPECT_TRUE(varied);
}

extern "C" void* SDL_AddTimer(uint32_t interval, uint32_t (*callback)(uint32_t, void*), void* param);
extern "C" int SDL_RemoveTimer(void* id);

// SDL's timers fire at exact TV times: the add's time plus the interval,
// then each due time plus the interval the callback returned.
TEST_F(TvTimeTest, TimersFireAtExactTvTimes) {
  Start();
  static EventLog* log;
  EventLog events;
  log = &events;
  std::this_thread::sleep_for(milliseconds(250));
  void* id = SDL_AddTimer(
      1000,
      [](uint32_t interval, void*) -> uint32_t {
        log->Add("tick");
        return interval == 1000 ? 1500 : 0;
      },
      nullptr);
  ASSERT_NE(id, nullptr);
  std::this_thread::sleep_for(seconds(10));
  EXPECT_EQ(events.Entries(), (std::vector<std::string>{"tick@1250", "tick@2750"}));
  EXPECT_EQ(SDL_RemoveTimer(id), 0);  // it ended when its callback returned 0

  void* again = SDL_AddTimer(
      1000, [](uint32_t interval, void*) -> uint32_t { log->Add("again"); return interval; }, nullptr);
  std::this_thread::sleep_for(milliseconds(3500));
  EXPECT_EQ(SDL_RemoveTimer(again), 1);
  std::this_thread::sleep_for(seconds(5));
  EXPECT_EQ(events.Entries().size(), 5u);  // 11.25, 12.25, 13.25 s, then no more
}

// A command that leaves a process running in the background: TV time waits
// for it, so what it does is done before the next TV instant, whatever the
// PC's speed.
class TvTimeCommandTest : public SandboxTest {
 protected:
  void TearDown() override {
    tv_time_stop();
    SandboxTest::TearDown();
  }
};

TEST_F(TvTimeCommandTest, TvTimeWaitsForWhatACommandLeftRunning) {
  ASSERT_EQ(tv_time_start(1700000000, 0, TV_TIME_SERIAL, 0), 0);
  ASSERT_NE(std::system("(sleep 0.3; touch /mtd_ram/late) >/dev/null 2>&1 &"), -1);
  std::this_thread::sleep_for(milliseconds(1));
  struct stat status;
  EXPECT_EQ(stat("/mtd_ram/late", &status), 0);
  EXPECT_EQ(tv_time_elapsed_ns(), 1000000);
}

}  // namespace
