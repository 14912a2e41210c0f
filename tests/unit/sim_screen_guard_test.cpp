// The guard bands around the simulator's overlay: a write just before the
// first row or just after the last one is reported at the next flip (or
// check), writes anywhere on the surface are not. Every test of this binary
// that draws fails at its end when anything wrote into a band: the plug-in's
// drawing is checked by the native build too, not only under AddressSanitizer.
#include <SDL.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "sim/screen/screen.h"
#include "sim/screen/screen_internal.h"

namespace {

// Band writes the tests below make on purpose.
int deliberate_faults = 0;

class GuardBandsIntact : public ::testing::Environment {
 public:
  void TearDown() override {
    sim::CheckOverlayGuards("the end of the tests");
    EXPECT_EQ(sim::OverlayGuardFaults(), deliberate_faults)
        << "surface guard band written: something drew outside the simulator's surface";
  }
};

::testing::Environment* const guard_bands_intact =
    ::testing::AddGlobalTestEnvironment(new GuardBandsIntact);

class OverlayGuards : public ::testing::Test {
 protected:
  void SetUp() override {
    surface_ = SDL_SetVideoMode(sim::kScreenWidth, sim::kScreenHeight, 32, SDL_HWSURFACE);
    ASSERT_NE(surface_, nullptr);
    ASSERT_TRUE(sim::CheckOverlayGuards("the test's start"));
    faults_ = sim::OverlayGuardFaults();
  }
  void TearDown() override { sim::ReleaseOverlay(); }

  uint8_t* Pixels() { return static_cast<uint8_t*>(surface_->pixels); }
  size_t Bytes() const { return static_cast<size_t>(surface_->pitch) * surface_->h; }

  // What the flip printed on stderr.
  std::string FlipOutput() {
    testing::internal::CaptureStderr();
    SDL_Flip(surface_);
    return testing::internal::GetCapturedStderr();
  }

  SDL_Surface* surface_ = nullptr;
  int faults_ = 0;
};

TEST_F(OverlayGuards, TheSurfaceIsTheScreenWithNoPaddingInItsRows) {
  EXPECT_EQ(surface_->w, 960);
  EXPECT_EQ(surface_->h, 540);
  EXPECT_EQ(surface_->pitch, 960 * 4);
  EXPECT_EQ(surface_->format->BitsPerPixel, 32);
}

TEST_F(OverlayGuards, WritesOnEveryEdgeOfTheSurfaceAreNotReported) {
  uint8_t* pixels = Pixels();
  pixels[0] = 0xFF;                       // first byte of the first row
  pixels[surface_->pitch - 1] = 0xFF;     // last byte of the first row
  pixels[Bytes() - surface_->pitch] = 1;  // first byte of the last row
  pixels[Bytes() - 1] = 0xFF;             // last byte of the last row
  EXPECT_EQ(FlipOutput(), "");
  EXPECT_TRUE(sim::CheckOverlayGuards("test"));
  EXPECT_EQ(sim::OverlayGuardFaults(), faults_);
}

TEST_F(OverlayGuards, AByteBeforeTheFirstRowIsReportedAtTheNextFlip) {
  Pixels()[-1] ^= 0xFF;  // deliberately out of the surface: into the guard band
  ++deliberate_faults;
  const std::string output = FlipOutput();
  EXPECT_NE(output.find("surface guard band written (1 bytes before the first row)"), std::string::npos)
      << output;
  EXPECT_EQ(sim::OverlayGuardFaults(), faults_ + 1);
  // Reported once: the band is filled anew.
  EXPECT_EQ(FlipOutput(), "");
  EXPECT_EQ(sim::OverlayGuardFaults(), faults_ + 1);
}

TEST_F(OverlayGuards, ARowAboveAndBytesAfterTheLastRowAreReported) {
  Pixels()[-static_cast<long>(surface_->pitch) * 3 + 10] = 0;  // three rows above
  Pixels()[-static_cast<long>(surface_->pitch) * 3 + 11] ^= 0x5A;
  EXPECT_NE(FlipOutput().find("surface guard band written"), std::string::npos);
  // A 32-bit store one pixel past the end, as a loop that runs one too far.
  Pixels()[Bytes() + 2] ^= 0x5A;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::CheckOverlayGuards("the end of the run"));
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_NE(output.find("(3 bytes after the last row), found at the end of the run"), std::string::npos)
      << output;
  // The far end of the tail.
  Pixels()[Bytes() + sim::kOverlayGuardRows * surface_->pitch + sim::kOverlayGuardTail - 1] ^= 1;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(sim::CheckOverlayGuards("test"));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(sim::OverlayGuardFaults(), faults_ + 3);
  deliberate_faults += 3;
}

}  // namespace
