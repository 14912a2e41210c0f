#include "sim/screen/screen.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "sim/host/guide.h"
#include "sim/host/host_state.h"
#include "sim/host/test_picture.h"
#include "sim/screen/png_file.h"
#include "sim/screen/screen_internal.h"

namespace sim {

namespace {

struct ScreenState {
  std::mutex mutex;
  ScreenOptions options;
  SDL_Surface* overlay = nullptr;  // kept for the whole run once created
  uint8_t* overlay_block = nullptr;  // the overlay's pixels with their guard bands
  int guard_faults = 0;              // checks that found a guard band written
  // The overlay as the plug-in last flipped it: what the viewer sees, while
  // the plug-in may be drawing the next picture into the surface. Copied at
  // a flip only while something reads it (KeepsShown); otherwise a flip only
  // counts, and what was flipped is the overlay itself.
  std::vector<uint8_t> shown;
  bool keep_shown = false;  // screenshots or screen checks will read it
  bool guards_at_flips = true;
  bool overlay_active = false;
  int flips = 0;
  int channel = 1;
  std::string programme;
  SDL_Surface* window = nullptr;
  FlipObserver observer;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  int frozen_phase = 0;
};

ScreenState& State() {
  static ScreenState* state = new ScreenState;  // never destroyed: flips may come late
  return *state;
}

// The picture's motion: the colour bars scroll by one pixel every 20 ms.
int Phase(ScreenState& state) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                  state.start).count();
  return static_cast<int>(ms / 20 % kScreenWidth);
}

// The overlay's pixels sit in one block between guard bands: rows above,
// rows below and a tail after the last row, filled with a pattern that the
// flips and the end of the run check. A write just outside the surface lands
// there instead of in someone else's memory, so the native build catches it
// too (AddressSanitizer catches what goes further).
constexpr size_t kPitch = kScreenWidth * 4;
constexpr size_t kGuardBefore = kOverlayGuardRows * kPitch;
constexpr size_t kPixelBytes = kScreenHeight * kPitch;
constexpr size_t kGuardAfter = kOverlayGuardRows * kPitch + kOverlayGuardTail;

uint8_t GuardByte(size_t offset) { return static_cast<uint8_t>(0xA5 ^ (offset * 29 >> 3)); }

// The two bands as they are filled, made once: a check compares whole bands
// (it runs at every flip) and looks for the first changed byte only when one
// differs.
struct GuardPatterns {
  std::vector<uint8_t> before, after;
  GuardPatterns() : before(kGuardBefore), after(kGuardAfter) {
    for (size_t i = 0; i < kGuardBefore; ++i) before[i] = GuardByte(i);
    for (size_t i = 0; i < kGuardAfter; ++i) after[i] = GuardByte(i + 7);
  }
};

const GuardPatterns& Guards() {
  static const GuardPatterns patterns;
  return patterns;
}

void FillGuards(uint8_t* block) {
  std::memcpy(block, Guards().before.data(), kGuardBefore);
  std::memcpy(block + kGuardBefore + kPixelBytes, Guards().after.data(), kGuardAfter);
}

// The index of the first byte where `band` differs from `pattern`, or size.
size_t FirstChange(const uint8_t* band, const std::vector<uint8_t>& pattern) {
  if (std::memcmp(band, pattern.data(), pattern.size()) == 0) return pattern.size();
  size_t i = 0;
  while (band[i] == pattern[i]) ++i;
  return i;
}

// The first written byte of either band, as "N bytes before the first row" or
// "N bytes after the last row"; empty when both are intact. The bands are
// filled anew, so that the next check reports a new write only.
std::string CheckGuardsLocked(ScreenState& state) {
  if (state.overlay_block == nullptr) return {};
  const uint8_t* block = state.overlay_block;
  std::string damage;
  const size_t before = FirstChange(block, Guards().before);
  const size_t after = FirstChange(block + kGuardBefore + kPixelBytes, Guards().after);
  if (before < kGuardBefore) {
    damage = std::to_string(kGuardBefore - before) + " bytes before the first row";
  } else if (after < kGuardAfter) {
    damage = std::to_string(after + 1) + " bytes after the last row";
  }
  if (!damage.empty()) {
    ++state.guard_faults;
    FillGuards(state.overlay_block);
  }
  return damage;
}

void ReportGuardDamage(const std::string& damage, const char* when) {
  if (damage.empty()) return;
  std::fprintf(stderr, "tvsim: ERROR: surface guard band written (%s), found at %s\n", damage.c_str(), when);
  std::fflush(stderr);
  // Among the host's lines too, where a scenario's checks see it.
  HostLog("surface guard band written (" + damage + "), found at " + when);
}

}  // namespace

