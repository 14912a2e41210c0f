#include "sim/gallery/gallery.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "settings/language.h"
#include "settings/message_catalogue.h"
#include "sim/gallery/gallery_screens.h"
#include "sim/host/host_state.h"
#include "sim/platform/sim_time.h"
#include "sim/screen/screen.h"

namespace gallery {

namespace {

// Every screen sees the same clock: 2024-03-31 20:15 UTC.
constexpr int64_t kClockStart = 1711916100;
// Until a screen's first flip the clock runs at real speed from kClockStart
// (the few milliseconds before it draws leave the times it shows those of
// kClockStart, and SDL's timer thread keeps its real pace); after each flip
// it races, so the screen's waits pass at once.
constexpr double kRealClock = 1.0;
constexpr double kRacingClock = 1e7;
// Room around what a screen drew, and the sheet's width.
constexpr int kCropMargin = 6;
constexpr int kSheetWidth = 1900;
// Host language numbers searched for catalogue codes.
constexpr int kLastLanguageNumber = 63;

// What the flips of one screen showed: the frame of the flip asked for and
// the box of the overlay's drawn pixels in it.
struct Capture {
  int wanted_flip = 1;
  int flips = 0;
  bool taken = false;
  std::vector<uint8_t> rgba;
  int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // drawn box, inclusive; empty when x1 < x0
};

void TakeFrame(Capture* capture, const uint8_t* rgba, const uint8_t* overlay) {
  capture->taken = true;
  capture->rgba.assign(rgba, rgba + sim::kScreenWidth * sim::kScreenHeight * 4);
  capture->x0 = sim::kScreenWidth, capture->y0 = sim::kScreenHeight, capture->x1 = -1, capture->y1 = -1;
  for (int y = 0; y < sim::kScreenHeight; ++y) {
    const uint8_t* row = overlay + static_cast<size_t>(y) * sim::kScreenWidth * 4;
    for (int x = 0; x < sim::kScreenWidth; ++x) {
      if (row[x * 4 + 3] == 0) continue;
      capture->x0 = std::min(capture->x0, x), capture->x1 = std::max(capture->x1, x);
      capture->y0 = std::min(capture->y0, y), capture->y1 = std::max(capture->y1, y);
    }
  }
}

// The captured frame cut to the drawn box and a margin, captioned.
sim::SheetPicture Cropped(const Capture& capture, const std::string& caption) {
  const int x0 = std::max(capture.x0 - kCropMargin, 0), y0 = std::max(capture.y0 - kCropMargin, 0);
  const int x1 = std::min(capture.x1 + kCropMargin, sim::kScreenWidth - 1);
  const int y1 = std::min(capture.y1 + kCropMargin, sim::kScreenHeight - 1);
  sim::SheetPicture picture;
  picture.label = caption;
  picture.width = x1 - x0 + 1;
  picture.height = y1 - y0 + 1;
  picture.rgba.resize(static_cast<size_t>(picture.width) * picture.height * 4);
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* from = &capture.rgba[(static_cast<size_t>(y0 + y) * sim::kScreenWidth + x0) * 4];
    std::memcpy(&picture.rgba[static_cast<size_t>(y) * picture.width * 4], from, picture.width * 4);
  }
  return picture;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool RenderSheet(const GalleryOptions& options, const GalleryLanguage& language, SheetReport* report,
                 std::string* error) {
  const std::string home = options.home_dir.empty() || options.home_dir.back() == '/' ? options.home_dir
                                                                                       : options.home_dir + "/";
  const std::string catalogue = home + "messages_" + language.code + ".txt";
  if (!FileExists(catalogue)) {
    *error = "no catalogue file " + catalogue;
    return false;
  }
  sim::Host().menu_language = language.number;
  std::vector<sim::SheetPicture> pictures;
  for (const GalleryScreen& screen : GalleryScreens()) {
    if (!PrepareScreen(home.c_str())) {
      *error = "home folder path too long for the settings record: " + home;
      return false;
    }
    Capture capture;
    capture.wanted_flip = screen.keep_flip;
    sim::ObserveFlips([&capture](const uint8_t* rgba, const uint8_t* overlay) {
      if (++capture.flips == capture.wanted_flip) TakeFrame(&capture, rgba, overlay);
      sim_clock_set(-1, kRacingClock);
    });
    sim_clock_set(kClockStart, kRealClock);
    screen.show();
    sim::ObserveFlips({});
    if (!capture.taken || capture.x1 < capture.x0) {
      *error = language.code + ": screen \"" + screen.caption + "\" drew nothing (" +
               std::to_string(capture.flips) + " flips)";
      return false;
    }
    pictures.push_back(Magnified(Cropped(capture, screen.caption), screen.magnify));
  }
  PrepareScreen(home.c_str());
  report->code = language.code;
  report->path = options.out_folder + "/gallery_" + language.code + ".png";
  report->screens = static_cast<int>(pictures.size());
  return sim::WriteLabelledSheet(pictures, kSheetWidth, home + "fonts/font118.png", report->path, error);
}

}  // namespace

sim::SheetPicture Magnified(const sim::SheetPicture& picture, int factor) {
  if (factor <= 1) return picture;
  sim::SheetPicture big;
  big.label = picture.label;
  big.width = picture.width * factor;
  big.height = picture.height * factor;
  big.rgba.resize(static_cast<size_t>(big.width) * big.height * 4);
  for (int y = 0; y < big.height; ++y) {
    for (int x = 0; x < big.width; ++x) {
      const uint8_t* from = &picture.rgba[(static_cast<size_t>(y / factor) * picture.width + x / factor) * 4];
      std::memcpy(&big.rgba[(static_cast<size_t>(y) * big.width + x) * 4], from, 4);
    }
  }
  return big;
}

std::vector<GalleryLanguage> GalleryLanguages() {
  std::vector<GalleryLanguage> languages;
  for (int number = 0; number <= kLastLanguageNumber; ++number) {
    const std::string code = LanguageCode(number);
    auto known = std::find_if(languages.begin(), languages.end(),
                              [&](const GalleryLanguage& l) { return l.code == code; });
    if (known == languages.end()) languages.push_back({code, number});
  }
  std::sort(languages.begin(), languages.end(),
            [](const GalleryLanguage& a, const GalleryLanguage& b) { return a.code < b.code; });
  return languages;
}

bool FindLanguage(const std::string& code, GalleryLanguage* language) {
  for (const GalleryLanguage& known : GalleryLanguages()) {
    if (known.code == code) {
      *language = known;
      return true;
    }
  }
  return false;
}

bool RenderGallery(const GalleryOptions& options, std::vector<SheetReport>* sheets, std::string* error) {
  std::vector<GalleryLanguage> languages;
  if (options.codes.empty()) languages = GalleryLanguages();
  for (const std::string& code : options.codes) {
    GalleryLanguage language;
    if (!FindLanguage(code, &language)) {
      *error = "unknown language code \"" + code + "\"";
      return false;
    }
    languages.push_back(language);
  }
  mkdir(options.out_folder.c_str(), 0755);
  bool done = true;
  for (const GalleryLanguage& language : languages) {
    SheetReport report;
    if (!RenderSheet(options, language, &report, error)) {
      done = false;
      break;
    }
    sheets->push_back(report);
  }
  sim_clock_reset();
  FreeMessages();
  return done;
}

}  // namespace gallery
