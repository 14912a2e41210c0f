// Shared by the benchmarks: the build's home folder, the display opened on
// it, and the timing of an operation against its bound measured alternately
// in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <linux/perf_event.h>
#include <valgrind/callgrind.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "display/osd_surface.h"
#include "settings/settings_record.h"
#include "sim/screen/screen.h"

namespace bench {

// build/<dir>/home/, found from the benchmark binary in build/<dir>/bench.
inline std::string Home() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path(self, n > 0 ? n : 0);
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/home/";
}

// Operations counted under callgrind so far in this process, and what each
// counted stop adds; printed at the end ("callgrind: N operations counted"),
// so that tools/bench-figures.sh divides the instructions callgrind
// collected by it.
struct CallgrindTally {
  double operations = 0;
  ~CallgrindTally() {
    if (RUNNING_ON_VALGRIND && operations > 0) std::fprintf(stderr, "callgrind: %.0f operations counted\n", operations);
  }
};
inline CallgrindTally callgrind_tally;

// The instructions this thread runs in user space, from the kernel's
// hardware counter (perf_event_open). Unavailable where the kernel or the
// machine refuses it (perf_event_paranoid above 2, a virtual machine without
// counters): the benchmarks then say "instructions n/a". Run under callgrind
// with --collect-atstart=no (tools/bench-figures.sh), the counter switches
// callgrind's collection on and off around the operations instead, so that
// callgrind counts them alone.
class InstructionCounter {
 public:
  InstructionCounter() {
    perf_event_attr attr{};
    attr.type = PERF_TYPE_HARDWARE;
    attr.size = sizeof attr;
    attr.config = PERF_COUNT_HW_INSTRUCTIONS;
    attr.disabled = 1;
    attr.exclude_kernel = 1;
    attr.exclude_hv = 1;
    fd_ = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
  }
  ~InstructionCounter() {
    if (fd_ >= 0) close(fd_);
  }
  InstructionCounter(const InstructionCounter&) = delete;
  InstructionCounter& operator=(const InstructionCounter&) = delete;
  bool available() const { return fd_ >= 0; }
  void Start() {
    if (fd_ >= 0) {
      ioctl(fd_, PERF_EVENT_IOC_ENABLE, 0);
    } else if (RUNNING_ON_VALGRIND) {
      CALLGRIND_TOGGLE_COLLECT;
    }
  }
  // `operations`: how many operations ran since Start.
  void Stop(double operations = 1) {
    if (fd_ >= 0) {
      ioctl(fd_, PERF_EVENT_IOC_DISABLE, 0);
    } else if (RUNNING_ON_VALGRIND) {
      CALLGRIND_TOGGLE_COLLECT;
      callgrind_tally.operations += operations;
    }
  }
  // Instructions counted while started, since the counter was opened.
  uint64_t Count() const {
    uint64_t count = 0;
    if (fd_ < 0 || read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count)) return 0;
    return count;
  }

 private:
  int fd_ = -1;
};

// Reports instructions per operation as the counter "instructions", or the
// label "instructions n/a" when the counter is unavailable.
inline void ReportInstructions(benchmark::State& state, const InstructionCounter& counter, double operations) {
  if (!counter.available()) {
    state.SetLabel(RUNNING_ON_VALGRIND ? "instructions: callgrind's" : "instructions n/a");
    return;
  }
  state.counters["instructions"] = operations > 0 ? static_cast<double>(counter.Count()) / operations : 0;
}

// The surface's guard bands checked once, when the benchmarks end, instead
// of at every flip they time (the simulator's work, not the plug-in's).
struct GuardsAtTheEnd {
  GuardsAtTheEnd() { sim::CheckGuardsAtFlips(false); }
  ~GuardsAtTheEnd() { sim::CheckOverlayGuards("the end of the benchmarks"); }
};

// Points home_dir at the build's home folder, sets full opacity and an image
// alpha of 80 %, and opens the display; true when it has a surface.
inline bool OpenHomeDisplay() {
  std::snprintf(settings.home_dir, sizeof settings.home_dir, "%s", Home().c_str());
  settings.osd_opacity = 100;
  settings.image_alpha_percent = 80;
  OpenOsd();
  // Made after the surface (and the simulator's own statics with it), so
  // that it checks before they go.
  static GuardsAtTheEnd guards;
  return OsdSurface.load() != nullptr;
}

// Times op and bound alternately; after each pair, untimed, `settle` checks
// what op did and tidies up (nullptr, or why the run is void). Reports op's
// time per iteration (per `per` units) and, as the counter "ratio", the ratio
// of the two totals, and op's instructions per iteration (ReportInstructions).
// One op and settle before, neither timed nor counted: what an operation does
// only the first time (decoding a screen's images, composing the pane) is not
// in the figures.
template <typename Op, typename Bound, typename Settle>
void CompareSettled(benchmark::State& state, Op op, Bound bound, Settle settle, double per = 1) {
  using Clock = std::chrono::steady_clock;
  double op_total = 0, bound_total = 0;
  InstructionCounter instructions;
  op();
  settle();
  for (auto _ : state) {
    auto t0 = Clock::now();
    instructions.Start();
    op();
    instructions.Stop();
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
  ReportInstructions(state, instructions, static_cast<double>(state.iterations()));
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