namespace {

// The TV picture: scrolling colour bars and a travelling box, or black with
// a label when the video is muted or the picture is switched off.
void DrawPicture(ScreenState& state, uint8_t* rgba) {
  int frozen, muted, picture_off;
  {
    HostState& host = Host();
    std::lock_guard<std::mutex> lock(host.mutex);
    frozen = host.frozen;
    muted = host.main_window_muted;
    picture_off = host.options[15] == 5;
  }
  const std::shared_ptr<const LabelGlyphs> glyphs = PictureGlyphs();
  if (muted || picture_off) {
    std::memset(rgba, 0, kPixelBytes);
    for (size_t i = 3; i < kPixelBytes; i += 4) rgba[i] = 255;
    DrawLabel(rgba, kScreenWidth, kScreenHeight, glyphs.get(), 330, 250, 2,
              muted ? "VIDEO MUTE" : "PICTURE OFF", 120, 120, 120);
    return;
  }
  if (!frozen) state.frozen_phase = Phase(state);
  TestPictureContent content;
  content.bar_shift = state.frozen_phase;
  content.box_x = (state.frozen_phase * 3) % kTestBoxTravel;
  content.channel = state.channel;
  // The programme on air now when the guide has the channel (the picture
  // follows a programme change), else the caption set last.
  std::optional<GuideProgramme> on_air = PresentProgramme(state.channel);
  content.programme = on_air ? on_air->title : state.programme;
  content.frozen = frozen != 0;
  DrawTestPicture(rgba, kScreenWidth, kScreenHeight, content, glyphs.get());
}

// Whether anything reads the overlay as flipped: screenshots and screen
// checks, the window, saved frames, an observer of the flips.
bool KeepsShown(const ScreenState& state) {
  return state.keep_shown || state.window != nullptr || !state.options.frame_folder.empty() ||
         static_cast<bool>(state.observer);
}

// Takes the overlay as it is now as the one shown (a flip, or a reader that
// starts reading).
void CopyShownLocked(ScreenState& state) {
  if (state.overlay == nullptr) return;
  const auto* pixels = static_cast<const uint8_t*>(state.overlay->pixels);
  state.shown.assign(pixels, pixels + kPixelBytes);
}

// The picture with the overlay over it: the overlay as it is now, or as it
// was last flipped (`shown`; the overlay itself while nothing keeps a copy).
void ComposeLocked(ScreenState& state, uint8_t* rgba, bool shown = false) {
  if (shown && !KeepsShown(state)) shown = false;
  DrawPicture(state, rgba);
  if (!state.overlay_active || state.overlay == nullptr) return;
  if (shown && state.shown.empty()) return;
  SDL_LockSurface(state.overlay);
  const uint8_t* pixels = shown ? state.shown.data() : static_cast<const uint8_t*>(state.overlay->pixels);
  for (int y = 0; y < kScreenHeight; ++y) {
    const uint8_t* in = pixels + y * state.overlay->pitch;
    uint8_t* out = rgba + y * kScreenWidth * 4;
    for (int x = 0; x < kScreenWidth; ++x, in += 4, out += 4) {
      unsigned a = in[3];
      out[0] = static_cast<uint8_t>((in[2] * a + out[0] * (255 - a)) / 255);
      out[1] = static_cast<uint8_t>((in[1] * a + out[1] * (255 - a)) / 255);
      out[2] = static_cast<uint8_t>((in[0] * a + out[2] * (255 - a)) / 255);
    }
  }
  SDL_UnlockSurface(state.overlay);
}

void PresentInWindow(ScreenState& state, const uint8_t* rgba) {
  SDL_Surface* window = state.window;
  SDL_LockSurface(window);
  for (int y = 0; y < kScreenHeight && y < window->h; ++y) {
    uint32_t* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(window->pixels) + y * window->pitch);
    for (int x = 0; x < kScreenWidth && x < window->w; ++x) {
      const uint8_t* p = rgba + (y * kScreenWidth + x) * 4;
      out[x] = SDL_MapRGB(window->format, p[0], p[1], p[2]);
    }
  }
  SDL_UnlockSurface(window);
  RealSdl().flip(window);
}

}  // namespace

