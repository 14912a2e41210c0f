// Shared by the tests of the short-lived screens and the status band: a
// display fixture with the English catalogue, plain skin images of known
// colours, the scaled clock, and a way to look at a screen while it waits.
#pragma once

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "display/display_lock.h"
#include "display_test_support.h"
#include "settings/dialog_state.h"
#include "settings/message_catalogue.h"
#include "sim/platform/sim_time.h"
#include "sim/screen/screen.h"
#include "supervision/info_pane_state.h"
#include "supervision/status_notices_state.h"

namespace display_test {

// A solid image: every pixel blue, green, red, alpha... as given (RGBA order).
inline TestImage Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  TestImage image(w, h, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image.At(x, y);
      p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
  return image;
}

// Pixel as blue, green, red, alpha bytes in one word, for comparisons.
inline uint32_t Bgra(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  return b | g << 8 | r << 16 | static_cast<uint32_t>(a) << 24;
}

class NoticeScreenTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    Shell("ln -s " + BuildHome() + "/messages_EN.txt " + home_ + "/messages_EN.txt");
    settings.show_notices = 1;
    settings.key44_passthrough = 1;
    settings.clock_source = 0;
    settings.stop_extra_minutes = 0;
    FreeMessages();
    RefreshMessages();
    sim_clock_set(-1, 100000.0);  // a 3 s notice takes 30 microseconds
  }

  void TearDown() override {
    sim_clock_reset();
    tick_stop_state = 0;
    DisplayTest::TearDown();
  }

  // Runs screen on its own thread, on a clock ten times real time;  once `flips` flips have happened since
  // the start, runs check with the display lock held (the screen is then in
  // one of its waits or blocked on the lock), then lets it finish.
  void WhileShowing(const std::function<void()>& screen, int flips, const std::function<void(int)>& check) {
    sim_clock_set(-1, 10.0);  // the waits long enough to look: 1 s takes 100 ms
    const int base = sim::ScreenFlipCount();
    std::atomic<bool> done{false};
    std::thread runner([&] {
      screen();
      done = true;
    });
    bool checked = false;
    while (!checked && !done) {
      {
        DisplayLock lock(display_mutex);
        int seen = sim::ScreenFlipCount() - base;
        if (seen >= flips) {
          check(seen);
          checked = true;
        }
      }
      std::this_thread::yield();
    }
    runner.join();
    sim_clock_set(-1, 100000.0);
    EXPECT_TRUE(checked) << "the screen ended before flip " << flips;
  }
};

}  // namespace display_test
