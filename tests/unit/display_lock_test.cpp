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
      2000,
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

}  // namespace
}  // namespace display_test