void ConfigureScreen(const ScreenOptions& options) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const bool kept = KeepsShown(state);
  state.options = options;
  state.keep_shown = options.keep_shown;
  // The captions of the TV picture, on the screen and in recordings.
  if (!options.home_dir.empty()) SetPictureGlyphs(LoadLabelGlyphs(options.home_dir + "/fonts/font118.png"));
  // A reader from now on: the overlay as it is stands for the last flip.
  if (!kept && KeepsShown(state) && state.overlay_active && state.flips > 0) CopyShownLocked(state);
  if (!options.window) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    return;
  }
  // A window on the X display, not SDL's fallback to a text console, unless
  // the user chose a driver.
  setenv("SDL_VIDEODRIVER", "x11", 0);
  if (RealSdl().init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) != 0) return;
  const std::string title = WindowTitle();
  SDL_WM_SetCaption(title.c_str(), "tvsim");
  state.window = RealSdl().set_video_mode(kScreenWidth, kScreenHeight, 32, SDL_SWSURFACE);
}

void ObserveFlips(FlipObserver observer) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const bool kept = KeepsShown(state);
  state.observer = std::move(observer);
  if (!kept && KeepsShown(state) && state.overlay_active && state.flips > 0) CopyShownLocked(state);
}

bool WindowOpen() { return State().window != nullptr; }

void SetPictureCaption(int channel, const std::string& programme) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.channel = channel;
  state.programme = programme;
}

int ScreenFlipCount() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.flips;
}

bool OverlayActive() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.overlay_active;
}

SDL_Surface* OverlaySurface() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.overlay;
}

void ComposeFrame(uint8_t* rgba) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ComposeLocked(state, rgba);
}

void ComposeShownFrame(uint8_t* rgba) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ComposeLocked(state, rgba, true);
}

bool SaveScreenshot(const std::string& path, std::string* error) {
  std::vector<uint8_t> rgba(kScreenWidth * kScreenHeight * 4);
  ComposeShownFrame(rgba.data());
  return WritePng(path, kScreenWidth, kScreenHeight, 4, rgba.data(), kScreenWidth * 4, error);
}

SDL_Surface* OverlayForPlugin() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.overlay == nullptr) {
    // Bytes blue, green, red, alpha: the set's overlay layout; the pixels
    // between guard bands (never freed: flips may come late).
    state.overlay_block = new uint8_t[kGuardBefore + kPixelBytes + kGuardAfter];
    FillGuards(state.overlay_block);
    state.overlay = SDL_CreateRGBSurfaceFrom(state.overlay_block + kGuardBefore, kScreenWidth, kScreenHeight, 32,
                                             static_cast<int>(kPitch), 0x00FF0000, 0x0000FF00, 0x000000FF,
                                             0xFF000000);
  }
  if (state.overlay != nullptr && !state.overlay_active) {
    std::memset(state.overlay->pixels, 0, static_cast<size_t>(state.overlay->pitch) * state.overlay->h);
    state.shown.clear();  // nothing flipped yet
    state.overlay_active = true;
  }
  return state.overlay;
}

void ReleaseOverlay() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.overlay_active = false;
}

bool IsOverlay(const SDL_Surface* surface) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return surface != nullptr && surface == state.overlay;
}

void CheckGuardsAtFlips(bool check) {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.guards_at_flips = check;
}

bool CheckOverlayGuards(const char* when) {
  ScreenState& state = State();
  std::string damage;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    damage = CheckGuardsLocked(state);
  }
  ReportGuardDamage(damage, when);
  return damage.empty();
}

int OverlayGuardFaults() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.guard_faults;
}

void OverlayFlipped() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.flips;
  if (state.guards_at_flips) {
    std::string damage = CheckGuardsLocked(state);
    if (!damage.empty()) ReportGuardDamage(damage, ("flip " + std::to_string(state.flips)).c_str());
  }
  // Nobody reads what was flipped (a benchmark, a test that only draws):
  // the flip only counts, and the 2 MiB copy is saved.
  if (!KeepsShown(state)) return;
  CopyShownLocked(state);
  if (state.options.frame_folder.empty() && state.window == nullptr && !state.observer) return;
  std::vector<uint8_t> rgba(kScreenWidth * kScreenHeight * 4);
  ComposeLocked(state, rgba.data());
  if (state.observer && !state.shown.empty()) state.observer(rgba.data(), state.shown.data());
  if (!state.options.frame_folder.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.png", state.flips);
    WritePng(state.options.frame_folder + name, kScreenWidth, kScreenHeight, 4, rgba.data(), kScreenWidth * 4,
             nullptr);
  }
  if (state.window != nullptr) PresentInWindow(state, rgba.data());
}

void PresentWindow() {
  ScreenState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.window == nullptr) return;
  std::vector<uint8_t> rgba(kScreenWidth * kScreenHeight * 4);
  ComposeLocked(state, rgba.data(), true);  // the overlay last flipped, not one half drawn
  PresentInWindow(state, rgba.data());
}

}  // namespace sim
