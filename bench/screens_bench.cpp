// Speed of the two screens redrawn at every change, each figure as the ratio
// of the redraw's time to a bound measured in the same run: the information
// pane (redrawn every second while shown) against IMG_Load of its four
// images and a copy of the pane's area, and the settings screen (redrawn at
// every key) against IMG_Load of the images one redraw draws. While a screen
// shows its skin images stay decoded and the pane stays composed, so the
// pane is also measured against the pixels it cannot avoid moving: once
// redrawn with nothing changed, once as the tick redraws it a second later
// with a MiB more recorded (its two elapsed times and two sizes changed: the
// pane's copy and a glyph blended for each, or the copy alone). Each also
// reports its instructions per redraw (n/a without hardware counters;
// tools/bench-figures.sh counts them with callgrind).
//
// Run: build/<dir>/bench/screens_bench   (the counter "ratio" is the figure)
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench_support.h"
#include "sim/platform/sim_time.h"
#include "display/display_state.h"
#include "display/fonts.h"
#include "display/osd_surface.h"
#include "display/text_library.h"
#include "settings/device_table.h"
#include "settings/message_catalogue.h"
#include "settings/settings_record.h"
#include "settings/toolbox.h"
#include "settings/toolbox_state.h"
#include "supervision/info_pane.h"
#include "supervision/programme_state.h"
#include "supervision/supervision_state.h"

