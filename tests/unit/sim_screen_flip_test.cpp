// The simulator's flip: with a reader of the flipped overlay (screenshots,
// screen checks) every flip keeps what it showed, so that what is drawn
// after it is not seen before the next flip; without one a flip only counts.
#include <SDL.h>

#include <vector>

#include "display_test_support.h"
#include "sim/screen/screen.h"

namespace display_test {
namespace {

class FlipTest : public DisplayTest {
 protected:
  void TearDown() override {
    sim::ConfigureScreen({});  // the default: screenshots read the last flip
    DisplayTest::TearDown();
  }

  static void Paint(uint32_t bgra) {
    for (int y = 290; y < 310; ++y) {
      for (int x = 490; x < 510; ++x) std::memcpy(Pixel(x, y), &bgra, 4);
    }
  }

  // Red, green, blue the viewer sees at (500, 300).
  static std::vector<uint8_t> Seen() {
    std::vector<uint8_t> rgba(static_cast<size_t>(kOsdWidth) * kOsdHeight * 4);
    sim::ComposeShownFrame(rgba.data());
    const uint8_t* p = &rgba[(300 * kOsdWidth + 500) * 4];
    return {p[0], p[1], p[2]};
  }
};

constexpr uint32_t kOpaqueRed = 0xFFFF0000u;    // B G R A bytes 00 00 FF FF
constexpr uint32_t kOpaqueGreen = 0xFF00FF00u;

TEST_F(FlipTest, WithAReaderTheScreenShowsTheLastFlipNotWhatIsDrawnAfterIt) {
  sim::ScreenOptions options;
  options.keep_shown = true;
  sim::ConfigureScreen(options);
  OpenCleared();
  Paint(kOpaqueRed);
  const int flips = sim::ScreenFlipCount();
  SDL_Flip(OsdSurface.load());
  Paint(kOpaqueGreen);  // drawn, not flipped
  EXPECT_EQ(Seen(), (std::vector<uint8_t>{255, 0, 0}));
  SDL_Flip(OsdSurface.load());
  EXPECT_EQ(Seen(), (std::vector<uint8_t>{0, 255, 0}));
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 2);
}

TEST_F(FlipTest, WithoutAReaderAFlipOnlyCountsAndAReaderThatComesLaterStartsFromTheOverlay) {
  sim::ScreenOptions options;
  options.keep_shown = false;
  sim::ConfigureScreen(options);
  OpenCleared();
  Paint(kOpaqueRed);
  const int flips = sim::ScreenFlipCount();
  SDL_Flip(OsdSurface.load());
  EXPECT_EQ(sim::ScreenFlipCount(), flips + 1);
  // Nothing kept: what was flipped is the overlay itself.
  EXPECT_EQ(Seen(), (std::vector<uint8_t>{255, 0, 0}));
  options.keep_shown = true;
  sim::ConfigureScreen(options);
  Paint(kOpaqueGreen);
  EXPECT_EQ(Seen(), (std::vector<uint8_t>{255, 0, 0}));
  SDL_Flip(OsdSurface.load());
  EXPECT_EQ(Seen(), (std::vector<uint8_t>{0, 255, 0}));
}

}  // namespace
}  // namespace display_test
