// Whether the plug-in has run since the loader placed it: the one word that
// lets the first init_config leave the run-time words alone.
//
// A freshly loaded library's writable memory is the image the loader
// mapped, and that image already holds every run-time word at its reset
// value (constant-initialised words, zero-filled ones). The first
// init_config therefore skips the resets, so that it writes none of the
// pages those words lie on: each first write of a page costs the loader's
// process a page fault. Whatever runs the plug-in's code first ends the
// loaded state: init_config when it is done, a key through the dispatcher,
// setup. Every later init_config resets everything.
#pragma once

#include <atomic>

// 1 from the load until the plug-in first runs, then 0 for good.
extern std::atomic<int> state_as_loaded;

// Ends the loaded state. Cheap when it has ended: one load, no store.
inline void LeaveLoadedState() {
  if (state_as_loaded.load(std::memory_order_relaxed)) [[unlikely]]
    state_as_loaded.store(0, std::memory_order_relaxed);
}