namespace {

using bench::Home;

// The display open with the pane's figures of a recording in its second file.
bool OpenDisplay() {
  static bool open = [] {
    if (!bench::OpenHomeDisplay()) return false;
    BuildDeviceTable();
    RefreshMessages();
    // The set's clock held (almost) still: a redraw changes what the
    // benchmark changes, not what the PC's clock does.
    sim_clock_set(1700000000, 0.001);
    const uint32_t now = static_cast<uint32_t>(time(nullptr));
    rec_start_time = now - 3723;
    segment_start_time = now - 65;
    segment_number = 1;
    segment_size_mb = 512;
    earlier_segments_mb = 4076;
    std::snprintf(free_text.data(), sizeof free_text, "%s", "41.5 GB");
    std::snprintf(total_text.data(), sizeof total_text, "%s", "64.0 GB");
    free_gauge = 54;
    bitrate = 1234;
    minutes_left = 560;
    stop_timer = -1;
    const char title[] = "\0E\0v\0e\0n\0i\0n\0g\0 \0N\0e\0w\0s\0";
    std::memcpy(raw_title, title, sizeof title);
    InfoPaneShown = 1;
    return true;
  }();
  return open;
}

template <typename Op, typename Bound>
void Compare(benchmark::State& state, Op op, Bound bound) {
  bench::Compare(state, OpenDisplay(), op, bound);
}

void LoadAlone(const char* name) {
  SDL_Surface* image = IMG_Load((Home() + "osd/" + name + ".png").c_str());
  SDL_FreeSurface(image);
}

std::vector<uint8_t> pane_copy(640 * 170 * 4);

void DrawInfoPaneVsLoads(benchmark::State& state) {
  Compare(state, [] { DrawInfoPane(); },
          [] {
            for (const char* name : {"infopane", "destusb", "bar_free", "bar_full"}) LoadAlone(name);
            SDL_Surface* surface = OsdSurface.load();
            for (int row = 0; row < 170; ++row) {
              std::memcpy(&pane_copy[row * 640 * 4],
                          static_cast<uint8_t*>(surface->pixels) + (370 + row) * surface->pitch + 160 * 4, 640 * 4);
            }
            benchmark::ClobberMemory();
          });
}

// The pane's redraw against the pixels it must move: its 640 x 170 pixels
// copied onto the surface, its icon and the two bars (32 x 32, 24 x 83
// twice) copied once more. The texts' rendering is not in the bound.
std::vector<uint8_t> pane_source(640 * 170 * 4, 0x55);

void PaneBlits() {
  SDL_Surface* surface = OsdSurface.load();
  auto* pixels = static_cast<uint8_t*>(surface->pixels);
  for (int row = 0; row < 170; ++row) {
    std::memcpy(pixels + (370 + row) * surface->pitch + 160 * 4, &pane_source[row * 640 * 4], 640 * 4);
  }
  for (int row = 0; row < 32; ++row) std::memcpy(&pane_copy[row * 640 * 4], &pane_source[row * 640 * 4], 32 * 4);
  for (int row = 0; row < 83; ++row) {
    std::memcpy(&pane_copy[row * 640 * 4 + 256], &pane_source[row * 640 * 4], 24 * 4);
    std::memcpy(&pane_copy[row * 640 * 4 + 512], &pane_source[row * 640 * 4], 24 * 4);
  }
  benchmark::ClobberMemory();
}

// Nothing changed since the redraw before (the same second).
void DrawInfoPaneVsBlits(benchmark::State& state) { Compare(state, [] { DrawInfoPane(); }, PaneBlits); }

// One glyph of the figures ("8" in the figures' 20-point face) blended by
// SDL into a pane-sized surface in the screen's format, at each of the four
// figures that change a second later: what a redraw must blend at least.
struct FigureGlyphs {
  SDL_Surface* glyph = nullptr;
  SDL_Surface* pane = nullptr;
  FigureGlyphs() {
    SDL_Surface* surface = OsdSurface.load();
    const SDL_PixelFormat* f = surface->format;
    pane = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 170, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    ScopedLock lock(font_mutex);
    if (StandardFont[1] != nullptr) glyph = text_library.render_utf8_blended(StandardFont[1], "8", {255, 255, 0, 0});
  }
  void Blend() {
    for (int figure = 0; figure < 4; ++figure) {
      SDL_Rect place{static_cast<Sint16>(500 + 30 * figure), static_cast<Sint16>(40 + 28 * figure), 0, 0};
      SDL_UpperBlit(glyph, nullptr, pane, &place);
    }
    benchmark::ClobberMemory();
  }
};

// A second later and a MiB more, as the tick finds it once a second while
// recording about 1 MiB/s: both elapsed times and both sizes change. Measured
// as the pane is after its first seconds: the glyph cells of its figures
// checked and kept (the check runs at the first change of each colour, once
// while the pane shows; the untimed first redraw below makes it). Against
// the pane's copy and a glyph blended for each figure that changed (the
// least such a redraw moves), and against the copy alone.
template <bool kWithGlyphs>
void DrawInfoPaneEachSecond(benchmark::State& state) {
  if (!OpenDisplay()) {
    state.SkipWithError("no display (build the home folder first)");
    return;
  }
  static FigureGlyphs glyphs;
  if (glyphs.glyph == nullptr || glyphs.pane == nullptr) {
    state.SkipWithError("cannot render the figures' glyph");
    return;
  }
  auto a_second_later = [] {
    rec_start_time = rec_start_time - 1;
    segment_start_time = segment_start_time - 1;
    segment_size_mb = segment_size_mb + 1;
    return static_cast<const char*>(nullptr);
  };
  DrawInfoPane();
  a_second_later();
  bench::CompareSettled(
      state, [] { DrawInfoPane(); },
      [] {
        PaneBlits();
        if (kWithGlyphs) glyphs.Blend();
      },
      a_second_later);
}

void DrawInfoPaneEachSecondVsBlits(benchmark::State& state) { DrawInfoPaneEachSecond<true>(state); }
void DrawInfoPaneEachSecondVsCopy(benchmark::State& state) { DrawInfoPaneEachSecond<false>(state); }

void DrawToolboxVsLoads(benchmark::State& state) {
  toolbox_open = 1;
  toolbox_item = 4;
  toolbox_row = 4;
  toolbox_scroll = 3;  // both scroll arrows
  Compare(state, [] { DrawToolbox(); },
          [] {
            for (const char* name : {"toolbox_header", "toolbox_footer", "icon_exit", "icon_enter", "icon_leftright",
                                     "icon_updown", "toolbox_frame", "icon_left", "icon_right", "icon_up",
                                     "icon_down"})
              LoadAlone(name);
          });
}

BENCHMARK(DrawInfoPaneVsLoads)->UseManualTime();
BENCHMARK(DrawInfoPaneVsBlits)->UseManualTime();
BENCHMARK(DrawInfoPaneEachSecondVsBlits)->UseManualTime();
BENCHMARK(DrawInfoPaneEachSecondVsCopy)->UseManualTime();
BENCHMARK(DrawToolboxVsLoads)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
