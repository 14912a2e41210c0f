// Two threads draw: the tick's thread (notices, the stop-timer line, a
// pane-like redraw) and the key thread (icons, boxes, opening and closing
// the display). Run under ThreadSanitizer and AddressSanitizer, the display
// lock must keep every sequence whole: no race on the surface, the fonts or
// the text library, no use of a closed font.
#include "display/fonts.h"
#include "display/text.h"
#include "notices_test_support.h"
#include "two_drawing_threads.h"
#include "settings/notices.h"
#include "supervision/status_notices.h"

namespace display_test {
namespace {

class DisplayLockTest : public NoticeScreenTest {};

// What the tick's information pane does every second: a few texts and a
// flip, as one sequence under the lock.
void RedrawPaneLike() {
  DisplayLock lock(display_mutex);
  SDL_Surface* surface = OsdSurface.load();
  if (surface == nullptr) return;
  DrawText(20, 240, 418, "Total: 12 GB", 9);
  DrawText(118, 240, 446, "Bitrate: 1234 KB/s", 0);
  DrawText(26, 242, 385, "USB Stick", 7);
  SDL_Flip(surface);
}

TEST_F(DisplayLockTest, ConcurrentNoticesIconsAndOpeningAndClosing) {
  recording_active = 1;
  stop_timer = 30;
  stop_time = static_cast<uint32_t>(time(nullptr) + 1800);
  settings.key44_passthrough = 0;
  OpenCleared();
  const int tick_rounds = DrawOnTwoThreads(
      StressRounds(50, 2000),
      [](int key) {
        switch (key % 6) {
          case 0: ShowRefusedIcon(); break;
          case 1: ShowRecordIcon(); break;
          case 2: ShowStopTimer(); break;
          case 3: ReopenDisplay(true); break;  // at rest the key thread quits SDL and starts it again
          case 4: ShowMessageBox(3 + key % 3, 0); break;
          default: ReopenDisplay(false); break;
        }
      },
      [](int round) {
        RedrawPaneLike();
        ShowStatusNotice(18 + round % 4);
        RedrawPaneLike();
        if (round % 8 == 0) CloseOsd();  // clears only, on this thread
      });
  EXPECT_GT(tick_rounds, 10);
  EXPECT_EQ(band_busy.load(), 0);
}

TEST_F(DisplayLockTest, TheTimerThreadNeverQuitsSdl) {
  OpenCleared();
  std::memcpy(Pixel(500, 300), "\x01\x02\x03\x04", 4);
  const int quits = sim::SdlCalls().quit;
  TTF_Font* font = StandardFont[1];
  std::thread tick([] {
    TimerThreadScope timer_thread;
    EXPECT_TRUE(OnTimerThread());
    CloseOsd();
    ReleaseVideo();
  });
  tick.join();
  EXPECT_FALSE(OnTimerThread());
  EXPECT_EQ(sim::SdlCalls().quit, quits);
  ASSERT_NE(OsdSurface.load(), nullptr);
  EXPECT_EQ(StandardFont[1], font);    // the fonts stay for the key thread
  EXPECT_EQ(PixelWord(500, 300), 0u);  // cleared instead
  CloseOsd();                          // the key thread closes
  EXPECT_EQ(sim::SdlCalls().quit, quits + 1);
  EXPECT_EQ(OsdSurface.load(), nullptr);
}

// SDL_Quit joins SDL's timer thread. A tick running there that waits for
// the display (the notice of a recording the key thread has just stopped)
// must not be waited for while the key thread holds the display lock: the
// close asks for the shutdown, which runs once the lock is released; the
// tick then finds no surface, ends, and the shutdown completes.
std::atomic<int> callback_entered{0};
std::atomic<int> callback_done{0};

Uint32 TickWaitingForTheDisplay(Uint32, void*) {
  TimerThreadScope timer_thread;
  callback_entered = 1;
  RedrawPaneLike();
  OpenOsd();  // while the shutdown runs: opens nothing
  callback_done = 1;
  return 0;
}

TEST_F(DisplayLockTest, ClosingWhileATickWaitsForTheDisplayCompletes) {
  OpenCleared();
  const int quits = sim::SdlCalls().quit;
  callback_entered = 0;
  callback_done = 0;
  {
    DisplayLock lock(display_mutex);
    ASSERT_NE(SDL_AddTimer(10, TickWaitingForTheDisplay, nullptr), nullptr);
    while (callback_entered.load() == 0) std::this_thread::yield();
    CloseOsd();
    EXPECT_EQ(OsdSurface.load(), nullptr);
    EXPECT_EQ(sim::SdlCalls().quit, quits);  // not yet: the lock is held
    EXPECT_EQ(callback_done.load(), 0);
  }
  EXPECT_EQ(sim::SdlCalls().quit, quits + 1);
  EXPECT_EQ(callback_done.load(), 1);  // SDL_Quit waited for the tick
  EXPECT_EQ(OsdSurface.load(), nullptr);
  EXPECT_FALSE(SdlQuitting());
}

// Closing and opening in one sequence keeps SDL up; the surface is set
// again and the other thread never sees the display half closed.
TEST_F(DisplayLockTest, ReopeningInOneSequenceKeepsSdlUp) {
  OpenCleared();
  const int quits = sim::SdlCalls().quit;
  {
    DisplayLock lock(display_mutex);
    CloseOsd();
    EXPECT_TRUE(SdlQuitting());
    OpenOsd();
    EXPECT_FALSE(SdlQuitting());
    EXPECT_NE(OsdSurface.load(), nullptr);
  }
  EXPECT_EQ(sim::SdlCalls().quit, quits);
  CloseOsd();
  EXPECT_EQ(sim::SdlCalls().quit, quits + 1);
}

}  // namespace
}  // namespace display_test
