// Speed of the key path: a key that KeyDispatcher passes to the host, at
// rest and during a recording, as the ratio of its time to the time of an
// empty function called the same way (through a function pointer the
// compiler cannot see through), both measured in each iteration of the same
// run. The goal is a ratio of at most 2.
//
// Run: build/<dir>/bench/key_bench   (the counter "ratio" is the figure)
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_support.h"

#include "host/dispatcher_state.h"
#include "host/key_dispatcher.h"
#include "host/tv_state.h"
#include "settings/run_time_reset.h"
#include "settings/settings_record.h"
#include "supervision/supervision_state.h"

namespace {

using Clock = std::chrono::steady_clock;
using KeyFunction = int (*)(int);

// Calls per timed batch: enough that the clock reads are a small part of it.
constexpr int kBatch = 512;

// The bound: a function that does nothing but hand the key back.
__attribute__((noinline)) int EmptyKeyFunction(int key) { return key; }

// Both functions are read from volatile pointers, so that every call is an
// indirect call the compiler can neither inline nor hoist out of the loop.
KeyFunction volatile dispatcher_pointer = KeyDispatcher;
KeyFunction volatile empty_pointer = EmptyKeyFunction;

double TimeBatch(KeyFunction volatile& pointer, int key) {
  auto start = Clock::now();
  for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(pointer(key));
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plug-in at rest (or recording): no dialog, no settings screen, no
// overlay, picture on, the defaults of the settings record.
void SetPluginState(bool recording) {
  DefaultSettings(&settings);
  ResetRunTimeState();
  ResetTvState();
  recording_active.store(recording ? 1 : 0, std::memory_order_relaxed);
}

// Times kBatch calls of the dispatcher and of the empty function with `key`,
// alternately; reports the dispatcher's time per batch, its time per call
// ("ns_per_key"), the ratio of the two totals and the dispatcher's
// instructions per key. The dispatcher must pass
// the key.
void KeyVersusEmptyFunction(benchmark::State& state, int key, bool recording) {
  SetPluginState(recording);
  if (KeyDispatcher(key) != key) {
    state.SkipWithError("the dispatcher does not pass this key");
    return;
  }
  double dispatcher_total = 0, empty_total = 0;
  bench::InstructionCounter instructions;
  for (auto _ : state) {
    instructions.Start();
    double dispatcher_seconds = TimeBatch(dispatcher_pointer, key);
    instructions.Stop(kBatch);
    empty_total += TimeBatch(empty_pointer, key);
    dispatcher_total += dispatcher_seconds;
    state.SetIterationTime(dispatcher_seconds);
  }
  const double calls = static_cast<double>(state.iterations()) * kBatch;
  state.counters["ns_per_key"] = calls > 0 ? dispatcher_total * 1e9 / calls : 0;
  state.counters["ratio"] = empty_total > 0 ? dispatcher_total / empty_total : 0;
  bench::ReportInstructions(state, instructions, calls);  // per key (the clock reads included)
  SetPluginState(false);
}

void Key7AtRest(benchmark::State& state) { KeyVersusEmptyFunction(state, 7, false); }
void Key7Recording(benchmark::State& state) { KeyVersusEmptyFunction(state, 7, true); }
void Key147Recording(benchmark::State& state) { KeyVersusEmptyFunction(state, 147, true); }

BENCHMARK(Key7AtRest)->UseManualTime();
BENCHMARK(Key7Recording)->UseManualTime();
BENCHMARK(Key147Recording)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
