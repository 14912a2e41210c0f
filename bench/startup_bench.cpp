// Speed of the plug-in's start-up as the set's loader does it: dlopen of
// recolyx.so (RTLD_NOW), init_config with the settings record, dlclose;
// against the same for a stub plug-in with the same libraries whose
// init_config does nothing. Two bounds:
//
// - StartupVsStub: the stub imports every symbol recolyx.so imports, by the
//   same names and versions (startup_stub_imports.cmake lists them from the
//   built recolyx.so), the host's resolved against this executable as the
//   plug-in's are. Its bound is what starting any plug-in that calls those
//   functions costs: loading, mapping the libraries, and the dynamic
//   linker's binding of every import. What the ratio adds is the plug-in's
//   own: its size, its relocations and init_config.
// - StartupVsBareStub: the stub imports nothing. Its bound leaves out the
//   binding of the plug-in's imports (about 840 instructions each), which
//   any plug-in needing those functions pays too.
//
// - LoadOnlyVsStub: both libraries loaded and closed, neither started. What
//   loading a library of the plug-in's size costs over the stub, without
//   init_config: the part of the first figure that init_config cannot change.
//
// Each library is closed again at every iteration, and a run where a
// library stayed loaded is void.
//
// The telnet probe is left out: it runs "ps|grep" through system() (7 to 9 ms
// here, over 90 % of init_config), the shell's time, not the plug-in's. The
// sandbox's RAM folder is read-only, so the probe's file cannot be made and
// the probe ends before its command (telnetd counts as not running).
//
// Run: build/<dir>/bench/startup_bench   (the counter "ratio" is the figure)
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "sim/loader.h"
#include "sim/platform/faults.h"
#include "sim/platform/sim_time.h"
#include "sim/platform/virtual_disks.h"

namespace {

// The sandbox as the set boots, its RAM folder read-only, and the record the
// loader builds for the build's home folder.
struct Set {
  std::string root;
  unsigned char record[940] = {};
  bool ready = false;
  Set() {
    char folder[64];
    std::snprintf(folder, sizeof folder, "%s/recolyx-startup-XXXXXX", access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    std::string error;
    if (mkdtemp(folder) == nullptr || !sim::StartPlatform(folder, &error)) {
      std::fprintf(stderr, "cannot start the sandbox: %s\n", error.c_str());
      return;
    }
    root = folder;
    sim_clock_set(1709838900, 0.001);
    if (sim_fault_set(SIM_FAULT_READONLY, "/mtd_ram", EROFS) != 0) return;
    ready = sim::BuildSettingsRecord(bench::Home(), record, &error);
    if (!ready) std::fprintf(stderr, "cannot build the settings record: %s\n", error.c_str());
  }
  ~Set() {
    sim_fault_clear(nullptr);
    std::error_code ignored;
    if (!root.empty()) std::filesystem::remove_all(root, ignored);
  }
};

Set& TheSet() {
  static Set set;
  return set;
}

// Loads the library, calls its init_config with the record (unless `start`
// is false), closes it. false when any step fails.
bool StartAndClose(const std::string& path, bool start = true) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return false;
  auto init_config = reinterpret_cast<int (*)(const void*)>(dlsym(handle, "init_config"));
  const bool started = init_config != nullptr && (!start || init_config(TheSet().record) == 0);
  return dlclose(handle) == 0 && started;
}

bool StillLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
}

// The plug-in's start-up against the stub `stub_name` in the build's bench
// folder; with `start` false, both only loaded and closed.
void StartupVs(benchmark::State& state, const char* stub_name, bool start = true) {
  const std::string plugin = bench::Home() + "recolyx.so";
  const std::string stub = bench::Home() + "../bench/" + stub_name;
  if (!TheSet().ready) {
    state.SkipWithError("cannot prepare the set");
    return;
  }
  bool plugin_started = true, stub_started = true;
  bench::CompareSettled(
      state, [&] { plugin_started = StartAndClose(plugin, start); },
      [&] { stub_started = StartAndClose(stub, start); },
      [&]() -> const char* {
        if (!plugin_started || !stub_started) return "a library did not load or start";
        if (StillLoaded(plugin) || StillLoaded(stub)) return "a library stayed loaded after dlclose";
        return nullptr;
      });
}

void StartupVsStub(benchmark::State& state) { StartupVs(state, "startup_stub.so"); }
void StartupVsBareStub(benchmark::State& state) { StartupVs(state, "startup_bare_stub.so"); }
void LoadOnlyVsStub(benchmark::State& state) { StartupVs(state, "startup_stub.so", false); }

BENCHMARK(StartupVsStub)->UseManualTime();
BENCHMARK(StartupVsBareStub)->UseManualTime();
BENCHMARK(LoadOnlyVsStub)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
