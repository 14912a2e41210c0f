// Shared by the benchmarks: the build's home folder, the display opened on
// it, and the timing of an operation against its bound measured alternately
// in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "display/osd_surface.h"
#include "settings/settings_record.h"

namespace bench {

// build/<dir>/home/, found from the benchmark binary in build/<dir>/bench.
inline std::string Home() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path(self, n > 0 ? n : 0);
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/home/";
}

// Points home_dir at the build's home folder, sets full opacity and an image
// alpha of 80 %, and opens the display; true when it has a surface.
inline bool OpenHomeDisplay() {
  std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", Home().c_str());
  settings.osd_opacity = 100;
  settings.image_alpha_percent = 80;
  OpenOsd();
  return OsdSurface.load() != nullptr;
}

// Times op and bound alternately; after each pair, untimed, `settle` checks
// what op did and tidies up (nullptr, or why the run is void). Reports op's
// time per iteration (per `per` units) and, as the counter "ratio", the ratio
// of the two totals.
template <typename Op, typename Bound, typename Settle>
void CompareSettled(benchmark::State& state, Op op, Bound bound, Settle settle, double per = 1) {
  using Clock = std::chrono::steady_clock;
  double op_total = 0, bound_total = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    op();
    auto t1 = Clock::now();
    bound();
    auto t2 = Clock::now();
    if (const char* error = settle()) {
      state.SkipWithError(error);
      break;
    }
    double op_seconds = std::chrono::duration<double>(t1 - t0).count();
    op_total += op_seconds;
    bound_total += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(op_seconds / per);
  }
  state.counters["ratio"] = bound_total > 0 ? op_total / bound_total : 0;
}

// The same with nothing to check; skips with an error when `ready` is false.
template <typename Op, typename Bound>
void Compare(benchmark::State& state, bool ready, Op op, Bound bound, double per = 1) {
  if (!ready) {
    state.SkipWithError("no display (build the home folder first)");
    return;
  }
  CompareSettled(state, op, bound, [] { return static_cast<const char*>(nullptr); }, per);
}

}  // namespace bench
