// Shared by the display tests: a scratch home folder built from the real one
// (text library, generated skin and fonts), images written on the fly, and
// pixel access to the overlay.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/dispatcher_state.h"
#include "host/recording_state.h"
#include "supervision/supervision_state.h"
#include "display/osd_surface.h"
#include "settings/extra_settings.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "sim/screen/png_file.h"

namespace display_test {

// Pixels of the overlay that are not fully transparent: 0 means nothing is
// on the screen.
inline int DrawnPixels() {
  SDL_Surface* surface = OsdSurface.load();
  if (surface == nullptr) return 0;
  int drawn = 0;
  SDL_LockSurface(surface);
  for (int y = 0; y < surface->h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch;
    for (int x = 0; x < surface->w; ++x) drawn += row[x * 4 + 3] != 0;
  }
  SDL_UnlockSurface(surface);
  return drawn;
}


// The build's home folder (build/<dir>/home), found from the test binary.
inline std::string BuildDir() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path(self, n > 0 ? n : 0);
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/'));
}
inline std::string BuildHome() { return BuildDir() + "/home"; }

inline void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// One RGBA (4 channels) or RGB (3) or grey (1) image, row after row.
struct TestImage {
  int w, h, channels;
  std::vector<uint8_t> bytes;
  TestImage(int width, int height, int ch) : w(width), h(height), channels(ch), bytes(width * height * ch) {}
  uint8_t* At(int x, int y) { return &bytes[(y * w + x) * channels]; }
};

inline uint8_t* Pixel(int x, int y) {
  SDL_Surface* surface = OsdSurface.load();
  return static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * 4;
}

inline uint32_t PixelWord(int x, int y) {
  uint32_t word;
  std::memcpy(&word, Pixel(x, y), 4);
  return word;
}

inline void FillSurface(uint32_t word) {
  for (int y = 0; y < kOsdHeight; ++y) {
    for (int x = 0; x < kOsdWidth; ++x) std::memcpy(Pixel(x, y), &word, 4);
  }
}

inline std::vector<uint8_t> Snapshot() {
  std::vector<uint8_t> copy(kOsdHeight * kOsdRowBytes);
  for (int y = 0; y < kOsdHeight; ++y) std::memcpy(&copy[y * kOsdRowBytes], Pixel(0, y), kOsdRowBytes);
  return copy;
}

// A fixture with its own home folder: the real text library, skin and fonts
// linked in, the display closed, the default percentages, and the plug-in's
// run-time words as at a fresh start.
class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recolyx_display_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
    const std::string build = BuildHome();
    Shell("mkdir -p " + home_ + "/osd " + home_ + "/fonts && ln -s " + build + "/osd_ttf.so " + home_ +
        "/osd_ttf.so && ln -s " + build + "/osd/*.png " + home_ + "/osd/ && ln -s " + build + "/fonts/* " +
        home_ + "/fonts/");
    settings.home_dir[0] = '\0';
    std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s/", home_.c_str());
    settings.osd_opacity = 100;
    settings.image_alpha_percent = 80;
    settings.pane_animation = 1;
    ResetRunTimeState();
    ForgetDisplay();
    DefaultExtraSettings();
  }

  void TearDown() override {
    recording_active = 0;
    CloseOsd();
    ForgetDisplay();
    Shell("rm -rf " + home_);
  }

  // Writes image as home/relative (replacing a link to the real one).
  void WriteImage(const std::string& relative, const TestImage& image) {
    std::string path = home_ + "/" + relative;
    unlink(path.c_str());
    std::string error;
    ASSERT_TRUE(sim::WritePng(path, image.w, image.h, image.channels, image.bytes.data(),
                              image.w * image.channels, &error))
        << error;
  }

  void OpenCleared() {
    OpenOsd();
    ASSERT_NE(OsdSurface.load(), nullptr);
    FillSurface(0);
  }

  std::string home_;
};

}  // namespace display_test
