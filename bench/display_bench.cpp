// Speed of the display toolkit, each figure as the ratio of the operation's
// time to a bound measured in the same run: a memset or memcpy of the same
// bytes, or IMG_Load of the same image alone.
//
// Run: build/<dir>/bench/display_bench   (the counter "ratio" is the figure)
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.h"
#include "display/osd_surface.h"
#include "display/skin.h"
#include "display/text.h"
#include "settings/settings_record.h"

namespace {

using bench::Home;

bool OpenDisplay() {
  static bool open = bench::OpenHomeDisplay();
  return open;
}

template <typename Op, typename Bound>
void Compare(benchmark::State& state, Op op, Bound bound, double per = 1) {
  bench::Compare(state, OpenDisplay(), op, bound, per);
}

std::vector<uint8_t> scratch(kOsdHeight * kOsdRowBytes);

void ClearOsdVsMemset(benchmark::State& state) {
  Compare(state, [] { ClearOsd(); },
          [] {
            for (int y = 0; y < kOsdHeight; ++y) std::memset(&scratch[y * kOsdRowBytes], 0, kOsdRowBytes);
            benchmark::ClobberMemory();
          });
}

void LoadAlone(const char* name) {
  SDL_Surface* image = IMG_Load((Home() + "osd/" + name + ".png").c_str());
  SDL_FreeSurface(image);
}

void DrawMessageImageVsImgLoad(benchmark::State& state) {
  Compare(state, [] { DrawMessageImage("icon_rec"); }, [] { LoadAlone("icon_rec"); });
}

void DrawSkinPanelVsImgLoad(benchmark::State& state) {
  Compare(state, [] { DrawSkinPanel(210, 45, "toolbox_header", 212); }, [] { LoadAlone("toolbox_header"); });
}

constexpr char kLine[] = "0:12:34 1234 MB 4567 KB/s free 12.3 GB Zazolc";
constexpr int kGlyphs = sizeof kLine - 1;

void BitmapTextPerGlyph(benchmark::State& state) {
  Compare(
      state, [] { DrawText(118, 20, 300, kLine, 5); },
      [] {
        // The bound: copying each glyph's 12 x 18 pixels once.
        for (int glyph = 0; glyph < kGlyphs; ++glyph) {
          for (int row = 0; row < 18; ++row) std::memcpy(&scratch[row * kOsdRowBytes + glyph * 48], &scratch[(row + 100) * kOsdRowBytes], 48);
        }
        benchmark::ClobberMemory();
      },
      kGlyphs);
}

void BigTextPerLine(benchmark::State& state) {
  Compare(
      state, [] { DrawBigText(155, 12, "Recording stopped: disk full"); },
      [] {
        // The bound: copying the line's 35 rows of about 560 pixels.
        for (int row = 0; row < 35; ++row) std::memcpy(&scratch[row * kOsdRowBytes], &scratch[(row + 100) * kOsdRowBytes], 560 * 4);
        benchmark::ClobberMemory();
      });
}

BENCHMARK(ClearOsdVsMemset)->UseManualTime();
BENCHMARK(DrawMessageImageVsImgLoad)->UseManualTime();
BENCHMARK(DrawSkinPanelVsImgLoad)->UseManualTime();
BENCHMARK(BitmapTextPerGlyph)->UseManualTime();
BENCHMARK(BigTextPerLine)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
